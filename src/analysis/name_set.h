// The distinct names of one call list, so that telling a new name from one
// the list holds already costs the same however long the list grows. The
// set keeps each name by its number in an arena and compares through it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

class CNameSet {
 public:
  /// Adds name when the set lacks it: add() stores it and returns its
  /// number, which get(number) turns back into the name. Returns whether
  /// the name was new.
  template <class Get, class Add>
  bool AddIfNew(std::string_view name, const Get& get, const Add& add);
  /// Adds a name the set is known to lack, by its number.
  template <class Get>
  void AddNew(std::uint32_t id, const Get& get);
  /// Empties the set; its memory stays only while it is small.
  void Clear();

  /// How many names the sets of this thread have compared, so far.
  static std::uint64_t Comparisons() { return t_comparisons; }

 private:
  // A short list is searched in order, which costs less than hashing; a
  // longer one goes into a table of slots, open addressing, at most half
  // full. A slot holds the name's hash (0: empty) and its number.
  static constexpr std::size_t kShortList = 8;
  struct Slot {
    std::uint32_t hash;
    std::uint32_t id;
  };
  static std::uint32_t Hash(std::string_view name);
  void Place(std::uint32_t hash, std::uint32_t id);
  template <class Get>
  void Grow(const Get& get);

  std::vector<std::uint32_t> m_short;  // the names, while there are few
  std::vector<Slot> m_slots;           // then the table
  std::size_t m_nSize = 0;
  static inline thread_local std::uint64_t t_comparisons = 0;
};

template <class Get, class Add>
bool CNameSet::AddIfNew(std::string_view name, const Get& get, const Add& add) {
  if (m_slots.empty()) {
    for (std::uint32_t id : m_short) {
      ++t_comparisons;
      if (get(id) == name) return false;
    }
    const std::uint32_t id = add();
    m_short.push_back(id);
    ++m_nSize;
    if (m_short.size() > kShortList) Grow(get);
    return true;
  }
  const std::uint32_t hash = Hash(name);
  const std::size_t mask = m_slots.size() - 1;
  std::size_t i = hash & mask;
  for (; m_slots[i].hash != 0; i = (i + 1) & mask) {
    if (m_slots[i].hash != hash) continue;
    ++t_comparisons;
    if (get(m_slots[i].id) == name) return false;
  }
  m_slots[i] = Slot{hash, add()};
  if (++m_nSize * 2 > m_slots.size()) Grow(get);
  return true;
}

template <class Get>
void CNameSet::AddNew(std::uint32_t id, const Get& get) {
  if (m_slots.empty()) {
    m_short.push_back(id);
    ++m_nSize;
    if (m_short.size() > kShortList) Grow(get);
    return;
  }
  Place(Hash(get(id)), id);
  if (++m_nSize * 2 > m_slots.size()) Grow(get);
}

template <class Get>
void CNameSet::Grow(const Get& get) {
  std::vector<Slot> old;
  old.swap(m_slots);
  m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot{0, 0});
  for (const Slot& s : old)
    if (s.hash != 0) Place(s.hash, s.id);
  for (std::uint32_t id : m_short) Place(Hash(get(id)), id);
  m_short.clear();
}
