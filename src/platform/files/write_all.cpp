#include "platform/files/write_all.h"

#include <cerrno>
#include <unistd.h>

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
