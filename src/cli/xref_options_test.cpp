#include "cli/xref_options.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const XrefOptions& o) {
  if (o.action == XrefOptions::kHelp) return "help";
  if (o.action == XrefOptions::kVersion) return "version";
  if (o.action == XrefOptions::kUsageError) return "error: " + o.error;
  const char* formats[] = {"", " json", " dot", " ctags", " grep"};
  const char* encodings[] = {"", " cp932", " utf-8", " euc-jp"};
  std::string s = "run ext=" + o.extension + formats[o.format] + encodings[static_cast<int>(o.encoding)] +
                  (o.rules == XrefOptions::kClassic ? " classic" : "");
  for (const auto& l : o.lists) s += " list=" + l;
  s += std::string(o.nullSeparated ? " null" : "") + (o.recursive ? " recursive" : "") +
       (o.quiet ? " quiet" : "") + (o.lineNumbers ? " lines" : "") +
       (o.reports ? " reports" : "") + (o.force ? " force" : "");
  if (o.suffixes != std::vector<std::string>{".c", ".cpp", ".C", ".CPP"}) {
    s += " suffixes=";
    for (const auto& x : o.suffixes) s += x;
  }
  if (!o.output.empty()) s += " output=" + o.output;
  if (o.callers) s += " callers=" + *o.callers;
  if (o.callees) s += " callees=" + *o.callees;
  if (o.jobs) s += " jobs=" + std::to_string(o.jobs);
  for (const auto& f : o.files) s += " [" + f + "]";
  return s;
}

// More cases, with the exit status and the messages, are in xref_test.cpp.
TEST(XrefOptions, ReadsOptionsAnywhereLeftToRightAndRefusesWhatItCannotTake) {
  struct Case {
    std::vector<std::string> args;
    const char* expected;
  } cases[] = {
      {{"--ext", "txt", "a.c", "b.cpp"}, "run ext=txt [a.c] [b.cpp]"},
      {{"--ext=T1", "a.c"}, "run ext=T1 [a.c]"},
      {{"--", "-x.c", "--help"}, "run ext=fnc [-x.c] [--help]"},
      {{"a.c", "--ext", "txt", "b.c", "-n"}, "run ext=txt lines [a.c] [b.c]"},
      {{"-R", "src", "--callers=f", "--", "-q"}, "run ext=fnc recursive callers=f [src] [-q]"},
      {{"--help", "--bogus"}, "help"},
      {{"--ext", "txt", "a.c", "-h"}, "help"},
      {{"a.c", "--version", "--bogus"}, "version"},
      {{"--format=ctags", "-o", "tags", "a.c"}, "run ext=fnc ctags output=tags [a.c]"},
      {{"--format", "grep", "--output=x", "-o", "-", "a.c"}, "run ext=fnc grep [a.c]"},
      {{"--encoding=euc-jp", "--encoding", "utf-8", "a.c"}, "run ext=fnc utf-8 [a.c]"},
      {{"--encoding=cp932", "--encoding=auto", "a.c"}, "run ext=fnc [a.c]"},
      {{"--rules=classic", "a.c"}, "run ext=fnc classic [a.c]"},
      {{"--rules", "classic", "--rules=syntax", "a.c"}, "run ext=fnc [a.c]"},
      {{"-R", "--suffixes=c,.cc,h,tar.gz", "s"}, "run ext=fnc recursive suffixes=.c.cc.h.tar.gz [s]"},
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
      {{"--format=xml", "a.c"}, "error: bad format 'xml': text, json, dot, ctags or grep"},
      {{"--encoding=sjis", "a.c"}, "error: bad encoding 'sjis': auto, cp932, utf-8 or euc-jp"},
      {{"a.c", "--encoding"}, "error: --encoding needs a value"},
      {{"--rules=textual", "a.c"}, "error: bad rules 'textual': syntax or classic"},
      {{"--rules=", "a.c"}, "error: bad rules '': syntax or classic"},
      {{"-o", "", "a.c"}, "error: --output needs a FILE"},
      {{"a.c", "-o"}, "error: --output needs a FILE"},
      {{"-R", "--suffixes=c,,h", "s"},
       "error: bad suffixes 'c,,h': name endings such as c,cpp,h separated by commas"},
      {{"-R", "--suffixes=c/d", "s"},
       "error: bad suffixes 'c/d': name endings such as c,cpp,h separated by commas"},
      {{"--suffixes=c", "s"}, "error: --suffixes goes only with --recursive"},
      {{"-n", "--format=json", "a.c"}, "error: --line-numbers goes only with --format=text"},
      {{"--callees="}, "error: --callees needs a NAME"},
      {{"--force", "a.c"}, "error: --force goes only with --reports"},
      {{"--callers=f", "--callees=g", "a.c"}, "error: --callers and --callees do not go together"},
      // -j: its count attached, apart or after "="; at most 256.
      {{"-j8", "a.c", "-j", "3"}, "run ext=fnc jobs=3 [a.c]"},
      {{"--jobs=1", "a.c"}, "run ext=fnc jobs=1 [a.c]"},
      {{"--jobs", "256", "a.c"}, "run ext=fnc jobs=256 [a.c]"},
      {{"-j99999999999999999999", "a.c"}, "run ext=fnc jobs=256 [a.c]"},
      {{"-j0", "a.c"}, "error: bad job count '0': a whole number from 1"},
      {{"-j", "-2", "a.c"}, "error: bad job count '-2': a whole number from 1"},
      {{"--jobs=two", "a.c"}, "error: bad job count 'two': a whole number from 1"},
      {{"--jobs=", "a.c"}, "error: --jobs needs a value"},
      {{"a.c", "-j"}, "error: --jobs needs a value"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(ParseXrefOptions(c.args)), c.expected);
}

// Absolute FILEs and the usual joins are seen end to end in xref_test.cpp.
TEST(XrefOptions, MakesRelativeFilesFullPathsWithoutNormalising) {
  EXPECT_EQ(AbsoluteXrefPath("../x/./a.c", "/home/u"), "/home/u/../x/./a.c");
  EXPECT_EQ(AbsoluteXrefPath("a.c", "/"), "/a.c");
}

}  // namespace
