#include "platform/text/cstring.h"

#include <algorithm>

#include "platform/text/mbcs.h"

namespace {

std::size_t Clamp(int n, std::size_t limit) {
  if (n <= 0) return 0;
  return std::min(static_cast<std::size_t>(n), limit);
}

}  // namespace

int CString::Find(const char* p, std::size_t n, int start) const {
  if (start < 0) start = 0;
  std::size_t at = mbcs::Find(m_str.data(), m_str.size(), p, n,
                              static_cast<std::size_t>(start));
  return at == mbcs::kNotFound ? -1 : static_cast<int>(at);
}

int CString::Find(char ch, int start) const { return Find(&ch, 1, start); }

int CString::Find(const CString& sub, int start, TextEncoding encoding) const {
  if (start < 0) start = 0;
  std::size_t at = mbcs::FindIn(encoding, m_str.data(), m_str.size(), sub.m_str.data(),
                                sub.m_str.size(), static_cast<std::size_t>(start));
  return at == mbcs::kNotFound ? -1 : static_cast<int>(at);
}

CString CString::Left(int n) const {
  return CString(m_str.substr(0, Clamp(n, m_str.size())));
}

CString CString::Mid(int first) const {
  std::size_t f = Clamp(first, m_str.size());
  return CString(m_str.substr(f));
}

CString CString::Mid(int first, int n) const {
  std::size_t f = Clamp(first, m_str.size());
  return CString(m_str.substr(f, Clamp(n, m_str.size() - f)));
}

void CString::Truncate(int n) {
  std::size_t k = Clamp(n, m_str.size());
  m_str.resize(k);
}
