#include "cli/xref_output.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

void XrefOutput::PutLarge(std::string_view s) {
  while (!s.empty()) {
    if (!Flush()) return;
    if (ReaderGone()) return;
    std::size_t n = std::min(s.size(), kBlock);
    std::memcpy(m_buf.get(), s.data(), n);
    m_nUsed = n;
    s.remove_prefix(n);
  }
}

bool XrefOutput::Flush() {
  std::size_t done = 0;
  while (done < m_nUsed && !ReaderGone() && !m_nError) {
    ssize_t w = ::write(m_fd, m_buf.get() + done, m_nUsed - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else if (w < 0 && errno == EPIPE) {
      m_bReaderGone = true;
    } else {
      m_nError = w < 0 ? errno : ENOSPC;
    }
  }
  m_nUsed = 0;
  return m_nError == 0;
}
