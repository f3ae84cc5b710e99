// Buffered output of tolvane-xref to a file descriptor, bytes unchanged.
// A reader that goes away (a closed pipe) ends the output quietly; any
// other failed write is remembered for the caller to report.
#pragma once

#include <string>
#include <string_view>

class XrefOutput {
 public:
  explicit XrefOutput(int fd) : m_fd(fd) {}

  void Put(std::string_view s);
  /// Writes what is buffered. Returns false when a write failed for a
  /// reason other than a closed pipe; Error() then tells the errno value.
  bool Flush();

  bool ReaderGone() const { return m_bReaderGone; }
  int Error() const { return m_nError; }

 private:
  int m_fd;
  std::string m_buf;
  bool m_bReaderGone = false;
  int m_nError = 0;
};
