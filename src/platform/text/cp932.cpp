#include "platform/text/cp932.h"

#include "platform/text/cp932_table.inc"
#include "platform/text/text_encoding.h"

namespace {

// The row of kCp932Pairs for a lead byte, or -1 when b leads no pair.
int LeadRow(unsigned char b) {
  if (b >= 0x81 && b <= 0x9F) return b - 0x81;
  if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + (0xA0 - 0x81);
  return -1;
}

}  // namespace

bool AppendCp932AsUtf8(std::string& out, std::string_view s) {
  std::size_t size = out.size();
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
      AppendCodePoint(out, 0xFF61 + (b - 0xA1));
      continue;
    }
    int row = LeadRow(b);
    unsigned c = 0;
    if (row >= 0 && i + 1 < s.size()) {
      unsigned char t = static_cast<unsigned char>(s[i + 1]);
      if (t >= 0x40 && t <= 0xFC) c = kCp932Pairs[row][t - 0x40];
    }
    if (c == 0) {
      out.resize(size);
      return false;
    }
    AppendCodePoint(out, c);
    ++i;
  }
  return true;
}
