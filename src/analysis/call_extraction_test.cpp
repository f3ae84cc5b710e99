#include <gtest/gtest.h>

#include <string>

#include "analysis/classic_rules.h"

namespace {

TEST(GetFunctionName, TakesTheNameThatEndsNearestBeforeTheParenthesis) {
  struct Case {
    std::string text;
    const char* name;  // "FALSE (none)": none, and the buffer left as it was
  } cases[] = {
      {"y = obj.Draw(dc);", "Draw"},
      {"p->Move \t(x);", "Move"},
      {"CShape::~CShape(", "CShape::~CShape"},
      {"::GetTickCount(", "::GetTickCount"},
      {"f((x));", "f"},
      {std::string("a\0f(x)", 6), "f"},  // a zero byte is any other byte
      {"x = (y)(z);", "FALSE (none)"},
      {"(", "FALSE (none)"},
      {"f\n(x);", "FALSE (none)"},
      {"\x8A\xD6\x90\x94" "A(x)", "FALSE (none)"},  // 関数A: "A" is a second byte
      {"x\x8A\xD6\x90\x94" "Draw(y)", "raw"},       // so is the "D"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    NameBuffer out = "(none)";
    CString text(c.text);
    BOOL found = CClassicRules::GetFunctionName(text, out, text.Find('('));
    EXPECT_EQ((found ? "" : "FALSE ") + std::string(out), c.name);
  }
}

}  // namespace
