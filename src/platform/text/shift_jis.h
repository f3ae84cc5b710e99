// The bytes of Shift-JIS (code page 932), written once: a lead byte and a
// trail byte make a double-byte character; 0xA1-0xDF alone is a half-width
// katakana. Whether a pair stands for a character is the code page's
// table (cp932.h).
#pragma once

constexpr bool IsShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool IsShiftJisTrail(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

constexpr bool IsHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
