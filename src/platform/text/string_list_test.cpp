#include "platform/text/string_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<CString> Walk(const CStringList& list) {
  std::vector<CString> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos));
  return out;
}

TEST(CStringList, KeepsStringsInTheOrderTheyWereAdded) {
  CStringList list;
  list.AddTail("b");
  list.AddTail("a");
  list.AddTail("b");
  EXPECT_EQ(Walk(list), (std::vector<CString>{"b", "a", "b"}));
  EXPECT_EQ(list.GetCount(), 3);
}

TEST(CStringList, FindsTheFirstExactlyEqualString) {
  CStringList list;
  list.AddTail("Draw");
  list.AddTail("draw");
  POSITION pos = list.Find("draw");
  ASSERT_NE(pos, POSITION(0));
  EXPECT_EQ(list.GetAt(pos), CString("draw"));
  EXPECT_EQ(list.Find("DRAW"), POSITION(0));
}

}  // namespace
