// Buffered output of tolvane-xref to a file descriptor, bytes unchanged.
// A reader that goes away (a closed pipe) ends the output quietly; any
// other failed write is remembered for the caller to report.
#pragma once

#include <atomic>
#include <cstring>
#include <memory>
#include <string_view>

class XrefOutput {
 public:
  explicit XrefOutput(int fd) : m_fd(fd) {}

  void Put(std::string_view s) {
    if (s.size() <= kBlock - m_nUsed) {
      std::memcpy(m_buf.get() + m_nUsed, s.data(), s.size());
      m_nUsed += s.size();
    } else {
      PutLarge(s);
    }
  }
  /// Writes what is buffered. Returns false when a write failed for a
  /// reason other than a closed pipe; Error() then tells the errno value.
  bool Flush();

  /// True once a write met a closed pipe. Any thread.
  bool ReaderGone() const { return m_bReaderGone.load(std::memory_order_relaxed); }
  int Error() const { return m_nError; }

 private:
  static constexpr std::size_t kBlock = 256 * 1024;
  void PutLarge(std::string_view s);

  int m_fd;
  std::unique_ptr<char[]> m_buf{new char[kBlock]};
  std::size_t m_nUsed = 0;
  std::atomic<bool> m_bReaderGone{false};
  int m_nError = 0;
};
