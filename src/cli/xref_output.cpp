#include "cli/xref_output.h"

#include <algorithm>
#include <cerrno>

#include "platform/files/write_all.h"

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
  if (m_nUsed > 0 && !ReaderGone() && !m_nError) {
    int err = WriteAll(m_fd, std::string_view(m_buf.get(), m_nUsed));
    if (err == EPIPE)
      m_bReaderGone = true;
    else
      m_nError = err;
  }
  m_nUsed = 0;
  return m_nError == 0;
}
