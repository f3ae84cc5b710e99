// Shift-JIS (code page 932) character boundaries and the character-aware
// substring search that every text test of the program is built on.
//
// A lead byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one
// character. A search steps over whole characters, so a pattern never
// matches from the second byte of a double-byte character; a lead byte that
// is the last byte of the text is a character by itself.
#pragma once

#include <cstddef>

#include "platform/text/shift_jis.h"
#include "platform/text/text_encoding.h"

namespace mbcs {

constexpr bool IsLeadByte(unsigned char b) { return IsShiftJisLead(b); }

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

/// Returns the position of the first match of pat[0, patLen) in
/// text[0, len) that starts at a character boundary at or after start, or
/// kNotFound. REQUIRES: start is a character boundary of text (or len).
/// An empty pattern matches at start.
std::size_t Find(const char* text, std::size_t len, const char* pat,
                 std::size_t patLen, std::size_t start = 0);

/// Walks character boundaries from `from` (a boundary) and returns the
/// first boundary at or after `to`: either `to` itself, or to + 1 when `to`
/// is the second byte of a double-byte character.
std::size_t NextBoundary(const char* text, std::size_t len, std::size_t from,
                         std::size_t to);

/// As Find, over text in the given encoding: Shift-JIS (and ASCII) as
/// above; UTF-8 and EUC-JP with their own character boundaries (EUC-JP: a
/// byte 0xA1-0xFE or 0x8E and the byte after it, 0x8F and the two after
/// it; UTF-8 needs no care, as no character starts inside another). A
/// pattern of ASCII bytes therefore matches byte for byte in both.
std::size_t FindIn(TextEncoding encoding, const char* text, std::size_t len,
                   const char* pat, std::size_t patLen, std::size_t start = 0);

}  // namespace mbcs
