// Test helpers: a fresh folder removed after the test, and small file I/O.
#pragma once

#include <string>

#include "platform/files/file_exception.h"

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  /// Writes bytes to path()/name and returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Join(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

/// The whole content of a file ("" when it cannot be read).
std::string ReadWholeFile(const std::string& path);
/// Writes bytes to path, replacing it.
void WriteWholeFile(const std::string& path, const std::string& bytes);
/// The names in a folder, sorted ("." and ".." left out).
std::string ListFolder(const std::string& path);
/// The message of the CFileException that f() throws, or "(none)".
template <class F>
std::string FileErrorOf(F f) {
  try {
    f();
  } catch (const CFileException& e) {
    return e.GetErrorMessage().str();
  }
  return "(none)";
}
