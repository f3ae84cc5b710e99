// The desktop program's command line: what it reads, and the answers that
// come without a window.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/child_process.h"

namespace {

CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "tolvane");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(ParseCommandLine, TakesPathsAndAnswersTheTwoOptionsOnly) {
  struct {
    std::vector<const char*> args;
    CommandLine::Action action;
    std::vector<std::string> paths;
    std::string error;
  } cases[] = {
      {{}, CommandLine::kStart, {}, ""},
      {{"src"}, CommandLine::kStart, {"src"}, ""},
      {{"a.c", "-", "b.cpp"}, CommandLine::kStart, {"a.c", "-", "b.cpp"}, ""},
      {{"--", "--help", "-x.c"}, CommandLine::kStart, {"--help", "-x.c"}, ""},
      {{"-platform", "offscreen", "src"}, CommandLine::kStart, {"src"}, ""},
      {{"a.c", "--help"}, CommandLine::kHelp, {}, ""},
      {{"--version", "--bogus"}, CommandLine::kVersion, {}, ""},
      {{"a.c", "--bogus", "--help"}, CommandLine::kMisuse, {}, "unknown option '--bogus'"},
      {{"-h"}, CommandLine::kMisuse, {}, "unknown option '-h'"},
      {{"-platform"}, CommandLine::kMisuse, {}, "unknown option '-platform'"},
  };
  for (auto& c : cases) {
    CommandLine cl = Parse(c.args);
    SCOPED_TRACE(c.args.empty() ? "" : c.args.front());
    EXPECT_EQ(cl.action, c.action);
    if (c.action == CommandLine::kStart) {
      EXPECT_EQ(cl.paths, c.paths);
    }
    EXPECT_EQ(cl.error, c.error);
  }
}

// The program itself, with no display to open a window on and no way to
// reach another copy: the answers must come without either.
TEST(TolvaneCommandLine, HelpVersionAndMisuseAnswerWithoutAWindow) {
  struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{"--version"}, 0, "tolvane 3.0 (1.0.0.1)\n", ""},
      {{"src", "--help"}, 0, UsageText(), ""},
      {{"--bogus"}, 2, "", "tolvane: unknown option '--bogus'\n" + UsageText()},
  };
  for (auto& c : cases) {
    std::vector<std::string> argv = {"/usr/bin/env",           "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     "QT_QPA_PLATFORM=xcb",    "XDG_RUNTIME_DIR=/nonexistent",
                                     TOLVANE_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildResult r = RunChild(argv);
    SCOPED_TRACE(c.args.front());
    EXPECT_EQ(r.exitCode, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace
