#include "platform/text/terminal_escape.h"

#include <gtest/gtest.h>

namespace {

TEST(EscapedForTerminal, EscapesControlsAndKeepsTheCharactersOfEachEncoding) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"a\\b\n\t\r\x1b[31m\x7f", "a\\\\b\\n\\t\\r\\x1b[31m\\x7f"},
      // C1 controls, raw and as UTF-8.
      {"\x9b" "1m", "\\x9b1m"},
      {"\x80", "\\x80"},
      {"x\x8e", "x\\x8e"},
      {"\xc2\x85.c", "\\xc2\\x85.c"},
      {"\xc2\x9b" "2J", "\\xc2\\x9b2J"},
      {"\xc2\x80", "\\xc2\\x80"},
      // Shift-JIS: テ, 表 (95 5C), a trail byte 0x80 (E0 80), ﾂ before a pair
      // whose lead is 0x81, and a pair taken from the start (83 81, then 81
      // alone).
      {"\x83\x65\x95\x5c", "\x83\x65\x95\\\\"},  // the second byte 0x5C as any backslash
      {"\xe0\x80.c", "\xe0\x80.c"},
      {"\xc2\x81\x40", "\xc2\x81\x40"},
      {"\x83\x81\x81.c", "\x83\x81\\x81.c"},
      // EUC-JP: half-width ｱ (8E B1), a JIS X 0212 character (8F B0 A1).
      {"\x8e\xb1/\x8f\xb0\xa1.c", "\x8e\xb1/\x8f\xb0\xa1.c"},
      // UTF-8: テスト.c, whose last trail byte 0x88 comes before '.'; an em
      // dash (E2 80 94) at the end; a no-break space (C2 A0).
      {"\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.c", "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.c"},
      {"a\xe2\x80\x94", "a\xe2\x80\x94"},
      {"\xc2\xa0\xff\xfe", "\xc2\xa0\xff\xfe"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapedForTerminal(c.in), c.out) << c.in;
}

}  // namespace
