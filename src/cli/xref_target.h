// The file that -o names. The output goes to a temporary file beside it,
// which replaces it only once the output is complete, so that a failed run
// or a full disk leaves the old file as it was; a fatal signal meanwhile
// removes the temporary file. A name whose last part is a symbolic link is
// refused: a link planted in a shared folder or shipped in a repository
// would have the user replace a file of their own elsewhere.
#pragma once

#include <memory>
#include <string>
#include <sys/stat.h>

#include "platform/files/removed_on_signal.h"

class XrefTarget {
 public:
  XrefTarget() = default;
  /// Removes the temporary file unless Commit() renamed it.
  ~XrefTarget();
  XrefTarget(const XrefTarget&) = delete;
  XrefTarget& operator=(const XrefTarget&) = delete;

  /// Opens path (a full path) for the output: a temporary file in its
  /// folder when path is a regular file or is missing. /dev/stdout,
  /// /dev/stderr and /dev/fd/N are that descriptor, written directly; so
  /// are /dev/null and a FIFO or terminal of this user, opened without
  /// waiting (a FIFO without a reader fails at once). Anything else (a
  /// symbolic link, even a dangling one, a folder, a socket, a device, a
  /// FIFO or terminal of another user) is refused. Returns false with
  /// *error naming path when it is refused or cannot be written.
  bool Open(const std::string& path, std::string* error);
  /// The descriptor to write the output to. REQUIRES: Open() succeeded.
  int fd() const { return m_fd; }
  /// Gives the temporary file the permissions and group of the file it
  /// replaces (SealReplacement), flushes it to disk, closes it and renames
  /// it over the file. Returns false with *error naming the file when that fails; the
  /// temporary file is then removed and the old file stays.
  bool Commit(std::string* error);
  /// Closes and removes the temporary file; the old file stays.
  void Discard();
  /// The file as the messages name it.
  const std::string& path() const { return m_path; }

 private:
  // Opens m_path, which lstat found to be st and neither a regular file
  // nor a link nor a folder, when it is one that may be written directly.
  bool OpenDirectly(const struct stat& st, std::string* error);

  std::string m_path;  // the file as given
  std::string m_temp;  // "" when writing m_path directly
  bool m_bReplaces = false;  // m_path exists, as m_old tells
  struct stat m_old = {};
  std::unique_ptr<CRemovedOnSignal> m_pRemovedOnSignal;  // while m_temp is there
  int m_fd = -1;
};

/// The message for a write to the output file path that failed with err.
std::string XrefTargetWriteError(const std::string& path, int err);
