// Test helper: a tiny tmpfs mounted on a folder, to see what the program
// does on a full disk or a read-only folder; or one of the kernel's own file
// systems, for the odd files it holds. The mount lives in a private
// mount namespace of the test process (and of the children it starts), so
// nothing outlives the test.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class SmallFileSystem {
 public:
  /// Mounts a tmpfs of `bytes` on dir (which must exist). Returns null and
  /// says why in *why when this process may not mount.
  static std::unique_ptr<SmallFileSystem> Mount(const std::string& dir, std::size_t bytes,
                                                bool readOnly, std::string* why);
  /// Mounts the kernel's file system of that type ("tracefs"...) on dir.
  static std::unique_ptr<SmallFileSystem> MountKernel(const std::string& type,
                                                      const std::string& dir, std::string* why);
  ~SmallFileSystem();

 private:
  explicit SmallFileSystem(std::string dir) : m_dir(std::move(dir)) {}
  std::string m_dir;
};
