#include <gtest/gtest.h>

#include <string>

#include "tests/classic_run.h"

namespace {

// The statement pass's two steps on one statement met in the body of a
// function "cur": "TRUE" and the entry recorded when RecognizeHead consumes
// it, else "FALSE" and the calls ExtractCalls collects for cur.
std::string Steps(const char* statement) {
  ClassicRun run;
  CClassicRules& e = run.Rules();
  e.AddFunction("cur");
  const BOOL consumed = e.RecognizeHead(statement);
  NameBuffer name;
  if (!consumed) e.ExtractCalls(statement, name);
  std::string out = consumed ? "TRUE" : "FALSE";
  const CFunctionTable& t = run.GetTable();
  for (int i = 1; i < t.GetFunctionCount(); ++i) out += " " + std::string(t.GetEntryName(i));
  for (const CString& call : t.GetCallList(0)) out += " " + call.str();
  return out;
}

TEST(StatementPass, RecordsHeadsDropsDeclarationsAndCollectsTheCallsOfTheRest) {
  struct Case {
    const char *statement, *steps;
  } cases[] = {
      // A typed head: a keyword and a blank, whose space form (if any)
      // stands before the first "(", then "(", ")" and for a head "{".
      {"int main(int argc, char *argv[])\n{\n", "TRUE main"},
      {"int\tmain(void)\n{\n", "TRUE main"},
      {"void CShape::Move(int dx, int dy)\n{\n", "TRUE CShape::Move"},
      {"void Paint() { Draw(); }\n", "TRUE Paint"},
      {"    char *p = strchr(s, '{');\n", "TRUE strchr"},
      {"int table[] = { f(1), g(2) };\n", "TRUE f"},
      {"    int n = strlen(s);\n", "TRUE"},
      {"    print (x);\n", "TRUE"},  // "print " holds "int "
      {"BOOL CShape::operator==(const CShape& o)\n{\n", "TRUE"},  // no name, no entry
      {"int\tCShape::Move(int dx)\n{\n", "FALSE CShape::Move"},
      {"    x = (void *)malloc(10);\n", "FALSE malloc"},
      // An untyped head: a plain name, Class::Class or Class::~Class, with
      // a "{" after the first ")" and no "BOOL " anywhere.
      {"CShape::CShape()\n{\n", "TRUE CShape::CShape"},
      {"CShape::~CShape()\n{\n", "TRUE CShape::~CShape"},
      {"LRESULT CALLBACK WndProc(HWND h, UINT m, WPARAM w, LPARAM l)\n{\n", "TRUE WndProc"},
      {"BEGIN_MESSAGE_MAP(CShapeView, CView)\n{}\n", "TRUE BEGIN_MESSAGE_MAP"},
      {"#define SQR(x) ((x)*(x))\nint Area(int w)\n{\n", "TRUE SQR"},
      {"Draw(x); {\n", "TRUE Draw"},
      {"LRESULT CShape::WindowProc(UINT m, WPARAM w, LPARAM l)\n{\n", "FALSE CShape::WindowProc"},
      {"CShape::CShape(BOOL bShow)\n{\n", "FALSE CShape::CShape"},
      {"x = (a + b) {\n", "FALSE"},
      {"if (x) {\n", "FALSE"},
      {"    if (ok) { int n = f(x); }\n", "FALSE f"},
      {"struct POINT { int x; };\n", "FALSE"},
      {"{ Draw(x);\n", "FALSE Draw"},
      // Calls: each name before a "(" once, in order, but for the eight
      // control words; a name ends at a line feed, and a "(" that is the
      // second byte of a character (81 28) is none.
      {"b(); a(); b(a(1)); Draw(x); draw(x);", "FALSE b a Draw draw"},
      {"for (;;) while (x) if (f(x)) switch (y) return (0); exit(1); sizeof(b); x = a ? b : (c);",
       "FALSE f"},
      {"fork(); exit_all(); IF(); :: (x); case 2: (x);", "FALSE fork exit_all IF :: 2:"},
      {"x = f\n(a);", "FALSE"},
      {"x\x81(y); z(1);", "FALSE z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    EXPECT_EQ(Steps(c.statement), c.steps);
  }
}

}  // namespace
