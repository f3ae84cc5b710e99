// UTF-8 validity, written once: which bytes start a character, how many
// continuation bytes follow, and the range each must lie in, so that
// overlong forms, surrogates and values past U+10FFFF are refused. The
// encoding detector, the listing window, JSON, DOT and the messages on
// standard error all take their rule from here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// What a byte asks of the bytes after it when it starts a character:
/// need continuation bytes, the first in [low, high], any others in
/// 0x80-0xBF. need is 0 for ASCII and for a byte no longer character starts
/// with (a continuation byte, 0xC0, 0xC1, 0xF5-0xFF).
struct Utf8Lead {
  int need;
  unsigned char low, high;
};

constexpr Utf8Lead Utf8LeadOf(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};  // no overlong forms
  if (b == 0xED) return {2, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};  // no overlong forms
  if (b == 0xF4) return {3, 0x80, 0x8F};  // nothing past U+10FFFF
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  return {0, 0, 0};
}

/// The length of the well-formed sequence at s[i] (1 for ASCII), or, when
/// there is none, -(the length of the maximal part of one that starts
/// there, at least 1). REQUIRES: i < s.size().
int Utf8SequenceAt(std::string_view s, std::size_t i);

/// True when s is valid UTF-8.
bool IsUtf8(std::string_view s);

/// Appends s to out with every ill-formed sequence (each maximal part of
/// one) replaced by U+FFFD.
void AppendUtf8(std::string& out, std::string_view s);
