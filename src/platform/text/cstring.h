// CString: the program's text string. A counted byte string with value
// semantics holding Shift-JIS text (or any bytes: NUL is an ordinary byte).
// Its searches are character-aware: they never match from the second byte of
// a double-byte character. Positions and lengths are byte counts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text/text_encoding.h"

class CString {
 public:
  CString() = default;
  CString(const char* sz) : m_str(sz ? sz : "") {}  // NOLINT: implicit, as text literals are
  CString(const char* p, std::size_t n) : m_str(p, n) {}
  explicit CString(std::string s) : m_str(std::move(s)) {}
  explicit CString(std::string_view s) : m_str(s) {}

  int GetLength() const { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }

  char GetAt(int i) const { return m_str[static_cast<std::size_t>(i)]; }
  char operator[](int i) const { return GetAt(i); }

  /// The bytes, followed by a zero byte (which ends the text only for
  /// callers that do not also take GetLength()).
  const char* GetString() const { return m_str.c_str(); }
  const std::string& str() const& { return m_str; }
  /// The bytes of a CString about to go, without a copy.
  std::string str() && { return std::move(m_str); }
  std::string_view view() const { return m_str; }

  /// Character-aware search from byte `start`, which must be a character
  /// boundary. Returns the byte position of the first match, or -1.
  int Find(char ch, int start = 0) const;
  /// As Find, over text in the given encoding (UTF-8 and EUC-JP: every
  /// byte below 0x80 is a character of its own).
  int Find(const CString& sub, int start, TextEncoding encoding) const;

  /// Substrings by byte position; out-of-range counts are clamped.
  CString Left(int n) const;
  CString Mid(int first) const;
  CString Mid(int first, int n) const;

  /// Keeps the first n bytes (no effect when the text is shorter).
  void Truncate(int n);
  void Append(const char* p, std::size_t n) { m_str.append(p, n); }

  CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
  CString& operator+=(const char* sz) { m_str += sz; return *this; }
  CString& operator+=(char c) { m_str += c; return *this; }

  friend CString operator+(CString a, const CString& b) { return a += b; }
  friend CString operator+(CString a, const char* b) { return a += b; }
  friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }
  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator!=(const CString& a, const CString& b) { return a.m_str != b.m_str; }
  friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

 private:
  int Find(const char* p, std::size_t n, int start) const;

  std::string m_str;
};
