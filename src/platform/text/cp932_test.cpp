#include "platform/text/cp932.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp932, DecodesEachKindOfCharacterAndRefusesWhatIsNotText) {
  struct Case {
    std::string in;
    bool valid;
    std::string out;  // UTF-8
  } cases[] = {
      {"a/b c.c", true, "a/b c.c"},
      {"\x83\x65\x83\x58\x83\x67.c", true, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.c"},  // テスト
      {"\x83\x5C\x95\x5C", true, "\xE3\x82\xBD\xE8\xA1\xA8"},  // ソ表: trail byte 0x5C
      {"\xB6\xDF", true, "\xEF\xBD\xB6\xEF\xBE\x9F"},          // half-width ｶﾟ
      {"\x87\x40", true, "\xE2\x91\xA0"},                      // ① (NEC row 13)
      {"\xED\x40\xFA\x40", true, "\xE7\xBA\x8A\xE2\x85\xB0"},  // 纊ⅰ (IBM extensions)
      {"\x81\x5F\x81\x60", true, "\xEF\xBC\xBC\xEF\xBD\x9E"},  // ＼～ as Windows maps them
      {"\xF0\x40", true, "\xEE\x80\x80"},                      // user-defined: U+E000
      {"\xEA\xA4", true, "\xE7\x86\x99"},                      // 熙, the last of JIS X 0208
      {"", true, ""},
      {"ab\x83", false, ""},      // lead byte at the end
      {"\x83\x7F", false, ""},    // 0x7F is no trail byte
      {"\x85\x40", false, ""},    // a row the code page leaves empty
      {"\xEB\x40", false, ""},
      {"\x80", false, ""},
      {"\xA0", false, ""},
      {"\xFD", false, ""},
      {"\xE3\x81\x82", false, ""},  // あ in UTF-8
  };
  for (const Case& c : cases) {
    std::string out = "<";
    EXPECT_EQ(AppendCp932AsUtf8(out, c.in), c.valid) << c.in;
    EXPECT_EQ(out, "<" + c.out) << c.in;
  }
}

}  // namespace
