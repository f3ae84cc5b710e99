#include "platform/text/string_list.h"

#include <cstring>
#include <stdexcept>

POSITION CStringList::AddTail(std::string_view s) {
  if (m_text.size() + s.size() > UINT32_MAX) throw std::length_error("CStringList too long");
  if (m_ends.empty()) {
    m_text.reserve(64);  // most lists are short
    m_ends.reserve(4);
  }
  m_text.append(s);
  m_ends.push_back(static_cast<std::uint32_t>(m_text.size()));
  return m_ends.size();
}

void CStringList::RemoveAll() {
  m_text.clear();
  m_ends.clear();
}

POSITION CStringList::Find(std::string_view s) const {
  std::uint32_t start = 0;
  for (std::size_t i = 0; i < m_ends.size(); ++i) {
    std::uint32_t end = m_ends[i];
    if (end - start == s.size() && std::memcmp(m_text.data() + start, s.data(), s.size()) == 0)
      return i + 1;
    start = end;
  }
  return 0;
}

std::string_view CStringList::ViewAt(POSITION pos) const {
  std::uint32_t start = pos > 1 ? m_ends[pos - 2] : 0;
  return std::string_view(m_text.data() + start, m_ends[pos - 1] - start);
}

CString CStringList::GetNext(POSITION& pos) const {
  CString s = GetAt(pos);
  pos = pos < m_ends.size() ? pos + 1 : 0;
  return s;
}
