#include "cli/xref_output.h"

#include <cerrno>
#include <unistd.h>

namespace {
constexpr std::size_t kBlock = 256 * 1024;
}

void XrefOutput::Put(std::string_view s) {
  if (m_bReaderGone || m_nError) return;
  m_buf.append(s);
  if (m_buf.size() >= kBlock) Flush();
}

bool XrefOutput::Flush() {
  std::size_t done = 0;
  while (done < m_buf.size() && !m_bReaderGone && !m_nError) {
    ssize_t w = ::write(m_fd, m_buf.data() + done, m_buf.size() - done);
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
  m_buf.clear();
  return m_nError == 0;
}
