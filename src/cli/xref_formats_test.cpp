#include "cli/xref_formats.h"

#include <gtest/gtest.h>

namespace {

TEST(XrefUtf8, ReplacesEachMaximalPartOfABadSequenceOnce) {
  const std::string R = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string in, out;
  } cases[] = {
      {"\xE3\x81\x82 \xF0\x9F\x98\x80", "\xE3\x81\x82 \xF0\x9F\x98\x80"},  // valid 3 and 4 bytes
      {"\x83\x65\x83\x58", R + "e" + R + "X"},          // Shift-JIS
      {"\xE3\x81", R},                                   // cut short at the end
      {"\xE3\x81x", R + "x"},                            // cut short
      {"\xC0\xAF", R + R},                               // overlong
      {"\xED\xA0\x80", R + R + R},                       // surrogate
      {"\xF4\x90\x80\x80", R + R + R + R},               // above U+10FFFF
      {"\xFF", R},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendUtf8(out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
    EXPECT_EQ(IsUtf8(c.in), c.in == c.out) << c.in;
  }
}

// Both ways round: the name asked and a function's or a call's name.
TEST(XrefSelection, MatchesNamesExactlyOrUnderTheSyntaxRulesByTheirLastPart) {
  struct Case {
    const char* asked;
    const char* other;
    bool exact, lastPart;  // whether they match with lastPart false, true
  } cases[] = {
      {"Add", "Add", true, true},
      {"Add", "CComboData::Add", false, true},
      {"CComboData::Add", "Add", false, true},
      {"Add", "ns::CComboData::Add", false, true},
      {"close", "::close", false, true},
      {"A::Add", "B::Add", false, false},     // two scopes
      {"C::f", "ns::C::f", false, false},     // a part of the scope is not the name
      {"Add", "CComboData:Add", false, false},
      {"Add", "XAdd", false, false},
      {"Add", "C::XAdd", false, false},
      {"add", "C::Add", false, false},
      {"operator==", "C::operator==", false, true},
  };
  for (const auto& c : cases) {
    XrefSelection sel;
    sel.name = c.asked;
    EXPECT_EQ(sel.Matches(c.other), c.exact) << c.asked << " " << c.other;
    sel.lastPart = true;
    EXPECT_EQ(sel.Matches(c.other), c.lastPart) << c.asked << " " << c.other;
  }
}

TEST(XrefPaths, AreWrittenRelativeToTheFolderOnlyWhenBelowIt) {
  struct Case {
    const char* path;
    const char* folder;
    const char* shown;
  } cases[] = {
      {"/src/a.c", "/src", "a.c"},
      {"/src/sub/./a.c", "/src", "sub/./a.c"},
      {"/src/a.c", "/", "src/a.c"},
      {"/src/a.c", "", "/src/a.c"},
      {"/src2/a.c", "/src", "/src2/a.c"},           // a name that only begins alike
      {"/src", "/src", "/src"},
      {"/src/../etc/a.c", "/src", "/src/../etc/a.c"},  // leaves the folder
      {"/src/x/../a.c", "/src", "/src/x/../a.c"},
      {"/src/..a.c", "/src", "..a.c"},
      {"/other/a.c", "/src", "/other/a.c"},
      {"/src/\x83\x5C.c", "/src", "\x83\x5C.c"},    // bytes as they are
  };
  for (const Case& c : cases) EXPECT_EQ(ShownPath(c.path, c.folder), c.shown) << c.path;
}

TEST(XrefPaths, ShowCp932PathsDecodedAndOthersNotAtAll) {
  struct Case {
    std::string path;
    bool decoded;
    std::string shown;
  } cases[] = {
      {"/s/a.c", true, "/s/a.c"},
      {"/s/\xE3\x81\x82.c", true, "/s/\xE3\x81\x82.c"},                           // UTF-8 あ
      {"/s/\x83\x65\x83\x58\x83\x67.c", true, "/s/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.c"},  // テスト
      {"/s/\xFF.c", false, ""},
  };
  for (const Case& c : cases) {
    std::string shown = "old";
    EXPECT_EQ(DecodedPath(c.path, &shown), c.decoded) << c.path;
    EXPECT_EQ(shown, c.shown) << c.path;
  }
}

}  // namespace
