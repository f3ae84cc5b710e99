#include "platform/text/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CString, FindsWholeCharactersOnlyAndHoldsZeroBytesAsOrdinaryBytes) {
  CString s("a\0\x83\x7B{", 5);  // "a", NUL, ボ (83 7B: its second byte is "{"), "{"
  EXPECT_EQ(s.GetLength(), 5);
  EXPECT_EQ(s.Find('{'), 4);
  EXPECT_EQ(s.Find('{', 4), 4);
  EXPECT_EQ(s.Find(CString("\0\x83", 2), 0, TextEncoding::kCp932), 1);
  EXPECT_EQ(s.Find(CString("zz"), 0, TextEncoding::kCp932), -1);
}

TEST(CString, SubstringsClampOutOfRangeCounts) {
  CString s("hello");
  EXPECT_EQ(s.Left(99), CString("hello"));
  EXPECT_EQ(s.Left(-1), CString(""));
  EXPECT_EQ(s.Mid(9), CString(""));
  EXPECT_EQ(s.Mid(4, 9), CString("o"));
}

}  // namespace
