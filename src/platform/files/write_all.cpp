#include "platform/files/write_all.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/files/write_all_testing.h"

namespace {

// The step SealReplacement is to fail at, for tests.
const char* g_failStep = nullptr;
int g_failErr = 0;

// The result of a step: what the test asked for, or the call's own.
int Step(const char* name, int result) {
  if (g_failStep && std::strcmp(g_failStep, name) == 0) return g_failErr;
  return result == 0 ? 0 : errno;
}

}  // namespace

int WriteAll(int fd, std::string_view text, off_t* offset) {
  const char* p = text.data();
  std::size_t n = text.size();
  while (n > 0) {
    ssize_t w = offset ? ::pwrite(fd, p, n, *offset) : ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return errno;
    if (w == 0) return ENOSPC;
    p += w;
    n -= static_cast<std::size_t>(w);
    if (offset) *offset += w;
  }
  return 0;
}

mode_t ReplacementMode(const struct stat* existing) {
  if (existing) return existing->st_mode & 0777;
  mode_t mask = ::umask(0);  // the only way to read it
  ::umask(mask);
  return 0666 & ~mask;
}

int SealReplacement(int fd, const struct stat* existing) {
  // The group first: fchown clears setgid, and a group the user is not a
  // member of (EPERM) leaves the file in the user's own, as a new file is.
  if (existing) {
    int err = Step("fchown", ::fchown(fd, static_cast<uid_t>(-1), existing->st_gid));
    if (err != 0 && err != EPERM && err != EINVAL) return err;
  }
  if (int err = Step("fchmod", ::fchmod(fd, ReplacementMode(existing)))) return err;
  return Step("fsync", ::fsync(fd));
}

void FailSealStepForTesting(const char* step, int err) {
  g_failStep = step;
  g_failErr = err;
}
