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
      {{"--\x1b]0;x\a"}, CommandLine::kMisuse, {}, "unknown option '--\\x1b]0;x\\x07'"},
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
// reach another copy: the answers must come without either. Writes that
// fail are errors; with no display at all it says so in one line.
TEST(TolvaneCommandLine, HelpVersionMisuseAndNoDisplayAnswerWithoutAWindow) {
  const std::string noDisplay = "tolvane: no display was found; tolvane-xref works without one.\n";
  const std::string full = "tolvane: cannot write the output (No space left on device)\n";
  struct {
    std::vector<std::string> args;
    std::string platform;  // QT_QPA_PLATFORM, unset when empty
    std::string redirect;  // of the program's descriptors
    int status;
    std::string out, err;
  } cases[] = {
      {{"--version"}, "xcb", "", 0, "tolvane 3.0 (1.0.0.1)\n", ""},
      {{"src", "--help"}, "xcb", "", 0, UsageText(), ""},
      {{"--bogus"}, "xcb", "", 2, "", "tolvane: unknown option '--bogus'\nTry 'tolvane --help' for more information.\n"},
      {{"--help"}, "xcb", ">/dev/full", 1, "", full},
      {{"--version"}, "xcb", ">/dev/full", 1, "", full},
      {{"--version"}, "xcb", "<&- >&-", 0, "", ""},  // written into /dev/null
      {{}, "xcb", "", 1, "", noDisplay},
      {{"src"}, "", "", 1, "", noDisplay},
      {{}, "xcb;wayland", "<&-", 1, "", noDisplay},
  };
  for (auto& c : cases) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$@\" " + c.redirect, "sh",
                                     "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                     "-u", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR=/nonexistent"};
    if (!c.platform.empty()) argv.push_back("QT_QPA_PLATFORM=" + c.platform);
    argv.push_back(TOLVANE_PATH);
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildResult r = RunChild(argv);
    SCOPED_TRACE((c.args.empty() ? "" : c.args.front()) + " " + c.platform + " " + c.redirect);
    EXPECT_EQ(r.exitCode, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace
