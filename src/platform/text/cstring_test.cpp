#include "platform/text/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CString, HoldsZeroBytesAsOrdinaryBytes) {
  CString s("a\0b(", 4);
  EXPECT_EQ(s.GetLength(), 4);
  EXPECT_EQ(s.Find('('), 3);
  EXPECT_EQ(s.Find(CString("\0b", 2)), 1);
}

TEST(CString, FindIsCharacterAware) {
  CString s("\x83\x7B{");  // ボ then "{"
  EXPECT_EQ(s.Find('{'), 2);
  EXPECT_EQ(s.Find("{", 2), 2);
  EXPECT_EQ(CString("abc").Find("zz"), -1);
}

TEST(CString, SubstringsClampOutOfRangeCounts) {
  CString s("hello");
  EXPECT_EQ(s.Left(99), CString("hello"));
  EXPECT_EQ(s.Left(-1), CString(""));
  EXPECT_EQ(s.Mid(9), CString(""));
  EXPECT_EQ(s.Mid(4, 9), CString("o"));
  EXPECT_EQ(s.Right(9), CString("hello"));
}

}  // namespace
