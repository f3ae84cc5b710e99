// The bytes of EUC-JP, written once: 0xA1-0xFE and one byte 0xA1-0xFE
// (JIS X 0208), 0x8E and one byte 0xA1-0xDF (half-width katakana), 0x8F and
// two bytes 0xA1-0xFE (JIS X 0212). Every byte of a character is 0xA1 or
// above but the first.
#pragma once

#include <cstddef>

/// What a byte asks of the bytes after it when it starts a character: need
/// trail bytes, the first in 0xA1-high, a second in 0xA1-0xFE. need is 0
/// for a byte that starts no double-byte character (ASCII among them).
struct EucJpLead {
  int need;
  unsigned char high;
};

constexpr unsigned char kEucJpTrailLow = 0xA1;

constexpr EucJpLead EucJpLeadOf(unsigned char b) {
  if (b >= 0xA1 && b <= 0xFE) return {1, 0xFE};
  if (b == 0x8E) return {1, 0xDF};
  if (b == 0x8F) return {2, 0xFE};
  return {0, 0};
}

/// The length of the valid EUC-JP character of more than one byte at
/// p[i] (i < n), or 0 when there is none.
constexpr int EucJpSequenceAt(const unsigned char* p, std::size_t i, std::size_t n) {
  EucJpLead lead = EucJpLeadOf(p[i]);
  if (lead.need == 0 || n - i <= static_cast<std::size_t>(lead.need)) return 0;
  unsigned char high = lead.high;
  for (int k = 1; k <= lead.need; ++k, high = 0xFE)
    if (p[i + k] < kEucJpTrailLow || p[i + k] > high) return 0;
  return lead.need + 1;
}
