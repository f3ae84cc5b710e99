#include "platform/text/map_string_to_ob.h"

CMapStringToOb::CMapStringToOb(int nBlockSize) {
  m_map.reserve(static_cast<std::size_t>(nBlockSize > 0 ? nBlockSize : 10));
}

bool CMapStringToOb::Lookup(const CString& key, CObject*& rValue) const {
  auto it = m_map.find(key.str());
  if (it == m_map.end()) return false;
  rValue = it->second;
  return true;
}

void CMapStringToOb::SetAt(const CString& key, CObject* newValue) { m_map[key.str()] = newValue; }

bool CMapStringToOb::RemoveKey(const CString& key) { return m_map.erase(key.str()) != 0; }

void CMapStringToOb::RemoveAll() { m_map.clear(); }

POSITION CMapStringToOb::GetStartPosition() const {
  // A walk takes a snapshot of the associations; positions count from 1.
  m_walk.clear();
  for (const auto& kv : m_map) m_walk.push_back(&kv);
  return m_walk.empty() ? 0 : 1;
}

void CMapStringToOb::GetNextAssoc(POSITION& pos, CString& rKey, CObject*& rValue) const {
  const auto* kv = m_walk[pos - 1];
  rKey = CString(kv->first);
  rValue = kv->second;
  pos = pos < m_walk.size() ? pos + 1 : 0;
}
