#include <gtest/gtest.h>

#include "analysis/analysis_engine.h"

namespace {

TEST(CutLineComment, KeepsCodeBeforeTheCommentAndDropsCommentOnlyLines) {
  struct Case {
    const char* line;
    BOOL kept;
    const char* after;
  } cases[] = {
      {"x = f(); // call f\n", TRUE, "x = f(); \r\n"},
      {"a//b\n", TRUE, "a\r\n"},
      {"no comment (here)\n", TRUE, "no comment (here)\n"},
      {"// whole line\n", FALSE, "// whole line\n"},
      {"  \t// indented\n", FALSE, "  \t// indented\n"},
      {"} // end\n", FALSE, "} // end\n"},
      {"); // end\n", FALSE, "); // end\n"},
      // A "//" in quotes is a comment marker all the same.
      {"s = \"http://x\";\n", TRUE, "s = \"http:\r\n"},
      // Second bytes: ア (83 41) has "A" as its second byte, あ (82 A0) none.
      {"\x83\x41// kana\n", TRUE, "\x83\x41\r\n"},
      {"\x82\xA0// kana\n", FALSE, "\x82\xA0// kana\n"},
      // A "/" hidden behind a lead byte does not start a comment.
      {"a\x81///x\n", TRUE, "a\x81/\r\n"},
  };
  for (const auto& c : cases) {
    CString line(c.line);
    EXPECT_EQ(CAnalysisEngine::CutLineComment(line), c.kept) << c.line;
    EXPECT_EQ(line, CString(c.after)) << c.line;
  }
}

TEST(CommentMarkers, TellWhetherALineOpensOrClosesABlockComment) {
  struct Case {
    const char* line;
    BOOL lacksOpen, lacksClose;
  } cases[] = {
      {"int x;\n", TRUE, TRUE},
      {"a = 1; /* open\n", FALSE, TRUE},
      {"close */ b = f();\n", TRUE, FALSE},
      {"/*/\n", FALSE, FALSE},  // slash, star, slash holds both
      {"*/ then /*\n", FALSE, FALSE},
      {"\x81/* hidden\n", TRUE, TRUE},  // "/" is a second byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CAnalysisEngine::LacksCommentOpen(c.line), c.lacksOpen) << c.line;
    EXPECT_EQ(CAnalysisEngine::LacksCommentClose(c.line), c.lacksClose) << c.line;
  }
}

TEST(HasBracket, LooksForAnyBracketOutsideDoubleByteCharacters) {
  struct Case {
    const char* line;
    BOOL has;
  } cases[] = {
      {"int x;\n", FALSE}, {"else\n", FALSE}, {"\n", FALSE},   {"", FALSE},
      {"f(x);\n", TRUE},   {"{\n", TRUE},     {"}\n", TRUE},   {")\n", TRUE},
      {"\x83\x7B\n", FALSE},  // ボ
      {"\x83\x7D\n", FALSE},  // マ
      {"\x83\x7D}\n", TRUE},
  };
  for (const auto& c : cases) EXPECT_EQ(CAnalysisEngine::HasBracket(c.line), c.has) << c.line;
}

}  // namespace
