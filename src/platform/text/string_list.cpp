#include "platform/text/string_list.h"

POSITION CStringList::AddTail(const CString& s) {
  if (m_items.empty()) m_items.reserve(4);  // most lists are short
  m_items.push_back(s);
  return m_items.size();
}

POSITION CStringList::Find(const CString& s) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i] == s) return i + 1;
  return 0;
}

POSITION CStringList::AddTail(CString&& s) {
  if (m_items.empty()) m_items.reserve(4);
  m_items.push_back(std::move(s));
  return m_items.size();
}

const CString& CStringList::GetNext(POSITION& pos) const {
  const CString& s = m_items[pos - 1];
  pos = pos < m_items.size() ? pos + 1 : 0;
  return s;
}

POSITION CStringList::Find(const char* sz) const {
  std::string_view s(sz);
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].view() == s) return i + 1;
  return 0;
}
