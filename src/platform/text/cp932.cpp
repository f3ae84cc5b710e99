#include "platform/text/cp932.h"

#include "platform/text/cp932_table.inc"
#include "platform/text/shift_jis.h"
#include "platform/text/text_encoding.h"

namespace {

// The row of kCp932Pairs for a lead byte.
int LeadRow(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0xA0 - 0x81); }

}  // namespace

char32_t Cp932Char(unsigned char b) {
  if (b < 0x80) return b;
  if (IsHalfWidthKatakana(b)) return 0xFF61 + (b - 0xA1);
  return 0;
}

char32_t Cp932Char(unsigned char lead, unsigned char trail) {
  if (!IsShiftJisLead(lead) || !IsShiftJisTrail(trail)) return 0;
  return kCp932Pairs[LeadRow(lead)][trail - 0x40];
}

bool AppendCp932AsUtf8(std::string& out, std::string_view s) {
  std::size_t size = out.size();
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    char32_t c = Cp932Char(b);
    if (c == 0 && i + 1 < s.size()) c = Cp932Char(b, static_cast<unsigned char>(s[++i]));
    if (c == 0) {
      out.resize(size);
      return false;
    }
    AppendCodePoint(out, c);
  }
  return true;
}
