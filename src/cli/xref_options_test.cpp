#include "cli/xref_options.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

std::string Describe(const XrefOptions& o) {
  switch (o.action) {
    case XrefOptions::kHelp:
      return "help";
    case XrefOptions::kUsageError:
      return "error: " + o.error;
    case XrefOptions::kRun:
      break;
  }
  std::string s = "run ext=" + o.extension;
  for (const auto& f : o.files) s += " [" + f + "]";
  return s;
}

TEST(XrefOptions, ReadsOptionsLeftToRightUntilTheFirstFile) {
  struct Case {
    Args args;
    const char* expected;
  } cases[] = {
      {{"a.c"}, "run ext=fnc [a.c]"},
      {{"--ext", "txt", "a.c", "b.cpp"}, "run ext=txt [a.c] [b.cpp]"},
      {{"--ext=T1", "a.c"}, "run ext=T1 [a.c]"},
      {{"--ext=txt", "--ext", "abc", "a.c"}, "run ext=abc [a.c]"},
      {{"--", "-x.c", "--help"}, "run ext=fnc [-x.c] [--help]"},
      {{"a.c", "--ext", "txt"}, "run ext=fnc [a.c] [--ext] [txt]"},
      {{"--help", "--bogus"}, "help"},
      {{"--ext", "txt", "--help"}, "help"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(ParseXrefOptions(c.args)), c.expected);
}

TEST(XrefOptions, RefusesBadExtensionsUnknownOptionsAndMissingFiles) {
  struct Case {
    Args args;
    const char* expected;
  } cases[] = {
      {{}, "error: no FILE given"},
      {{"--ext", "txt"}, "error: no FILE given"},
      {{"--"}, "error: no FILE given"},
      {{"--ext"}, "error: --ext needs a value"},
      {{"--ext=", "a.c"}, "error: bad extension '': 1 to 3 ASCII letters or digits"},
      {{"--ext=abcd", "a.c"}, "error: bad extension 'abcd': 1 to 3 ASCII letters or digits"},
      {{"--ext=a.b", "a.c"}, "error: bad extension 'a.b': 1 to 3 ASCII letters or digits"},
      {{"--ext", "\xE3\x81\x82", "a.c"},
       "error: bad extension '\xE3\x81\x82': 1 to 3 ASCII letters or digits"},
      {{"-v", "a.c"}, "error: unknown option -v"},
      {{"-", "a.c"}, "error: unknown option -"},
      {{"--bogus", "--help"}, "error: unknown option --bogus"},
      {{"a.c", "b\nc.c"}, "error: a FILE holds a line feed"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(ParseXrefOptions(c.args)), c.expected);
}

TEST(XrefOptions, MakesRelativeFilesFullPathsWithoutNormalising) {
  EXPECT_EQ(AbsoluteXrefPath("a.c", "/home/u"), "/home/u/a.c");
  EXPECT_EQ(AbsoluteXrefPath("../x/./a.c", "/home/u"), "/home/u/../x/./a.c");
  EXPECT_EQ(AbsoluteXrefPath("a.c", "/"), "/a.c");
  EXPECT_EQ(AbsoluteXrefPath("/abs/a.c", "/home/u"), "/abs/a.c");
}

}  // namespace
