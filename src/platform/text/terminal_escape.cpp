#include "platform/text/terminal_escape.h"

#include <vector>

#include "platform/text/euc_jp.h"
#include "platform/text/shift_jis.h"
#include "platform/text/utf8.h"

namespace {

const char kHex[] = "0123456789abcdef";

void AppendHex(std::string& s, unsigned char c) {
  s += "\\x";
  s += kHex[c >> 4];
  s += kHex[c & 15];
}

bool IsC1(unsigned char c) { return c >= 0x80 && c <= 0x9F; }

// What each byte of a text is part of, in the three encodings a message's
// names may be in. Each encoding is read from the start of the text, as a
// terminal reading it would.
enum : unsigned char {
  kShiftJis = 1,  // a Shift-JIS pair
  kEucJp = 2,     // an EUC-JP character of two or three bytes
  kUtf8 = 4,      // a UTF-8 character of more than one byte, not a C1 control
  kUtf8C1 = 8,    // the first byte of a UTF-8 C1 control (C2 80-C2 9F)
};

std::vector<unsigned char> Parts(const unsigned char* p, std::size_t n) {
  std::vector<unsigned char> part(n, 0);
  for (std::size_t i = 0; i < n;) {
    if (IsShiftJisLead(p[i]) && i + 1 < n && IsShiftJisTrail(p[i + 1])) {
      part[i] |= kShiftJis;
      part[i + 1] |= kShiftJis;
      i += 2;
    } else {
      ++i;
    }
  }
  for (std::size_t i = 0; i < n;) {
    int len = EucJpSequenceAt(p, i, n);
    for (int k = 0; k < len; ++k) part[i + k] |= kEucJp;
    i += len ? static_cast<std::size_t>(len) : 1;
  }
  std::string_view s(reinterpret_cast<const char*>(p), n);
  for (std::size_t i = 0; i < n;) {
    int len = Utf8SequenceAt(s, i);
    if (len == 2 && p[i] == 0xC2 && IsC1(p[i + 1])) {
      part[i] |= kUtf8C1;
    } else {
      for (int k = 0; k < len; ++k) part[i + k] |= kUtf8;
    }
    i += static_cast<std::size_t>(len > 0 ? len : -len);
  }
  return part;
}

}  // namespace

std::string EscapedForTerminal(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::vector<unsigned char> part;
  for (std::size_t i = 0; i < n && part.empty(); ++i)
    if (IsC1(p[i])) part = Parts(p, n);
  std::string s;
  s.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char c = p[i];
    if (c == '\\') {
      s += "\\\\";
    } else if (c == '\n') {
      s += "\\n";
    } else if (c == '\t') {
      s += "\\t";
    } else if (c == '\r') {
      s += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(s, c);
    } else if (!part.empty() && (part[i] & kUtf8C1) && !(part[i + 1] & kShiftJis)) {
      AppendHex(s, c);
      AppendHex(s, p[++i]);
    } else if (IsC1(c) && !(part[i] & (kShiftJis | kEucJp | kUtf8))) {
      AppendHex(s, c);
    } else {
      s += static_cast<char>(c);
    }
  }
  return s;
}
