#include "tests/small_file_system.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace {

bool EnterPrivateMountNamespace(std::string* why) {
  static int state = 0;  // 0 not tried, 1 done, -1 refused
  static std::string reason;
  if (state == 0) {
    if (unshare(CLONE_NEWNS) != 0) {
      reason = std::string("unshare: ") + std::strerror(errno);
      state = -1;
    } else if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason = std::string("make-rprivate: ") + std::strerror(errno);
      state = -1;
    } else {
      state = 1;
    }
  }
  if (state < 0 && why) *why = reason;
  return state > 0;
}

}  // namespace

std::unique_ptr<SmallFileSystem> SmallFileSystem::Mount(const std::string& dir,
                                                        std::size_t bytes, bool readOnly,
                                                        std::string* why) {
  if (!EnterPrivateMountNamespace(why)) return nullptr;
  std::string opts = "size=" + std::to_string(bytes) + ",mode=0700";
  unsigned long flags = readOnly ? MS_RDONLY : 0;
  if (mount("tmpfs", dir.c_str(), "tmpfs", flags, opts.c_str()) != 0) {
    if (why) *why = std::string("mount: ") + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<SmallFileSystem>(new SmallFileSystem(dir));
}

std::unique_ptr<SmallFileSystem> SmallFileSystem::MountKernel(const std::string& type,
                                                              const std::string& dir,
                                                              std::string* why) {
  if (!EnterPrivateMountNamespace(why)) return nullptr;
  if (mount("none", dir.c_str(), type.c_str(), MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
    if (why) *why = "mount " + type + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<SmallFileSystem>(new SmallFileSystem(dir));
}

SmallFileSystem::~SmallFileSystem() { umount2(m_dir.c_str(), MNT_DETACH); }
