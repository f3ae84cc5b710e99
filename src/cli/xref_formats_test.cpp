#include "cli/xref_formats.h"

#include <gtest/gtest.h>

namespace {

TEST(XrefUtf8, ReplacesEachMaximalPartOfABadSequenceOnce) {
  const std::string R = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string in, out;
  } cases[] = {
      {"\xE3\x81\x82 \xF0\x9F\x98\x80", "\xE3\x81\x82 \xF0\x9F\x98\x80"},  // valid 3 and 4 bytes
      {"\x83\x65\x83\x58", R + "e" + R + "X"},          // Shift-JIS
      {"\xE3\x81", R},                                   // cut short at the end
      {"\xE3\x81x", R + "x"},                            // cut short
      {"\xC0\xAF", R + R},                               // overlong
      {"\xED\xA0\x80", R + R + R},                       // surrogate
      {"\xF4\x90\x80\x80", R + R + R + R},               // above U+10FFFF
      {"\xFF", R},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendUtf8(out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
    EXPECT_EQ(IsUtf8(c.in), c.in == c.out) << c.in;
  }
}

}  // namespace
