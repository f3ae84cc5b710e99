#include "platform/text/string_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CStringList, KeepsStringsInOrderAndFindsTheFirstExactlyEqualOne) {
  CStringList list;
  for (const char* s : {"Drawing", "draw", "Draw", "draw"}) list.AddTail(s);
  std::vector<CString> walked;
  for (POSITION pos = list.GetHeadPosition(); pos;) walked.push_back(list.GetNext(pos));
  EXPECT_EQ(walked, (std::vector<CString>{"Drawing", "draw", "Draw", "draw"}));
  EXPECT_EQ(list.Find("draw"), POSITION(2));
  EXPECT_EQ(list.GetAt(list.Find("Draw")), CString("Draw"));
  EXPECT_EQ(list.Find("DRAW"), POSITION(0));
  EXPECT_EQ(list.Find("Drawin"), POSITION(0));
}

}  // namespace
