#include "platform/text/mbcs.h"

#include <cstdint>
#include <cstring>

#include "platform/text/euc_jp.h"

namespace mbcs {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Index of the first byte >= 0x80 in p[i, end), or end. Plain text is
// mostly ASCII, so runs of it are skipped eight bytes at a time.
std::size_t SkipAscii(const unsigned char* p, std::size_t i, std::size_t end) {
  while (i + 8 <= end) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & kHighBits) break;
    i += 8;
  }
  while (i < end && p[i] < 0x80) ++i;
  return i;
}

}  // namespace

std::size_t NextBoundary(const char* text, std::size_t len, std::size_t from,
                         std::size_t to) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = from;
  while (i < to) {
    i = SkipAscii(p, i, to);
    if (i >= to) break;
    i += (IsLeadByte(p[i]) && i + 1 < len) ? 2 : 1;
  }
  return i;
}

std::size_t Find(const char* text, std::size_t len, const char* pat,
                 std::size_t patLen, std::size_t start) {
  if (start > len) return kNotFound;
  if (patLen == 0) return start;
  // Find the next plain match, then check that it starts on a character
  // boundary; if it does not (it began on a second byte), go on from the
  // boundary just after it. Every boundary before a plain match holds no
  // match, so the first boundary match is found without visiting each byte.
  std::size_t pos = start;
  while (len - pos >= patLen) {
    const void* hit = patLen == 1
                          ? std::memchr(text + pos, pat[0], len - pos)
                          : memmem(text + pos, len - pos, pat, patLen);
    if (hit == nullptr) return kNotFound;
    std::size_t at = static_cast<const char*>(hit) - text;
    std::size_t boundary = NextBoundary(text, len, pos, at);
    if (boundary == at) return at;
    pos = boundary;
  }
  return kNotFound;
}

namespace {

// The first EUC-JP character boundary at or after to, walking from the
// boundary from.
std::size_t NextEucBoundary(const unsigned char* p, std::size_t len, std::size_t from,
                            std::size_t to) {
  std::size_t i = from;
  while (i < to) {
    i = SkipAscii(p, i, to);
    if (i >= to) break;
    // 0xFF leads no character, but the walk has always taken it with the
    // byte after it; so it stays, and matches stay where they were.
    std::size_t step = p[i] == 0xFF ? 2 : 1 + static_cast<std::size_t>(EucJpLeadOf(p[i]).need);
    i = i + step <= len ? i + step : len;
  }
  return i;
}

}  // namespace

std::size_t FindIn(TextEncoding encoding, const char* text, std::size_t len,
                   const char* pat, std::size_t patLen, std::size_t start) {
  if (PairsLeadBytes(encoding)) return Find(text, len, pat, patLen, start);
  if (start > len) return kNotFound;
  if (patLen == 0) return start;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t pos = start;
  while (len - pos >= patLen) {
    const void* hit = memmem(text + pos, len - pos, pat, patLen);
    if (hit == nullptr) return kNotFound;
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - text);
    if (encoding == TextEncoding::kUtf8) return at;
    std::size_t boundary = NextEucBoundary(p, len, pos, at);
    if (boundary == at) return at;
    pos = boundary;
  }
  return kNotFound;
}

}  // namespace mbcs
