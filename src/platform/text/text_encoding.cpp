#include "platform/text/text_encoding.h"

namespace {

const char* const kChoiceNames[] = {"auto", "cp932", "utf-8", "euc-jp"};

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kAscii: return "ascii";
    case TextEncoding::kCp932: return "cp932";
    case TextEncoding::kUtf8: return "utf-8";
    case TextEncoding::kEucJp: return "euc-jp";
  }
  return "cp932";
}

bool ParseEncodingChoice(std::string_view name, EncodingChoice& choice) {
  for (int k = 0; k < 4; ++k) {
    if (name == kChoiceNames[k]) {
      choice = static_cast<EncodingChoice>(k);
      return true;
    }
  }
  return false;
}

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
