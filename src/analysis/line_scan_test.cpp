#include <gtest/gtest.h>

#include <string>

#include "analysis/classic_rules.h"

namespace {

// What the comment passes make of one line: the line as CutLineComment
// leaves it ("dropped" when it goes), then the marks the block-comment pass
// looks for in the original line.
std::string Seen(const char* text) {
  CString line(text);
  std::string out = CClassicRules::CutLineComment(line) ? line.str() : "dropped";
  if (!CClassicRules::LacksCommentOpen(text)) out += " /*";
  if (!CClassicRules::LacksCommentClose(text)) out += " */";
  if (CClassicRules::HasBracket(text)) out += " bracket";
  return out;
}

TEST(CommentPasses, CutLineCommentsAndSeeMarkersAndBracketsOnlyOutsideDoubleByteCharacters) {
  struct Case {
    const char *line, *seen;
  } cases[] = {
      // A line comment is cut when a letter, digit or "_" stands before it,
      // and the line is dropped when none does.
      {"a//b\n", "a\r\n"},
      {"  \t// indented\n", "dropped"},
      {"} // end\n", "dropped bracket"},
      {"); // end\n", "dropped bracket"},
      {"s = \"http://x\";\n", "s = \"http:\r\n"},  // quotes hide nothing
      {"f(\n", "f(\n bracket"},
      {"{\n", "{\n bracket"},
      {"a = 1; /* open\n", "a = 1; /* open\n /*"},
      {"close */ b = f();\n", "close */ b = f();\n */ bracket"},
      {"/*/\n", "/*/\n /* */"},
      {"*/ then /*\n", "*/ then /*\n /* */"},
      // The second byte of a double-byte character is no mark: ア (83 41)
      // ends in "A", あ (82 A0) in no ASCII byte, ボ (83 7B) in "{", マ
      // (83 7D) in "}", and a lead byte pairs with a "/" too.
      {"\x83\x41// kana\n", "\x83\x41\r\n"},
      {"\x82\xA0// kana\n", "dropped"},
      {"\x83\x7B\n", "\x83\x7B\n"},
      {"\x83\x7D}\n", "\x83\x7D}\n bracket"},
      {"a\x81///x\n", "a\x81/\r\n"},
      {"\x81/* hidden\n", "\x81/* hidden\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Seen(c.line), c.seen);
  }
}

}  // namespace
