#include "cli/xref_options.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const XrefOptions& o) {
  if (o.action != XrefOptions::kRun)
    return o.action == XrefOptions::kHelp ? "help" : "error: " + o.error;
  const char* formats[] = {"", " json", " dot"};
  std::string s = "run ext=" + o.extension + formats[o.format];
  for (const auto& l : o.lists) s += " list=" + l;
  s += std::string(o.nullSeparated ? " null" : "") + (o.recursive ? " recursive" : "") +
       (o.quiet ? " quiet" : "") + (o.reports ? " reports" : "") + (o.force ? " force" : "");
  if (o.callers) s += " callers=" + *o.callers;
  if (o.callees) s += " callees=" + *o.callees;
  for (const auto& f : o.files) s += " [" + f + "]";
  return s;
}

// More cases, with the exit status and the messages, are in xref_test.cpp.
TEST(XrefOptions, ReadsOptionsLeftToRightUntilTheFirstFileAndRefusesWhatItCannotTake) {
  struct Case {
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {{"--ext", "txt", "a.c", "b.cpp"}, "run ext=txt [a.c] [b.cpp]"},
      {{"--ext=T1", "a.c"}, "run ext=T1 [a.c]"},
      {{"--", "-x.c", "--help"}, "run ext=fnc [-x.c] [--help]"},
      {{"a.c", "--ext", "txt"}, "run ext=fnc [a.c] [--ext] [txt]"},
      {{"--help", "--bogus"}, "help"},
      {{"--ext", "txt", "--help"}, "help"},
      {{"-L", "a.lst", "--files-from=-", "-0"}, "run ext=fnc list=a.lst list=- null"},
      {{"-R", "-q", "--format", "json", "src"}, "run ext=fnc json recursive quiet [src]"},
      {{"--recursive", "--quiet", "--format=dot", "--format=text", "src"},
       "run ext=fnc recursive quiet [src]"},
      {{"--callers", "f", "--callers=g", "a.c"}, "run ext=fnc callers=g [a.c]"},
      {{"--callees=C::~C", "a.c"}, "run ext=fnc callees=C::~C [a.c]"},
      {{"--"}, "error: no FILE given"},
      {{"--ext"}, "error: --ext needs a value"},
      {{"--ext=", "a.c"}, "error: bad extension '': 1 to 3 ASCII letters or digits"},
      {{"--ext=abcd", "a.c"}, "error: bad extension 'abcd': 1 to 3 ASCII letters or digits"},
      {{"--ext=a.b", "a.c"}, "error: bad extension 'a.b': 1 to 3 ASCII letters or digits"},
      {{"--ext", "\xE3\x81\x82", "a.c"},
       "error: bad extension '\xE3\x81\x82': 1 to 3 ASCII letters or digits"},
      {{"-v", "a.c"}, "error: unknown option -v"},
      {{"-", "a.c"}, "error: unknown option -"},
      {{"-Rq", "a.c"}, "error: unknown option -Rq"},
      {{"--bogus", "--help"}, "error: unknown option --bogus"},
      {{"a.c", "b\nc.c"}, "error: a FILE holds a line feed"},
      {{"-L"}, "error: --files-from needs a LIST"},
      {{"--files-from=", "a.c"}, "error: --files-from needs a LIST"},
      {{"-0", "a.c"}, "error: --null goes only with --files-from"},
      {{"--format=xml", "a.c"}, "error: bad format 'xml': text, json or dot"},
      {{"--callees="}, "error: --callees needs a NAME"},
      {{"--force", "a.c"}, "error: --force goes only with --reports"},
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
