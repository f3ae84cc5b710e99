// CMapStringToOb: a hash map from strings to object pointers. The map does
// not own the objects. Iteration visits every association once, in no
// particular order, through a POSITION.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text/cstring.h"
#include "platform/text/object.h"
#include "platform/text/string_list.h"

class CMapStringToOb {
 public:
  /// nBlockSize: how many associations are allocated at a time.
  explicit CMapStringToOb(int nBlockSize = 10);

  int GetCount() const { return static_cast<int>(m_map.size()); }
  bool IsEmpty() const { return m_map.empty(); }

  /// Finds key; true and the value in rValue when present.
  bool Lookup(const CString& key, CObject*& rValue) const;
  /// Adds key or replaces its value.
  void SetAt(const CString& key, CObject* newValue);
  bool RemoveKey(const CString& key);
  void RemoveAll();

  /// The first association's position, 0 when the map is empty.
  POSITION GetStartPosition() const;
  /// The association at pos; pos moves to the next one (0 after the last).
  void GetNextAssoc(POSITION& pos, CString& rKey, CObject*& rValue) const;

 private:
  std::unordered_map<std::string, CObject*> m_map;
  mutable std::vector<const std::pair<const std::string, CObject*>*> m_walk;
};
