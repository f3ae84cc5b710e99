// CStringList: an ordered list of CString with add at the tail, linear find
// from the head, remove-all and iteration from the head.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/text/cstring.h"

/// An opaque place in a list; 0 is "no place" (the end, or not found).
typedef std::size_t POSITION;

class CStringList {
 public:
  CStringList() = default;

  int GetCount() const { return static_cast<int>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }

  POSITION AddTail(const CString& s);
  POSITION AddTail(CString&& s);
  void RemoveAll() { m_items.clear(); }

  /// Searches from the head for an exactly equal string.
  POSITION Find(const CString& s) const;
  POSITION Find(const char* sz) const;

  POSITION GetHeadPosition() const { return m_items.empty() ? 0 : 1; }
  /// Returns the string at pos and moves pos to the next one (0 after the tail).
  const CString& GetNext(POSITION& pos) const;
  const CString& GetAt(POSITION pos) const { return m_items[pos - 1]; }

  std::vector<CString>::const_iterator begin() const { return m_items.begin(); }
  std::vector<CString>::const_iterator end() const { return m_items.end(); }

 private:
  std::vector<CString> m_items;
};
