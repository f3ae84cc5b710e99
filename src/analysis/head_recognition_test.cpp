#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis_engine.h"

namespace {

struct Outcome {
  BOOL consumed;
  std::vector<std::string> entries;  // names recorded
  std::vector<std::string> calls;    // names collected after FALSE
  bool operator==(const Outcome& o) const {
    return consumed == o.consumed && entries == o.entries && calls == o.calls;
  }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << (o.consumed ? "TRUE" : "FALSE") << " entries:";
  for (const auto& e : o.entries) os << " " << e;
  os << " calls:";
  for (const auto& c : o.calls) os << " " << c;
  return os;
}

// Runs one statement through the statement pass's two steps, inside the
// body of a function "cur" that is already current.
Outcome Recognize(const std::string& statement) {
  CAnalysisEngine e;
  e.ResetFunctionTable();
  e.AddFunction("cur");
  Outcome o;
  CString s(statement);
  o.consumed = e.RecognizeHead(s);
  if (!o.consumed) {
    NameBuffer name;
    e.ExtractCalls(s, name);
  }
  for (int i = 1; i < e.GetFunctionCount(); ++i) o.entries.push_back(e.GetEntryName(i).str());
  for (const CString& c : e.GetCallList(0)) o.calls.push_back(c.str());
  return o;
}

using V = std::vector<std::string>;

TEST(RecognizeHead, RecordsTypedHeadsUnderTheNameBeforeTheirFirstParenthesis) {
  EXPECT_EQ(Recognize("int main(int argc, char *argv[])\n{\n"), (Outcome{TRUE, V{"main"}, {}}));
  EXPECT_EQ(Recognize("int\tmain(void)\n{\n"), (Outcome{TRUE, V{"main"}, {}}));
  EXPECT_EQ(Recognize("void CShape::Move(int dx, int dy)\n{\n"),
            (Outcome{TRUE, V{"CShape::Move"}, {}}));
  EXPECT_EQ(Recognize("    char *p = strchr(s, '{');\n"), (Outcome{TRUE, V{"strchr"}, {}}));
  EXPECT_EQ(Recognize("int table[] = { f(1), g(2) };\n"), (Outcome{TRUE, V{"f"}, {}}));
  EXPECT_EQ(Recognize("void Paint() { Draw(); }\n"), (Outcome{TRUE, V{"Paint"}, {}}));
  EXPECT_EQ(Recognize("unsigned\tlong Hash (const char *s)\n{\n"), (Outcome{TRUE, V{"Hash"}, {}}));
}

TEST(RecognizeHead, ConsumesDeclarationsWithoutRecordingThem) {
  EXPECT_EQ(Recognize("static void Init(void);\n"), (Outcome{TRUE, {}, {}}));
  EXPECT_EQ(Recognize("    int n = strlen(s);\n"), (Outcome{TRUE, {}, {}}));
  EXPECT_EQ(Recognize("    unsigned long t = GetTickCount();\n"), (Outcome{TRUE, {}, {}}));
  EXPECT_EQ(Recognize("    print (x);\n"), (Outcome{TRUE, {}, {}}));  // "print " holds "int "
}

TEST(RecognizeHead, ComparesOnlyTheSpaceFormWithTheFirstParenthesis) {
  // "int " stands after the "(", so the typed rule fails; the untyped rule
  // refuses the qualified name, which is then collected as a call.
  EXPECT_EQ(Recognize("int\tCShape::Move(int dx)\n{\n"), (Outcome{FALSE, {}, V{"CShape::Move"}}));
  EXPECT_EQ(Recognize("    x = (void *)malloc(10);\n"), (Outcome{FALSE, {}, V{"malloc"}}));
}

TEST(RecognizeHead, RecordsUntypedHeadsOnlyForPlainNamesConstructorsAndDestructors) {
  EXPECT_EQ(Recognize("CShape::CShape()\n{\n"), (Outcome{TRUE, V{"CShape::CShape"}, {}}));
  EXPECT_EQ(Recognize("CShape::~CShape()\n{\n"), (Outcome{TRUE, V{"CShape::~CShape"}, {}}));
  EXPECT_EQ(Recognize("LRESULT CALLBACK WndProc(HWND h, UINT m, WPARAM w, LPARAM l)\n{\n"),
            (Outcome{TRUE, V{"WndProc"}, {}}));
  EXPECT_EQ(Recognize("BEGIN_MESSAGE_MAP(CShapeView, CView)\n{}\n"),
            (Outcome{TRUE, V{"BEGIN_MESSAGE_MAP"}, {}}));
  EXPECT_EQ(Recognize("#define SQR(x) ((x)*(x))\nint Area(int w)\n{\n"),
            (Outcome{TRUE, V{"SQR"}, {}}));
  EXPECT_EQ(Recognize("Draw(x) {\n"), (Outcome{TRUE, V{"Draw"}, {}}));
  EXPECT_EQ(Recognize("Draw(x); {\n"), (Outcome{TRUE, V{"Draw"}, {}}));
  EXPECT_EQ(Recognize("LRESULT CShape::WindowProc(UINT m, WPARAM w, LPARAM l)\n{\n"),
            (Outcome{FALSE, {}, V{"CShape::WindowProc"}}));
  EXPECT_EQ(Recognize("CShape::CShape(BOOL bShow)\n{\n"), (Outcome{FALSE, {}, V{"CShape::CShape"}}));
}

TEST(RecognizeHead, RefusesControlWordsAndBracesBeforeTheParenthesis) {
  EXPECT_EQ(Recognize("if (x) {\n"), (Outcome{FALSE, {}, {}}));
  EXPECT_EQ(Recognize("} else {\n"), (Outcome{FALSE, {}, {}}));
  EXPECT_EQ(Recognize("    if (ok) { int n = f(x); }\n"), (Outcome{FALSE, {}, V{"f"}}));
  EXPECT_EQ(Recognize("struct POINT { int x; };\n"), (Outcome{FALSE, {}, {}}));
  EXPECT_EQ(Recognize("{ Draw(x);\n"), (Outcome{FALSE, {}, V{"Draw"}}));
  EXPECT_EQ(Recognize("while (n--) {\n"), (Outcome{FALSE, {}, {}}));
}

TEST(RecognizeHead, NeverReusesAnEarlierNameForAHeadWithoutOne) {
  // "=" stands right before the "(": a typed head without a name is
  // consumed, an untyped one is no head.
  EXPECT_EQ(Recognize("BOOL CShape::operator==(const CShape& o)\n{\n"), (Outcome{TRUE, {}, {}}));
  EXPECT_EQ(Recognize("x = (a + b) {\n"), (Outcome{FALSE, {}, {}}));
  CAnalysisEngine e;
  e.ResetFunctionTable();
  EXPECT_TRUE(e.RecognizeHead("void First(void)\n{\n"));
  EXPECT_TRUE(e.RecognizeHead("BOOL CShape::operator==(const CShape& o)\n{\n"));
  EXPECT_EQ(e.GetFunctionCount(), 1);
}

TEST(RecognizeHead, CutsALongNameToItsFirst63Bytes) {
  std::string name(100, 'n');
  name.replace(0, 5, "Begin");
  Outcome o = Recognize("void " + name + "(void)\n{\n");
  ASSERT_EQ(o.entries.size(), 1u);
  EXPECT_EQ(o.entries[0], name.substr(0, 63));
}

}  // namespace
