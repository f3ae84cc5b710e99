#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis_engine.h"

namespace {

// The name GetFunctionName takes before the first "(" of text, or "(none)".
std::string NameBefore(const std::string& text) {
  NameBuffer out = "(none)";
  CString t(text);
  CAnalysisEngine::GetFunctionName(t, out, t.Find('('));
  return out;
}

TEST(GetFunctionName, TakesTheNameThatEndsNearestBeforeTheParenthesis) {
  struct Case {
    const char* text;
    const char* name;
  } cases[] = {
      {"y = obj.Draw(dc);", "Draw"},
      {"p->Move (x, y);", "Move"},
      {"p->Move \t(x);", "Move"},
      {"CShape::Reset(x);", "CShape::Reset"},
      {"CShape::~CShape(", "CShape::~CShape"},
      {"::GetTickCount(", "::GetTickCount"},
      {"case 2: (x);", "2:"},
      {"f((x));", "f"},
      {"x = (y)(z);", "(none)"},
      {"(", "(none)"},
      {"f\n(x);", "(none)"},
      {"\x8A\xD6\x90\x94" "A(x)", "(none)"},       // 関数A: "A" follows a high byte
      {"x\x8A\xD6\x90\x94" "Draw(y)", "raw"},      // the "D" is a second byte
  };
  for (const auto& c : cases) EXPECT_EQ(NameBefore(c.text), c.name) << c.text;
  // A zero byte is any other byte: it ends the name.
  EXPECT_EQ(NameBefore(std::string("a\0f(x)", 6)), "f");
}

TEST(GetFunctionName, LeavesTheBufferAsItWasWhenThereIsNoName) {
  NameBuffer out = "previous";
  EXPECT_FALSE(CAnalysisEngine::GetFunctionName(CString("= (x)"), out, 2));
  EXPECT_STREQ(out, "previous");
}

TEST(IsCallName, ExcludesExactlyTheEightControlWords) {
  for (const char* word : {"for", "while", "if", "switch", "return", "exit", "sizeof", ":"})
    EXPECT_FALSE(CAnalysisEngine::IsCallName(word)) << word;
  for (const char* name : {"fork", "exit_all", "IF", "::", "printf", "2:"})
    EXPECT_TRUE(CAnalysisEngine::IsCallName(name)) << name;
}

// The call list of a current function after the given statements.
std::vector<std::string> CallsOf(const std::vector<std::string>& statements) {
  CAnalysisEngine e;
  e.ResetFunctionTable();
  e.AddFunction("cur");
  NameBuffer name;
  for (const auto& s : statements) e.ExtractCalls(CString(s), name);
  std::vector<std::string> calls;
  for (const CString& c : e.GetCallList(0)) calls.push_back(c.str());
  return calls;
}

using V = std::vector<std::string>;

TEST(ExtractCalls, CollectsEachCalledNameOnceInOrderOfFirstAppearance) {
  EXPECT_EQ(CallsOf({"if (f(x))"}), V{"f"});
  EXPECT_EQ(CallsOf({"b(); a(); b(a(1));"}), (V{"b", "a"}));
  EXPECT_EQ(CallsOf({"g(1);", "h(2);", "g(3);"}), (V{"g", "h"}));
  EXPECT_EQ(CallsOf({"x = a ? b : (c);", "exit(1);", "n = sizeof(buf);"}), V{});
  EXPECT_EQ(CallsOf({"case 2: (x);"}), V{"2:"});
  EXPECT_EQ(CallsOf({"x = f\n(a);"}), V{});
  EXPECT_EQ(CallsOf({"Draw(x);", "draw(x);"}), (V{"Draw", "draw"}));
}

TEST(ExtractCalls, SkipsParenthesesHiddenInDoubleByteCharacters) {
  // 0x81 0x28 is one (unassigned) character: its "(" is no call.
  EXPECT_EQ(CallsOf({"x\x81(y); z(1);"}), V{"z"});
}

TEST(ExtractCalls, KeepsSeparateListsPerFunctionAndNothingBeforeTheFirst) {
  CAnalysisEngine e;
  e.ResetFunctionTable();
  NameBuffer name;
  e.ExtractCalls("early();", name);
  e.AddFunction("one");
  e.ExtractCalls("shared(); a();", name);
  e.AddFunction("two");
  e.ExtractCalls("shared();", name);
  ASSERT_EQ(e.GetFunctionCount(), 2);
  EXPECT_EQ(e.GetCallList(0).GetCount(), 2);
  EXPECT_EQ(e.GetCallList(0).GetAt(e.GetCallList(0).GetHeadPosition()), CString("shared"));
  EXPECT_EQ(e.GetCallList(1).GetCount(), 1);
  EXPECT_EQ(e.GetCurrentFunction(), 1);
}

}  // namespace
