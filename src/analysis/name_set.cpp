#include "analysis/name_set.h"

std::uint32_t CNameSet::Hash(std::string_view name) {
  // FNV-1a: names are short, and this mixes every byte.
  std::uint32_t h = 2166136261u;
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  return h != 0 ? h : 1;  // 0 marks an empty slot
}

void CNameSet::Place(std::uint32_t hash, std::uint32_t id) {
  const std::size_t mask = m_slots.size() - 1;
  std::size_t i = hash & mask;
  while (m_slots[i].hash != 0) i = (i + 1) & mask;
  m_slots[i] = Slot{hash, id};
}

void CNameSet::Clear() {
  m_short.clear();
  // Emptying costs as much as the table is large: a table grown for one
  // long list goes, so that the short lists after it do not pay for it.
  if (m_slots.size() > 4096)
    std::vector<Slot>().swap(m_slots);
  else
    m_slots.clear();
  m_nSize = 0;
}
