// The file that -o names. The output goes to a temporary file beside it,
// which replaces it only once the output is complete, so that a failed run
// or a full disk leaves the old file as it was; a fatal signal meanwhile
// removes the temporary file.
#pragma once

#include <memory>
#include <string>

#include "platform/files/removed_on_signal.h"

class XrefTarget {
 public:
  XrefTarget() = default;
  /// Removes the temporary file unless Commit() renamed it.
  ~XrefTarget();
  XrefTarget(const XrefTarget&) = delete;
  XrefTarget& operator=(const XrefTarget&) = delete;

  /// Opens path (a full path) for the output: a temporary file in its
  /// folder, with the mode of the file it will replace (or the mode a new
  /// file gets). A device or FIFO (/dev/null, a pipe) is written directly.
  /// Returns false with *error naming path when it cannot be written.
  bool Open(const std::string& path, std::string* error);
  /// The descriptor to write the output to. REQUIRES: Open() succeeded.
  int fd() const { return m_fd; }
  /// Flushes the temporary file to disk, closes it and renames it over the
  /// file. Returns false with *error naming the file when that fails; the
  /// temporary file is then removed and the old file stays.
  bool Commit(std::string* error);
  /// Closes and removes the temporary file; the old file stays.
  void Discard();
  /// The file as the messages name it.
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;  // the file as given
  std::string m_real;  // the file the output replaces: m_path, or where its link leads
  std::string m_temp;  // "" when writing m_path directly
  std::unique_ptr<CRemovedOnSignal> m_pRemovedOnSignal;  // while m_temp is there
  int m_fd = -1;
};

/// The message for a write to the output file path that failed with err.
std::string XrefTargetWriteError(const std::string& path, int err);
