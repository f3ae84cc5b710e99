// tolvane-xref end to end: the real program in a child process.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
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
  // Runs a shell command line with "$0" standing for tolvane-xref.
  ChildResult Shell(const std::string& line) {
    return RunChild({"/bin/sh", "-c", line, TOLVANE_XREF_PATH}, Options());
  }

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
      {{"-x", "a.c"}, "unknown option -x"},
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

// A small run for the questions and the formats: two functions named g,
// calls to names defined and undefined.
const char kCallsA[] = "void f(void)\n{\n  g();\n  h();\n}\nint g(void)\n{\n  h();\n}\n";
const char kCallsB[] = "void h(void)\n{\n  printf(\"x\");\n}\nint g(int x)\n{\n}\n";

TEST_F(Xref, ReadsListsFromFilesAndStandardInputAsIfTheyWereArguments) {
  src.Write("a.c", kCallsA);
  src.Write("b.c", kCallsB);
  src.Write("main.c", kMainC);
  src.Write("list", "a.c\n\n" + src.Join("b.c") + "\n");
  src.Write("list0", std::string("a.c\0b.c\0\0", 9));
  ChildResult args = Run({"a.c", "b.c", "main.c"});
  ASSERT_EQ(args.exitCode, 0);
  for (const std::string& line :
       {std::string("exec \"$0\" -L list main.c"), std::string("exec \"$0\" -L - main.c <list"),
        std::string("exec \"$0\" -0 --files-from=- main.c <list0"),
        std::string("cat list | exec \"$0\" -L /dev/stdin main.c")}) {
    ChildResult r = Shell(line);
    EXPECT_EQ(r.exitCode, 0) << line;
    EXPECT_EQ(r.err, "") << line;
    EXPECT_EQ(r.out, args.out) << line;
  }
}

TEST_F(Xref, SkipsFilesOfAListThatCannotBeReadButEndsAtANamedOne) {
  src.Write("a.c", "void f(void)\n{\n  g();\n}\n");
  src.Write("c.c", "void h(void)\n{\n}\n");
  src.Write("list", "a.c\nmissing.c\nc.c\n");
  ChildResult r = Run({"-L", "list"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "<" + src.Join("a.fnc") + ">f\n\tg\n<" + src.Join("c.fnc") + ">h\n");
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("missing.c") + " was not found. Skipped.\n");

  r = Run({"-L", "list", "missing.c", "c.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "<" + src.Join("a.fnc") + ">f\n\tg\n<" + src.Join("c.fnc") + ">h\n");
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("missing.c") + " was not found. Skipped.\n"
                   "tolvane-xref: " + src.Join("missing.c") + " was not found.\n");

  r = Run({"-L", "no-list", "a.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tolvane-xref: no-list was not found.\n");
}

TEST_F(Xref, GivesAnEmptyResultForAnEmptyList) {
  src.Write("empty", "");
  struct Case {
    const char* format;
    const char* out;
  } cases[] = {
      {"text", ""},
      {"json", "{\"functions\": []}\n"},
      {"dot", "digraph \"tolvane\" {\n  node [shape=\"box\"];\n}\n"},
  };
  for (const auto& c : cases) {
    ChildResult r = Run({"-L", "empty", std::string("--format=") + c.format});
    EXPECT_EQ(r.exitCode, 0) << c.format;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Xref, WalksTreesInByteOrderSkippingWhatCannotBeRead) {
  auto def = [](const std::string& name) { return "void " + name + "(void)\n{\n}\n"; };
  ASSERT_EQ(mkdir(src.Join("t").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(src.Join("t/sub").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(src.Join("t/locked").c_str(), 0700), 0);
  src.Write("t/b.c", def("b"));
  src.Write("t/a.cpp", def("a"));
  src.Write("t/sub/c.C", def("c"));
  src.Write("t/sub/d.CPP", def("d"));
  src.Write("t/locked/e.c", def("e"));
  src.Write("t/new\nline.c", def("n"));
  for (const char* other : {"t/sub/x.h", "t/sub/y.cc", "t/sub/z.c~", "t/sub/c"})
    src.Write(other, def("other"));
  ASSERT_EQ(symlink("..", src.Join("t/sub/loop.c").c_str()), 0);  // a folder: not followed
  ASSERT_EQ(symlink("sub/c.C", src.Join("t/link.c").c_str()), 0);
  ASSERT_EQ(mkfifo(src.Join("t/fifo.c").c_str(), 0600), 0);
  ASSERT_EQ(chmod(src.Join("t/locked").c_str(), 0), 0);
  // Root reads any folder: without the capabilities that let it, it cannot.
  Args argv;
  if (geteuid() == 0) argv = {"/usr/bin/setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"};
  argv.insert(argv.end(), {TOLVANE_XREF_PATH, "-R", "t/"});
  ChildResult r = RunChild(argv, Options());
  std::string t = src.Join("t");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "<" + t + "/a.fnc>a\n<" + t + "/b.fnc>b\n<" + t + "/link.fnc>c\n<" + t +
                       "/sub/c.fnc>c\n<" + t + "/sub/d.fnc>d\n");
  EXPECT_EQ(r.err, "tolvane-xref: Access to " + t + "/locked was denied. (Permission denied) Skipped.\n"
                   "tolvane-xref: " + t + "/new\\nline.c holds a line feed. Skipped.\n"
                   "tolvane-xref: " + t + "/fifo.c is not a regular file. Skipped.\n");

  r = Run({"t"});  // without -R a folder is a file that cannot be read
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "tolvane-xref: " + t + " is not a regular file.\n");
  chmod(src.Join("t/locked").c_str(), 0700);
}

TEST_F(Xref, AnswersWhoCallsAFunctionAndWhatItCalls) {
  src.Write("a.c", kCallsA);
  src.Write("b.c", kCallsB);
  std::string a = "<" + src.Join("a.fnc") + ">", b = "<" + src.Join("b.fnc") + ">";
  struct Case {
    Args args;
    std::string out;
  } cases[] = {
      {{"--callers=h"}, a + "f\n" + a + "g\n"},
      {{"--callers=printf"}, b + "h\n"},
      {{"--callers=nobody"}, ""},
      {{"--callees=g"}, a + "g\n\th\n" + b + "g\n"},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.end(), {"a.c", "b.c"});
    ChildResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, c.out) << c.args[0];
  }
}

TEST_F(Xref, WritesJsonThatReadsBackAsTheTable) {
  src.Write("a.c", kCallsA);
  src.Write("\x83\x65\x83\x58\x83\x67.c", kCallsB);  // テスト in Shift-JIS
  const std::string R = "\xEF\xBF\xBD";
  std::string a = src.Join("a."), b = src.Join(R + "e" + R + "X" + R + "g.");
  auto object = [](const std::string& dir, const char* name, nlohmann::json calls) {
    nlohmann::json f = {{"entry", "<" + dir + "fnc>" + name}, {"name", name}, {"file", dir + "c"},
                        {"output", dir + "fnc"}, {"calls", calls}};
    if (dir.find("\xEF\xBF\xBD") != std::string::npos) f["lossy"] = true;
    return f;
  };
  nlohmann::json f = object(a, "f", {"g", "h"}), g = object(a, "g", {"h"}),
                 h = object(b, "h", {"printf"}), g2 = object(b, "g", nlohmann::json::array());
  struct Case {
    Args args;
    nlohmann::json functions;
  } cases[] = {
      {{}, {f, g, h, g2}},
      {{"--callers=h"}, {f, g}},
      {{"--callees=g"}, {g, g2}},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.end(), {"--format=json", "a.c", "\x83\x65\x83\x58\x83\x67.c"});
    ChildResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 0);
    nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_EQ(doc, nlohmann::json({{"functions", c.functions}})) << r.out;
  }
}

TEST_F(Xref, DrawsCallGraphsThatGraphvizLaysOut) {
  src.Write("a.c", kCallsA);
  src.Write("b\"\\.c", kCallsB);
  std::string a = src.Join("a.c"), b = src.Join("b\\\"\\\\.c");
  std::string clusterA = "  subgraph \"cluster_0\" {\n    label=\"" + a + "\";\n";
  std::string clusterB = "  subgraph \"cluster_1\" {\n    label=\"" + b + "\";\n";
  struct Case {
    const char* question;
    std::string out;
  } cases[] = {
      {nullptr,
       clusterA + "    \"f0\" [label=\"f\"];\n    \"f1\" [label=\"g\"];\n  }\n"
           "  \"f0\" -> \"f1\";\n" + clusterB +
           "    \"f2\" [label=\"h\"];\n    \"f3\" [label=\"g\"];\n  }\n"
           "  \"f0\" -> \"f2\";\n  \"f1\" -> \"f2\";\n  \"f0\" -> \"f3\";\n"
           "  \"n3\" [label=\"printf\", style=\"dashed\"];\n  \"f2\" -> \"n3\" [style=\"dashed\"];\n"},
      {"--callers=g",
       clusterA + "    \"f0\" [label=\"f\"];\n    \"f1\" [label=\"g\"];\n  }\n" + clusterB +
           "    \"f3\" [label=\"g\"];\n  }\n  \"f0\" -> \"f1\";\n  \"f0\" -> \"f3\";\n"},
      {"--callees=h",
       clusterB + "    \"f2\" [label=\"h\"];\n  }\n"
           "  \"n3\" [label=\"printf\", style=\"dashed\"];\n  \"f2\" -> \"n3\" [style=\"dashed\"];\n"},
  };
  for (const auto& c : cases) {
    Args args{"--format=dot", "a.c", "b\"\\.c"};
    if (c.question) args.insert(args.begin(), c.question);
    ChildResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "digraph \"tolvane\" {\n  node [shape=\"box\"];\n" + c.out + "}\n");
  }
  if (system("command -v dot >/dev/null 2>&1") != 0) GTEST_SKIP() << "Graphviz is not installed";
  ChildResult r = Shell("\"$0\" --format=dot a.c 'b\"\\.c' | dot -Tsvg");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("<svg"), std::string::npos);
}

TEST_F(Xref, WritesReportsOnlyAfterACompleteRunAndReplacesFilesOnlyWhenForced) {
  src.Write("a.c", kCallsA);
  src.Write("x.c", "void k(void)\n{\n}\n");
  src.Write("x.cpp", "void m(void)\n{\n}\n");
  std::string report = "\x8A\xD6\x90\x94\x96\xBC\x81\x46";  // 関数名：
  ChildResult r = Run({"--reports", "a.c", "missing.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(ListFolder(src.path()), "a.c x.c x.cpp");

  r = Run({"--reports", "a.c"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), report + "f\n\tg\n\th\n\n" + report + "g\n\th\n\n");

  src.Write("a.fnc", "old");
  r = Run({"--reports", "a.c", "x.c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("a.fnc") +
                       " exists already: no report written (--force replaces it).\n");
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), "old");
  EXPECT_EQ(ListFolder(src.path()), "a.c a.fnc x.c x.cpp");

  // x.cpp's report would be x.c, which the run analysed.
  r = Run({"--ext=c", "--reports", "--force", "x.c", "x.cpp"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "tolvane-xref: " + src.Join("x.c") +
                       " is a file the run analysed: its report is not written.\n");
  EXPECT_EQ(ReadWholeFile(src.Join("x.c")), "void k(void)\n{\n}\n");

  r = Run({"--reports", "--force", "a.c"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), report + "f\n\tg\n\th\n\n" + report + "g\n\th\n\n");
}

}  // namespace
