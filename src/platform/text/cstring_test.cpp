#include "platform/text/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CString, HasValueSemantics) {
  CString a("abc");
  CString b = a;
  b += "d";
  EXPECT_EQ(a, CString("abc"));
  EXPECT_EQ(b, CString("abcd"));
  EXPECT_EQ("<" + a + ">" + b, CString("<abc>abcd"));
}

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
  EXPECT_EQ(s.Left(2), CString("he"));
  EXPECT_EQ(s.Left(99), CString("hello"));
  EXPECT_EQ(s.Left(-1), CString(""));
  EXPECT_EQ(s.Mid(3), CString("lo"));
  EXPECT_EQ(s.Mid(9), CString(""));
  EXPECT_EQ(s.Mid(1, 3), CString("ell"));
  EXPECT_EQ(s.Mid(4, 9), CString("o"));
  EXPECT_EQ(s.Right(2), CString("lo"));
  EXPECT_EQ(s.Right(9), CString("hello"));
  s.Truncate(1);
  EXPECT_EQ(s, CString("h"));
}

}  // namespace
