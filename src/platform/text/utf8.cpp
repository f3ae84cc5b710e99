#include "platform/text/utf8.h"

int Utf8SequenceAt(std::string_view s, std::size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  Utf8Lead lead = Utf8LeadOf(b);
  if (lead.need == 0) return -1;
  unsigned char lo = lead.low, hi = lead.high;
  for (int k = 1; k <= lead.need; ++k) {
    if (i + k >= s.size()) return -k;
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if (c < lo || c > hi) return -k;
    lo = 0x80;
    hi = 0xBF;
  }
  return lead.need + 1;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    int n = Utf8SequenceAt(s, i);
    if (n < 0) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

void AppendUtf8(std::string& out, std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    int n = Utf8SequenceAt(s, i);
    if (n > 0) {
      out.append(s.data() + i, static_cast<std::size_t>(n));
      i += static_cast<std::size_t>(n);
    } else {
      out += "\xEF\xBF\xBD";
      i += static_cast<std::size_t>(-n);
    }
  }
}
