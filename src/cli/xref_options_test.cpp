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
  for (const auto& l : o.lists) s += " list=" + l;
  if (o.nullSeparated) s += " null";
  if (o.recursive) s += " recursive";
  if (o.quiet) s += " quiet";
  if (o.format != XrefOptions::kText) s += o.format == XrefOptions::kJson ? " json" : " dot";
  if (o.callers) s += " callers=" + *o.callers;
  if (o.callees) s += " callees=" + *o.callees;
  if (o.reports) s += " reports";
  if (o.force) s += " force";
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
      {{"-L", "a.lst", "--files-from=-", "-0"}, "run ext=fnc list=a.lst list=- null"},
      {{"-L", "-", "a.c"}, "run ext=fnc list=- [a.c]"},
      {{"-R", "-q", "--format", "json", "src"}, "run ext=fnc recursive quiet json [src]"},
      {{"--recursive", "--quiet", "--format=dot", "--format=text", "src"},
       "run ext=fnc recursive quiet [src]"},
      {{"--callers", "f", "--callers=g", "a.c"}, "run ext=fnc callers=g [a.c]"},
      {{"--callees=C::~C", "a.c"}, "run ext=fnc callees=C::~C [a.c]"},
      {{"--reports", "--force", "a.c"}, "run ext=fnc reports force [a.c]"},
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
      {{"-L"}, "error: --files-from needs a LIST"},
      {{"--files-from=", "a.c"}, "error: --files-from needs a LIST"},
      {{"-0", "a.c"}, "error: --null goes only with --files-from"},
      {{"-R"}, "error: no FILE given"},
      {{"--format=xml", "a.c"}, "error: bad format 'xml': text, json or dot"},
      {{"--callers", "f", "--callees", "g", "a.c"}, "error: --callers and --callees do not go together"},
      {{"--callees="}, "error: --callees needs a NAME"},
      {{"--force", "a.c"}, "error: --force goes only with --reports"},
      {{"-Rq", "a.c"}, "error: unknown option -Rq"},
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
