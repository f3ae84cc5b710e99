// tolvane-xref end to end: the real program in a child process.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/xref_options.h"
#include "tests/child_process.h"
#include "tests/temp_dir.h"

namespace {

using Args = std::vector<std::string>;

// Every run gets its own temporary folder, to see what it leaves there.
class Xref : public ::testing::Test {
 protected:
  ChildOptions Options(const std::string& cwd = "") {
    ChildOptions o;
    o.env["TMPDIR"] = tmp.path();
    o.env["XDG_RUNTIME_DIR"] = std::nullopt;
    o.cwd = cwd.empty() ? src.path() : cwd;
    return o;
  }
  ChildResult Run(const Args& args, const std::string& cwd = "") {
    Args argv{TOLVANE_XREF_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunChild(argv, Options(cwd));
  }
  std::string UserFolder() { return tmp.path() + "/tolvane-" + std::to_string(geteuid()); }

  TempDir tmp;
  TempDir src;
};

const char kMainC[] =
    "/* \x83\x81\x83\x43\x83\x93 */\n"  // メイン
    "int main(int argc, char *argv[])\n"
    "{\n"
    "    init();\n"
    "    run(argc); // \x8E\xC0\x8D\x73\n"  // 実行
    "    init();\n"
    "}\n";
const char kUtilCpp[] =
    "    cleanup();\n"
    "void CUtil::Log(const char *s)\n"
    "{\n"
    "    printf(\"%s\", s);\n"
    "}\n";

TEST_F(Xref, PrintsEveryEntryAndItsCallsForFilesAnalysedAsOneRun) {
  src.Write("main.c", kMainC);
  src.Write("util.cpp", kUtilCpp);
  ChildResult r = Run({"main.c", src.Join("util.cpp")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "<" + src.Join("main.fnc") + ">main\n\tinit\n\trun\n\tcleanup\n"
                   "<" + src.Join("util.fnc") + ">CUtil::Log\n\tprintf\n");
}

TEST_F(Xref, UsesTheExtensionGiven) {
  src.Write("main.c", kMainC);
  ChildResult r = Run({"--ext=txt", "--ext", "LST", "main.c"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "<" + src.Join("main.LST") + ">main");
}

TEST_F(Xref, JoinsARelativeFileToTheRootWithOneSlash) {
  ChildResult r = Run({"no-such-file.c"}, "/");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "tolvane-xref: /no-such-file.c was not found.\n");
}

TEST_F(Xref, AnswersHelpOnStandardOutput) {
  ChildResult r = Run({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, XrefUsage());
  EXPECT_EQ(r.err, "");
}

TEST_F(Xref, RefusesWrongArgumentsWithUsageAndNothingOnStandardOutput) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  struct Case {
    Args args;
    const char* why;
  } cases[] = {
      {{}, "no FILE given"},
      {{"--ext=toolong", "a.c"}, "bad extension 'toolong': 1 to 3 ASCII letters or digits"},
      {{"-q", "a.c"}, "unknown option -q"},
      {{"a.c", "new\nline.c"}, "a FILE holds a line feed"},
  };
  for (const auto& c : cases) {
    ChildResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.why;
    EXPECT_EQ(r.out, "") << c.why;
    EXPECT_EQ(r.err, std::string("tolvane-xref: ") + c.why + "\n" + XrefUsage());
  }
}

TEST_F(Xref, StopsAtAFileThatCannotBeReadAfterPrintingWhatCameBefore) {
  src.Write("a.c", "void f(void)\n{\n  g();\n}\n");
  src.Write("c.c", "void h(void)\n{\n}\n");
  ASSERT_EQ(mkdir(src.Join("lib.c").c_str(), 0700), 0);
  ChildResult r = Run({"a.c", "missing.c", "c.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "<" + src.Join("a.fnc") + ">f\n\tg\n");
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("missing.c") + " was not found.\n");

  r = Run({"a.c", "lib.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "<" + src.Join("a.fnc") + ">f\n\tg\n");
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("lib.c") + " is not a regular file.\n");
  EXPECT_EQ(ListFolder(UserFolder()), "");
}

TEST_F(Xref, TakesEveryArgumentAfterTheDoubleDashAsAFile) {
  src.Write("-dash.c", "void f(void)\n{\n}\n");
  ChildResult r = Run({"--", "-dash.c"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "<" + src.Join("-dash.fnc") + ">f\n");
}

TEST_F(Xref, ReportsOutputThatCannotBeWritten) {
  src.Write("main.c", kMainC);
  ChildOptions o = Options();
  // /dev/full as standard output: every write fails with ENOSPC.
  Args argv{"/bin/sh", "-c", std::string("exec \"$0\" main.c >/dev/full"), TOLVANE_XREF_PATH};
  ChildResult r = RunChild(argv, o);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "tolvane-xref: cannot write the output (No space left on device)\n");
}

TEST_F(Xref, EndsQuietlyWhenTheReaderGoesAway) {
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "void f" + std::to_string(i) + "(void)\n{\n  g();\n}\n";
  src.Write("big.c", big);
  Args argv{"/bin/sh", "-c", "\"$0\" big.c | head -n 1", TOLVANE_XREF_PATH};
  ChildResult r = RunChild(argv, Options());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "<" + src.Join("big.fnc") + ">f0\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ListFolder(UserFolder()), "");
}

TEST_F(Xref, RunsSideBySideAndLeavesNothingBehind) {
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "int f" + std::to_string(i) + "(int a)\n{\n  g" + std::to_string(i % 7) + "(a);\n}\n";
  src.Write("a.c", text);
  src.Write("main.c", kMainC);
  ChildResult alone = Run({"a.c", "main.c"});
  ASSERT_EQ(alone.exitCode, 0);
  std::vector<std::unique_ptr<Child>> children;
  for (int i = 0; i < 8; ++i)
    children.push_back(std::make_unique<Child>(Args{TOLVANE_XREF_PATH, "a.c", "main.c"}, Options()));
  for (auto& c : children) {
    ChildResult r = c->Wait();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, alone.out);
  }
  EXPECT_EQ(ListFolder(UserFolder()), "");
}

TEST_F(Xref, RemovesItsWorkingFolderWhenTerminated) {
  // Enough output to fill the pipe, which nobody reads: the program then
  // waits in a write with its working folder still there.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "void f" + std::to_string(i) + "(void)\n{\n  g();\n}\n";
  src.Write("big.c", big);
  for (int sig : {SIGTERM, SIGINT}) {
    Child c({TOLVANE_XREF_PATH, "big.c"}, Options());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (c.PendingOutput() < 65536 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(ListFolder(UserFolder()), "");
    kill(c.pid(), sig);
    ChildResult r = c.Wait();
    EXPECT_EQ(r.signal, sig);
    EXPECT_EQ(ListFolder(UserFolder()), "");
  }
}

TEST_F(Xref, RefusesAnUnsafeWorkingFolder) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  ASSERT_EQ(mkdir(UserFolder().c_str(), 0777), 0);
  ASSERT_EQ(chmod(UserFolder().c_str(), 0777), 0);
  ChildResult r = Run({"a.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tolvane-xref: " + UserFolder() +
                       " is not a private folder of this user. (group or others have access to it)\n");
}

}  // namespace
