#include "cli/xref_progress.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "platform/files/write_all.h"

namespace {

constexpr std::int64_t kSecond = 1000000000;

std::int64_t SteadyNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Put(int fd, const char* s, std::size_t n) {
  // Progress is a courtesy: a failed write is not worth reporting.
  WriteAll(fd, std::string_view(s, n));
}

}  // namespace

XrefProgress::XrefProgress(int fd, int total, Clock clock)
    : m_fd(fd), m_nTotal(total), m_clock(clock ? clock : SteadyNow) {
  m_start = m_clock();
  m_nextDraw = m_start + kSecond;  // short runs show nothing
}

void XrefProgress::Tick() {
  std::int64_t now = m_clock();
  if (now < m_nextDraw) return;
  m_nextDraw = now + kSecond / 4;
  double mb = static_cast<double>(m_nBytes) / 1e6;
  double seconds = static_cast<double>(now - m_start) / kSecond;
  char line[160];
  // "\r" goes back to the line's start; "\033[K" clears what a longer line
  // left to the right.
  int n = std::snprintf(line, sizeof line, "\rtolvane-xref: %d/%d files, %.1f MB, %.1f MB/s\033[K",
                        m_nDone, m_nTotal, mb, mb / seconds);
  Put(m_fd, line, static_cast<std::size_t>(n));
  m_bDrawn = true;
}

void XrefProgress::Finish() {
  if (m_bDrawn) Put(m_fd, "\r\033[K", 4);
  m_bDrawn = false;
}
