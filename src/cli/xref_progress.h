// The progress display of a long tolvane-xref run: one line on a terminal,
// "tolvane-xref: DONE/TOTAL files, MB MB, MB/s MB/s", redrawn a few times a
// second once the run has lasted a second, and erased at the end.
#pragma once

#include <cstdint>

class XrefProgress {
 public:
  /// Clock in nanoseconds; the default is the steady clock.
  using Clock = std::int64_t (*)();

  /// Draws on fd (a terminal: the caller checks) for a run of total files.
  XrefProgress(int fd, int total, Clock clock = nullptr);

  /// After each file, with its size in bytes.
  void FileDone(std::uint64_t bytes) {
    ++m_nDone;
    m_nBytes += bytes;
    Tick();
  }
  /// Erases the line, if it was drawn.
  void Finish();

 private:
  void Tick();

  int m_fd;
  int m_nTotal;
  Clock m_clock;
  int m_nDone = 0;
  std::uint64_t m_nBytes = 0;
  std::int64_t m_start;
  std::int64_t m_nextDraw;
  bool m_bDrawn = false;
};
