// The working-file directory: a folder private to one process, where the
// analysis writes its working files. Fixed names in a shared folder could be
// planted by another user, and two copies of the program would overwrite
// each other's files; a fresh folder per process avoids both.
//
// The folders live in the per-user folder, each named run-XXXXXX and locked
// (flock on the folder) for as long as its process lives. A process killed
// outright leaves its folder unlocked, so the next start removes it; one
// killed in the few steps before the lock leaves an empty folder, removed
// once it has been untouched for an hour.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/files/removed_on_signal.h"

class CWorkingDir {
 public:
  /// Creates a fresh folder (mode 0700) for this process inside the per-user
  /// folder, which is created first when missing, after removing the folders
  /// of processes that are gone. When the per-user folder cannot be trusted
  /// (a symbolic link, not a folder, another user's, open to group or
  /// others) the folder is made in a fresh private folder of an
  /// unpredictable name in the temporary folder instead, so that another
  /// user cannot stop the program from working. Throws CFileException when a
  /// folder cannot be created.
  static std::unique_ptr<CWorkingDir> Create();

  /// As Create, and until the folder is destroyed a fatal signal (those
  /// CRemovedOnSignal lists) removes the files of the given names inside it
  /// and the folder before the process ends with that signal. Call it on a
  /// thread that takes those signals (the main one): they are blocked while
  /// the folder is made.
  static std::unique_ptr<CWorkingDir> CreateRemovedOnSignal(
      const std::vector<std::string>& names);

  /// The per-user folder: $XDG_RUNTIME_DIR/tolvane, or, when that variable
  /// is unset or empty, ${TMPDIR:-/tmp}/tolvane-<uid>.
  static std::string UserFolder();

  /// Opens the per-user folder as a directory descriptor (close-on-exec),
  /// checked through that descriptor. When it is missing: creates it with
  /// mode 0700 if create is set, else returns -1. Throws CFileException
  /// naming the folder when it is a symbolic link, not a folder, not this
  /// user's or open to group or others (notPrivate), or when it cannot be
  /// created or opened.
  static int OpenUserFolder(bool create);

  /// Removes the folder and everything in it.
  ~CWorkingDir();
  CWorkingDir(const CWorkingDir&) = delete;
  CWorkingDir& operator=(const CWorkingDir&) = delete;

  const std::string& GetPath() const { return m_strPath; }

  /// Makes the folder name (mode 0700) inside this one, for one analysing
  /// thread's working files, and until this folder is destroyed a fatal
  /// signal removes the files of the given names inside it and the
  /// subfolder, as CreateRemovedOnSignal does for this one. Returns its
  /// path. Throws CFileException when it cannot be made.
  std::string AddSubfolderRemovedOnSignal(const std::string& name,
                                          const std::vector<std::string>& names);

 private:
  CWorkingDir() = default;
  std::string m_strPath;
  std::string m_strOwnParent;  // the private folder made for this process alone, if any
  int m_nLock = -1;            // the folder, open and locked
  std::vector<std::unique_ptr<CRemovedOnSignal>> m_onSignal;
};
