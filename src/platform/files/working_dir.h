// The working-file directory: a folder private to one process, where the
// analysis writes its working files. Fixed names in a shared folder could be
// planted by another user, and two copies of the program would overwrite
// each other's files; a fresh folder per process avoids both.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CWorkingDir {
 public:
  /// Creates a fresh folder (mode 0700) for this process inside the per-user
  /// folder, which is created first when missing. Throws CFileException
  /// naming the per-user folder when it is a symbolic link, is not owned by
  /// this user or grants any permission to group or others (notPrivate), or
  /// when a folder cannot be created.
  static std::unique_ptr<CWorkingDir> Create();

  /// As Create, and until the folder is destroyed a fatal signal (SIGINT,
  /// SIGTERM, SIGHUP, SIGQUIT) removes the files of the given names inside
  /// it and the folder before the process ends with that signal. One such
  /// folder at a time per process.
  static std::unique_ptr<CWorkingDir> CreateRemovedOnSignal(
      const std::vector<std::string>& names);

  /// The per-user folder: $XDG_RUNTIME_DIR/tolvane, or, when that variable
  /// is unset or empty, ${TMPDIR:-/tmp}/tolvane-<uid>.
  static std::string UserFolder();

  /// Removes the folder and everything in it.
  ~CWorkingDir();
  CWorkingDir(const CWorkingDir&) = delete;
  CWorkingDir& operator=(const CWorkingDir&) = delete;

  const std::string& GetPath() const { return m_strPath; }

 private:
  explicit CWorkingDir(std::string path) : m_strPath(std::move(path)) {}
  std::string m_strPath;
  bool m_bOnSignal = false;
};
