// CStringList: an ordered list of strings with add at the tail, linear find
// from the head, remove-all and iteration from the head. The strings are
// kept back to back in one block, so a list costs a couple of allocations
// rather than one per string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/cstring.h"

/// An opaque place in a list; 0 is "no place" (the end, or not found).
typedef std::size_t POSITION;

class CStringList {
 public:
  CStringList() = default;

  int GetCount() const { return static_cast<int>(m_ends.size()); }
  bool IsEmpty() const { return m_ends.empty(); }

  POSITION AddTail(std::string_view s);
  POSITION AddTail(const CString& s) { return AddTail(s.view()); }
  POSITION AddTail(const char* sz) { return AddTail(std::string_view(sz)); }
  void RemoveAll();

  /// Searches from the head for an exactly equal string.
  POSITION Find(std::string_view s) const;
  POSITION Find(const CString& s) const { return Find(s.view()); }
  POSITION Find(const char* sz) const { return Find(std::string_view(sz)); }

  POSITION GetHeadPosition() const { return m_ends.empty() ? 0 : 1; }
  /// Returns the string at pos and moves pos to the next one (0 after the tail).
  CString GetNext(POSITION& pos) const;
  CString GetAt(POSITION pos) const { return CString(ViewAt(pos)); }
  /// The string at pos, without a copy; valid until the list changes.
  std::string_view ViewAt(POSITION pos) const;
  /// As GetNext, without a copy.
  std::string_view GetNextView(POSITION& pos) const {
    std::string_view s = ViewAt(pos);
    pos = pos < m_ends.size() ? pos + 1 : 0;
    return s;
  }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CString;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = CString;
    const_iterator(const CStringList* list, POSITION pos) : m_list(list), m_pos(pos) {}
    CString operator*() const { return m_list->GetAt(m_pos); }
    const_iterator& operator++() {
      m_pos = m_pos < m_list->m_ends.size() ? m_pos + 1 : 0;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return m_pos == o.m_pos; }
    bool operator!=(const const_iterator& o) const { return m_pos != o.m_pos; }

   private:
    const CStringList* m_list;
    POSITION m_pos;
  };
  const_iterator begin() const { return const_iterator(this, GetHeadPosition()); }
  const_iterator end() const { return const_iterator(this, 0); }

 private:
  std::string m_text;                 // the strings, back to back
  std::vector<std::uint32_t> m_ends;  // where each string ends in m_text
};
