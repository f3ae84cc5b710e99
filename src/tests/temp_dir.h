// Test helpers: a fresh folder removed after the test, and small file I/O.
#pragma once

#include <string>

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
