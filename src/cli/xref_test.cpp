// tolvane-xref end to end: the real program, started by bash in a folder of
// sources, as a user would type it.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/xref_options.h"
#include "tests/child_process.h"
#include "tests/small_file_system.h"
#include "tests/generated_sources.h"
#include "tests/temp_dir.h"

namespace {

const char kOneLine[] = "void f(void)\n{\n}\n";

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

// A bash command line and what it must give; "@" stands for the source
// folder in all four.
struct Row {
  std::string line;
  int status;
  std::string out, err;
};

// Every run gets its own temporary folder, to see what it leaves there.
class Xref : public ::testing::Test {
 protected:
  // argv run in the source folder, tolvane-xref on the PATH and its
  // working folders under tmp.
  std::vector<std::string> In(const std::vector<std::string>& argv) {
    std::string bin = TOLVANE_XREF_PATH;
    bin.erase(bin.rfind('/'));
    std::vector<std::string> env = {"/usr/bin/env", "-C", src.path(), "-u", "XDG_RUNTIME_DIR",
                                    "TMPDIR=" + tmp.path(), "PATH=" + bin + ":/usr/bin:/bin"};
    env.insert(env.end(), argv.begin(), argv.end());
    return env;
  }
  std::string UserFolder() { return tmp.path() + "/tolvane-" + std::to_string(geteuid()); }
  // Runs each line in the source folder; a pipeline fails when any part does.
  void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.line);
      std::string line = Replaced(row.line, "@", src.path());
      ChildResult r = RunChild(In({"bash", "-o", "pipefail", "-c", line}));
      EXPECT_EQ(r.exitCode, row.status);
      EXPECT_EQ(Replaced(r.out, src.path(), "@"), row.out);
      EXPECT_EQ(Replaced(r.err, src.path(), "@"), row.err);
    }
  }

  TempDir tmp;
  TempDir src;
};

// メイン and 実行 in Shift-JIS comments.
const char kMainC[] = "/* \x83\x81\x83\x43\x83\x93 */\nint main(int argc, char *argv[])\n{\n"
                      "    init();\n    run(argc); // \x8E\xC0\x8D\x73\n    init();\n}\n";
// Its first call belongs to the function the file before it left open.
const char kUtilCpp[] = "  cleanup();\nvoid CUtil::Log(const char *s)\n{\n  printf(s);\n}\n";
// Two functions named g, calls to names defined and undefined.
const char kCallsA[] = "void f(void)\n{\n  g();\n  h();\n}\nint g(void)\n{\n  h();\n}\n";
const char kCallsB[] = "void h(void)\n{\n  printf(\"x\");\n}\nint g(int x)\n{\n}\n";
const std::string kA = "<@/a.fnc>f\n\tg\n\th\n<@/a.fnc>g\n\th\n";
const std::string kB = "<@/b.fnc>h\n\tprintf\n<@/b.fnc>g\n";
const std::string kMain = "<@/main.fnc>main\n\tinit\n\trun\n";

// Enough output to fill a pipe many times over.
std::string BigSource() {
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "void f" + std::to_string(i) + "(void)\n{\n  g();\n}\n";
  return big;
}

TEST_F(Xref, AnswersEachCommandLineWithItsOutputMessagesAndStatus) {
  // Clusters with edges between them every way: each file calls into the
  // next two and back into itself.
  for (int f = 0; f < 12; ++f) {
    std::string text;
    for (int k = 0; k < 4; ++k) {
      text += "void r" + std::to_string(f) + "_" + std::to_string(k) + "(void)\n{\n";
      for (int to : {f, (f + 1) % 12, (f + 5) % 12})
        text += "  r" + std::to_string(to) + "_" + std::to_string((k + to) % 4) + "();\n";
      text += "  undefined" + std::to_string(k) + "();\n}\n";
    }
    src.Write("ring" + std::to_string(f) + ".c", text);
  }
  for (auto [name, text] :
       {std::pair<const char*, std::string>{"main.c", kMainC}, {"util.cpp", kUtilCpp},
        {"a.c", kCallsA}, {"b.c", kCallsB}, {"b\"\\.c", kCallsB}, {"big.c", BigSource()},
        {"-dash.c", "void k(void)\n{\n}\n"}, {"list", "a.c\n\n" + src.Join("b.c") + "\n"},
        {"list0", std::string("a.c\0b.c\0\0", 9)}, {"gaps", "a.c\nmissing.c\nb.c\n"},
        {"crlf", "a.c\r\n\r\nb.c\r\n"}, {"big-first", "big.c\nmissing.c\n"},
        // テ (83 65) and a tab, an escape sequence, DEL and a UTF-8 C1 control
        // (CSI) in missing names.
        {"controls", "\x83\x65\t.c\nb\x1b[31mx\x7f.c\nc\xc2\x9b" "2J.c\n"},
        {"\x95\x5c\t.c", kOneLine}})
    src.Write(name, text);
  ASSERT_EQ(mkdir(src.Join("lib.c").c_str(), 0700), 0);
  const std::string tryHelp = "Try 'tolvane-xref --help' for more information.\n";
  const std::string usage = XrefUsage(), dot = "digraph \"tolvane\" {\n  newrank=true;\n  node [shape=\"box\"];\n";
  const std::string clusterA = "  subgraph \"cluster_0\" {\n    label=\"@/a.c\";\n",
                    clusterB = "  subgraph \"cluster_1\" {\n    label=\"@/b\\\"\\\\.c\";\n";
  // Each node with its tooltip "FILE:LINE".
  auto node = [](const char* id, const char* name, const char* file, int line) {
    return std::string("    \"") + id + "\" [label=\"" + name + "\", tooltip=\"" + file + ":" +
           std::to_string(line) + "\"];\n";
  };
  const std::string sjisTab = "@/\xE8\xA1\xA8\xE2\x90\x89.c";
  const char* a = "@/a.c";
  const char* b = "@/b\\\"\\\\.c";
  // h's call to printf, which no function defines, and the end.
  const std::string callsPrintf = "  \"n3\" [label=\"printf\", style=\"dashed\"];\n"
                                  "  \"f2\" -> \"n3\" [style=\"dashed\"];\n}\n";
  const std::string missing = "tolvane-xref: @/missing.c was not found.\n";
  const std::string skipped = "tolvane-xref: @/missing.c was not found. Skipped.\n";
  const std::string uid = std::to_string(geteuid());
  Check({
      // The classic rules credit a call before a file's first head to the
      // function the file before left open; the syntax rules (the default)
      // take code outside functions for no call.
      {"tolvane-xref main.c @/util.cpp", 0, kMain + "<@/util.fnc>CUtil::Log\n\tprintf\n", ""},
      {"tolvane-xref --rules=classic main.c @/util.cpp", 0,
       kMain + "\tcleanup\n<@/util.fnc>CUtil::Log\n\tprintf\n", ""},
      {"tolvane-xref --ext=txt --ext LST main.c", 0, "<@/main.LST>main\n\tinit\n\trun\n", ""},
      {"tolvane-xref -- -dash.c", 0, "<@/-dash.fnc>k\n", ""},
      {"tolvane-xref --help", 0, usage, ""},
      {"tolvane-xref --version", 0, "tolvane-xref 3.0 (1.0.0.1)\n", ""},
      {"tolvane-xref --help >/dev/full", 1, "",
       "tolvane-xref: cannot write the output (No space left on device)\n"},
      // Every usage error takes this way; their messages are the parser's.
      {"tolvane-xref", 2, "", "tolvane-xref: no FILE given\n" + tryHelp},
      // A named FILE that cannot be read ends the run; one from a list is skipped.
      {"tolvane-xref a.c lib.c", 1, kA,
       "tolvane-xref: @/lib.c is a folder; give -R to analyse the sources below it.\n"},
      {"tolvane-xref -L gaps missing.c b.c", 1, kA + kB, skipped + missing},
      {"tolvane-xref -L no-list a.c", 1, "", "tolvane-xref: no-list was not found.\n"},
      {"tolvane-xref -L list main.c", 0, kA + kB + kMain, ""},
      {"tolvane-xref -L crlf", 0, kA + kB, ""},
      {"tolvane-xref -L controls", 1, "",
       "tolvane-xref: @/\x83\x65\\t.c was not found. Skipped.\n"
       "tolvane-xref: @/b\\x1b[31mx\\x7f.c was not found. Skipped.\n"
       "tolvane-xref: @/c\\xc2\\x9b2J.c was not found. Skipped.\n"},
      {"tolvane-xref -L - main.c <list", 0, kA + kB + kMain, ""},
      {"tolvane-xref -0 --files-from=- main.c <list0", 0, kA + kB + kMain, ""},
      {"cat list | tolvane-xref -L /dev/stdin main.c", 0, kA + kB + kMain, ""},
      {"tolvane-xref -L /dev/null --format=json", 0,
       "{\"rules\": \"syntax\", \"functions\": []}\n", ""},
      {"tolvane-xref -L /dev/null --format=dot", 0, dot + "}\n", ""},
      {"tolvane-xref --callers=h a.c b.c", 0, "<@/a.fnc>f\n<@/a.fnc>g\n", ""},
      // No caller is an answer; no function of the name, most likely a typing error.
      {"tolvane-xref --callers=nobody a.c b.c", 0, "", ""},
      {"tolvane-xref --callees=g a.c b.c", 0, "<@/a.fnc>g\n\th\n<@/b.fnc>g\n", ""},
      {"tolvane-xref --rules=classic --callees=nobody a.c -o out; echo $?; wc -c <out", 0,
       "1\n0\n", "tolvane-xref: no function is named nobody.\n"},
      {"tolvane-xref --format=dot a.c 'b\"\\.c'", 0,
       dot + clusterA + node("f0", "f", a, 1) + node("f1", "g", a, 6) + "  }\n"
           "  \"f0\" -> \"f1\";\n" + clusterB + node("f2", "h", b, 1) + node("f3", "g", b, 5) +
           "  }\n  \"f0\" -> \"f2\";\n  \"f1\" -> \"f2\";\n  \"f0\" -> \"f3\";\n" + callsPrintf,
       ""},
      {"tolvane-xref --format=dot --callers=g a.c 'b\"\\.c'", 0,
       dot + clusterA + node("f0", "f", a, 1) + node("f1", "g", a, 6) + "  }\n" + clusterB +
           node("f3", "g", b, 5) + "  }\n  \"f0\" -> \"f1\";\n  \"f0\" -> \"f3\";\n}\n",
       ""},
      {"tolvane-xref --format=dot --callees=h a.c 'b\"\\.c'", 0,
       dot + clusterB + node("f2", "h", b, 1) + "  }\n" + callsPrintf, ""},
      {"tolvane-xref --format=dot a.c 'b\"\\.c' | dot -Tsvg >/dev/null", 0, "", ""},
      // 表 (95 5C) and a tab: the path decoded, the tab as its picture.
      {"tolvane-xref --format=dot $'\\x95\\x5c\\t.c'", 0,
       dot + "  subgraph \"cluster_0\" {\n    label=\"" + sjisTab + "\";\n" +
           node("f0", "f", sjisTab.c_str(), 1) + "  }\n}\n",
       ""},
      {"tolvane-xref --format=dot ring*.c | dot -Tsvg >/dev/null", 0, "", ""},
      {"tolvane-xref main.c >/dev/full", 1, "",
       "tolvane-xref: cannot write the output (No space left on device)\n"},
      {"tolvane-xref big.c | head -n 1", 0, "<@/big.fnc>f0\n", ""},
      // Once the reader is gone, the next file is not even looked for.
      {"tolvane-xref -L big-first | head -n 1", 0, "<@/big.fnc>f0\n", ""},
      // Eight runs at once, each printing what one alone printed.
      {"tolvane-xref big.c main.c >one && seq 8 | "
       "xargs -P 8 -I % sh -c 'tolvane-xref big.c main.c | cmp -s - one'", 0, "", ""},
      // Another user made the working folder first: the run goes on in one
      // of its own, removed afterwards.
      {"mkdir -p -m 777 w/tolvane-" + uid + " && TMPDIR=@/w tolvane-xref a.c && ls w", 0,
       kA + "tolvane-" + uid + "\n", ""},
  });
  EXPECT_EQ(ListFolder(UserFolder()), "");
}

TEST_F(Xref, WalksTreesInByteOrderSkippingWhatCannotBeRead) {
  for (const char* dir : {"t", "t/sub", "t/locked"})
    ASSERT_EQ(mkdir(src.Join(dir).c_str(), 0700), 0);
  // Each file defines a function named after its first letter.
  for (std::string file : {"t/b.c", "t/a.cpp", "t/sub/c.C", "t/sub/d.CPP", "t/locked/e.c",
                           "t/new\nline.c", "t/sub/x.h", "t/sub/y.cc", "t/sub/z.c~", "t/sub/c"})
    src.Write(file, "void " + file.substr(file.rfind('/') + 1, 1) + "(void)\n{\n}\n");
  ASSERT_EQ(symlink("..", src.Join("t/sub/loop.c").c_str()), 0);  // a folder: not followed
  ASSERT_EQ(symlink("sub/c.C", src.Join("t/link.c").c_str()), 0);
  ASSERT_EQ(mkfifo(src.Join("t/fifo.c").c_str(), 0600), 0);
  ASSERT_EQ(chmod(src.Join("t/locked").c_str(), 0), 0);
  // Root reads any folder: without the capabilities that let it, it cannot.
  std::string asUser =
      geteuid() == 0 ? "setpriv --bounding-set=-dac_override,-dac_read_search " : "";
  Check({{asUser + "tolvane-xref -R t/", 1,
          "<@/t/a.fnc>a\n<@/t/b.fnc>b\n<@/t/link.fnc>c\n<@/t/sub/c.fnc>c\n<@/t/sub/d.fnc>d\n",
          "tolvane-xref: Access to @/t/locked was denied. (Permission denied) Skipped.\n"
          "tolvane-xref: @/t/new\\nline.c holds a line feed. Skipped.\n"
          "tolvane-xref: @/t/fifo.c is not a regular file. Skipped.\n"},
         // Suffixes of one's own; a FILE beside the folder is read as it is.
         {"tolvane-xref t/b.c -R t/sub --suffixes=h,cc -q", 0,
          "<@/t/b.fnc>b\n<@/t/sub/x.fnc>x\n<@/t/sub/y.fnc>y\n", ""}});
  chmod(src.Join("t/locked").c_str(), 0700);
}

// "|| ls" lists the folder only after a failed run, "&& cat" shows a
// report only after one that succeeded.
TEST_F(Xref, WritesReportsOnlyAfterACompleteRunAndReplacesFilesOnlyWhenForced) {
  src.Write("a.c", kCallsA);
  src.Write("x.c", "void k(void)\n{\n}\n");
  src.Write("x.cpp", "void m(void)\n{\n}\n");
  const std::string head = "\x8A\xD6\x90\x94\x96\xBC\x81\x46";  // 関数名：
  const std::string report = head + "f\n\tg\n\th\n\n" + head + "g\n\th\n\n";
  Check({
      {"tolvane-xref --reports a.c missing.c >/dev/null || ls", 0, "a.c\nx.c\nx.cpp\n",
       "tolvane-xref: @/missing.c was not found.\n"},
      {"tolvane-xref --reports a.c >/dev/null && cat a.fnc", 0, report, ""},
      {"echo old >a.fnc && tolvane-xref --reports a.c x.c >/dev/null || cat a.fnc && ls", 0,
       "old\na.c\na.fnc\nx.c\nx.cpp\n",
       "tolvane-xref: @/a.fnc exists already: no report written (--force replaces it).\n"},
      // x.cpp's report would be x.c, which the run analysed.
      {"tolvane-xref --ext=c --reports --force x.c x.cpp >/dev/null || cat x.c", 0,
       "void k(void)\n{\n}\n",
       "tolvane-xref: @/x.c is a file the run analysed: its report is not written.\n"},
      {"tolvane-xref --reports --force a.c >/dev/null && cat a.fnc", 0, report, ""},
      // Closed standard descriptors: no working file may take their place.
      {"rm a.fnc; tolvane-xref --reports a.c <&- >&- && cat a.fnc", 0, report, ""},
  });
}

TEST_F(Xref, SaysOutOfMemoryWhereverMemoryRunsOut) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer needs more address space than the limit leaves";
#endif
  src.Write("a.c", kCallsA);
  std::string list;
  while (list.size() < 8000000) list += std::string(199, 'x') + "\n";
  src.Write("list", list);
  // 16 MB of address space: enough to start, not to hold the list.
  Check({{"ulimit -v 16000 && tolvane-xref a.c", 0, kA, ""},
         {"ulimit -v 16000 && tolvane-xref -L list", 1, "", "tolvane-xref: Out of memory.\n"}});
}

TEST_F(Xref, WritesJsonThatReadsBackAsTheTable) {
  src.Write("a.c", kCallsA);
  const char kTest[] = "\x83\x65\x83\x58\x83\x67.c";  // テスト.c in Shift-JIS
  // Read as UTF-8 for the comment it ends with; the others are ASCII.
  src.Write(kTest, std::string(kCallsB) + "/* \xE3\x81\x82 */\n");
  src.Write("util.cpp", kUtilCpp);  // its first call belongs to テスト.c's g
  const char kBad[] = "x\xFF.c";  // neither UTF-8 nor CP932
  src.Write(kBad, kOneLine);
  std::string a = src.Join("a."), b = src.Join("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88."),
              u = src.Join("util."), x = src.Join("x\xEF\xBF\xBD.");
  struct Site {
    const char* name;
    int line;
    std::string file;  // "" in the head's file
  };
  std::string forced;  // the encoding of every file, when one is given
  auto object = [&](const std::string& dir, const char* name, int line,
                    const std::vector<Site>& sites, const char* ext = "c") {
    nlohmann::json calls = nlohmann::json::array(), callSites = nlohmann::json::array();
    for (const Site& site : sites) {
      calls.push_back(site.name);
      nlohmann::json o = {{"name", site.name}, {"line", site.line}};
      if (!site.file.empty()) o["file"] = site.file;
      callSites.push_back(o);
    }
    nlohmann::json o = {{"entry", "<" + dir + "fnc>" + name}, {"name", name},
                        {"file", dir + ext}, {"line", line},
                        {"output", dir + "fnc"},
                        {"encoding", !forced.empty() ? forced : dir == b ? "utf-8" : "ascii"},
                        {"calls", calls}, {"call_sites", callSites}};
    // The Shift-JIS path is shown decoded, the other with U+FFFD: neither
    // is the path's bytes.
    if (dir == b || dir == x) o["lossy"] = true;
    return o;
  };
  auto all = [&] {
    return nlohmann::json{object(a, "f", 1, {{"g", 3, ""}, {"h", 4, ""}}),
                          object(a, "g", 6, {{"h", 8, ""}}),
                          object(b, "h", 1, {{"printf", 3, ""}}),
                          object(b, "g", 5, {{"cleanup", 1, u + "cpp"}}),
                          object(u, "CUtil::Log", 2, {{"printf", 4, ""}}, "cpp"),
                          object(x, "f", 1, {})};
  };
  nlohmann::json decided = all();
  // The syntax rules credit no function with util.cpp's call outside any.
  nlohmann::json syntax = decided;
  syntax[3] = object(b, "g", 5, {});
  forced = "euc-jp";
  nlohmann::json told = all();
  // --callers keeps the calls in JSON, which the text leaves out.
  struct Case {
    const char* rules;
    const char* question;
    nlohmann::json functions;
  } cases[] = {{"classic", "", decided},
               {"classic", "--callers=h", nlohmann::json{decided[0], decided[1]}},
               {"classic", "--encoding=euc-jp", told},
               {"syntax", "--encoding=auto", syntax}};
  for (const Case& c : cases) {
    std::vector<std::string> args = {"tolvane-xref", "--format=json", "a.c", kTest, "util.cpp",
                                     kBad, c.question, std::string("--rules=") + c.rules};
    if (!*c.question) args.erase(args.end() - 2);
    ChildResult r = RunChild(In(args));
    EXPECT_EQ(r.exitCode, 0);
    // The rules come first, before any function.
    EXPECT_EQ(r.out.rfind(std::string("{\"rules\": \"") + c.rules + "\", \"functions\": [", 0), 0u);
    EXPECT_EQ(nlohmann::json::parse(r.out, nullptr, false),
              nlohmann::json({{"rules", c.rules}, {"functions", c.functions}})) << r.out;
  }
}

// C++ that the classic rules read wrong, in Shift-JIS: a member defined in
// its class, one of a namespace, an "#if defined" line before a head, 表
// (95 5C) before a quote and before "*/", a lambda. Each function with its
// line and its calls with theirs.
const char kComboCpp[] =
    "// \x83\x52\x83\x93\x83\x7B\n"  // コンボ
    "namespace ui {\n"
    "class CComboData {\n"
    " public:\n"
    "  bool Add(const char *s) const;\n"
    "  int Count() const { return count(); }\n"
    "};\n"
    "void Log(int n) { Write(n); }\n"
    "}\n"
    "#if !defined(NO_COMBO)\n"
    "static void combo_init(void)\n"
    "{\n"
    "  printf(\"%s(%d) /* \x95\x5C\", \"x\", 1);  /* \x95\x5C*/\n"
    "}\n"
    "#endif\n"
    "bool ui::CComboData::Add(const char *s) const\n"
    "{\n"
    "  combo_init();\n"
    "  return Store(s) != 0;\n"
    "}\n"
    "int main()\n"
    "{\n"
    "  ui::CComboData d;\n"
    "  d.Add(\"a\");\n"
    "  auto f = [&] { return d.Count(); };\n"
    "  ui::Log(f());\n"
    "}\n";
struct Named {
  const char* name;
  int line;
};
const std::vector<std::pair<Named, std::vector<Named>>> kCombo = {
    {{"ui::CComboData::Count", 6}, {{"count", 6}}},
    {{"ui::Log", 8}, {{"Write", 8}}},
    {{"combo_init", 11}, {{"printf", 13}}},
    {{"ui::CComboData::Add", 16}, {{"combo_init", 18}, {"Store", 19}}},
    {{"main", 21}, {{"Add", 24}, {"Count", 25}, {"ui::Log", 26}, {"f", 26}}}};

TEST_F(Xref, WritesTheLinesOfHeadsAndFirstCallsInEveryFormat) {
  src.Write("main.c", kMainC);
  src.Write("util.cpp", kUtilCpp);  // its first call is main's
  ASSERT_EQ(mkdir(src.Join("sub").c_str(), 0700), 0);
  const std::string kTest = "sub/\x83\x65\x83\x58\x83\x67.c";  // テスト.c in Shift-JIS
  src.Write(kTest, kCallsA);
  const std::string outside = tmp.Write("t.c", kOneLine);
  const std::string tagsHead = "!_TAG_FILE_FORMAT\t2\t/extended format/\n"
                               "!_TAG_FILE_SORTED\t1\t/0=unsorted, 1=sorted, 2=foldcase/\n";
  auto tag = [](const std::string& name, const std::string& file, int line) {
    return name + "\t" + file + "\t" + std::to_string(line) + ";\"\tkind:f" +
           (name.find("Log") != std::string::npos ? "\tclass:CUtil\n" : "\n");
  };
  Check({
      {"tolvane-xref --rules=classic -n main.c util.cpp", 0,
       "<@/main.fnc>main:2\n\tinit:4\n\trun:5\n\tcleanup:1\n"
       "<@/util.fnc>CUtil::Log:2\n\tprintf:4\n",
       ""},
      {"tolvane-xref --line-numbers --callers=printf main.c util.cpp", 0,
       "<@/util.fnc>CUtil::Log:2\n", ""},
      // Paths below the current folder are written from it, as bytes.
      {"tolvane-xref --format=grep main.c util.cpp @/" + kTest + " " + outside, 0,
       "main.c:2: main\nutil.cpp:2: CUtil::Log\n" + kTest + ":1"
           ": f\n" + kTest + ":6: g\n" + outside + ":1: f\n",
       ""},
      {"tolvane-xref --rules=classic --format=grep --callers=cleanup main.c util.cpp", 0,
       "util.cpp:1: main\n", ""},
      // --callees in grep lines: TakesEditorsToTheLinesThroughTagsAndGrepOutput.
      // A member function under its bare name too; sorted byte-wise.
      {"tolvane-xref --format=ctags main.c util.cpp " + kTest, 0,
       tagsHead + tag("CUtil::Log", "util.cpp", 2) + tag("Log", "util.cpp", 2) +
           tag("f", kTest, 1) + tag("g", kTest, 6) + tag("main", "main.c", 2),
       ""},
      // Paths from the tags file's folder when below it, else in full.
      {"tolvane-xref --format=ctags main.c " + kTest + " -o sub/tags && cat sub/tags", 0,
       tagsHead + tag("f", kTest.substr(4), 1) + tag("g", kTest.substr(4), 6) +
           tag("main", "@/main.c", 2),
       ""},
      {"cd sub && tolvane-xref --format=ctags --callees=main ../main.c", 0,
       tagsHead + tag("main", "@/sub/../main.c", 2), ""},
  });

  // The syntax rules in every format and way of naming files.
  ASSERT_EQ(mkdir(src.Join("cpp").c_str(), 0700), 0);
  src.Write("cpp/combo.cpp", kComboCpp);
  std::string text, numbered, report;
  for (const auto& [entry, calls] : kCombo) {
    text += "<@/cpp/combo.fnc>" + std::string(entry.name) + "\n";
    numbered += "<@/cpp/combo.fnc>" + std::string(entry.name) + ":" +
                std::to_string(entry.line) + "\n";
    report += "\x8A\xD6\x90\x94\x96\xBC\x81\x46" + std::string(entry.name) + "\n";  // 関数名：
    for (const Named& call : calls) {
      text += "\t" + std::string(call.name) + "\n";
      numbered += "\t" + std::string(call.name) + ":" + std::to_string(call.line) + "\n";
      report += "\t" + std::string(call.name) + "\n";
    }
    report += "\n";
  }
  const std::string add = "<@/cpp/combo.fnc>ui::CComboData::Add\n\tcombo_init\n\tStore\n";
  // A qualified name under its bare name too, with its scope: a class or a namespace.
  auto comboTag = [](const char* name, int line, const char* scope) {
    return std::string(name) + "\tcpp/combo.cpp\t" + std::to_string(line) + ";\"\tkind:f" +
           scope + "\n";
  };
  const char* cls = "\tclass:ui::CComboData";
  const char* ns = "\tnamespace:ui";
  std::string tags = comboTag("Add", 16, cls) + comboTag("Count", 6, cls) +
                     comboTag("Log", 8, ns) + comboTag("combo_init", 11, "") +
                     comboTag("main", 21, "") + comboTag("ui::CComboData::Add", 16, cls) +
                     comboTag("ui::CComboData::Count", 6, cls) + comboTag("ui::Log", 8, ns);
  Check({
      {"tolvane-xref --rules=syntax -n cpp/combo.cpp", 0, numbered, ""},
      {"tolvane-xref --encoding=cp932 cpp/combo.cpp", 0, text, ""},
      {"tolvane-xref -q -R cpp --callees=Add", 0, add, ""},
      // A question's name and a function's or a call's match by the last "::" part.
      {"echo cpp/combo.cpp | tolvane-xref -L - --callers=CComboData::Add", 0,
       "<@/cpp/combo.fnc>main\n", ""},
      {"tolvane-xref --format=grep --callers=Log cpp/combo.cpp", 0, "cpp/combo.cpp:26: main\n", ""},
      {"tolvane-xref --format=grep --callers=Log --rules=classic cpp/combo.cpp", 0, "", ""},
      {"tolvane-xref --format=ctags cpp/combo.cpp", 0, tagsHead + tags, ""},
      {"tolvane-xref --format=json --callees=Log cpp/combo.cpp", 0,
       "{\"rules\": \"syntax\", \"functions\": [\n{\"entry\":\"<@/cpp/combo.fnc>ui::Log\","
       "\"name\":\"ui::Log\",\"file\":\"@/cpp/combo.cpp\",\"line\":8,"
       "\"output\":\"@/cpp/combo.fnc\",\"encoding\":\"cp932\",\"calls\":[\"Write\"],"
       "\"call_sites\":[{\"name\":\"Write\",\"line\":8}]}\n]}\n",
       ""},
      {"tolvane-xref --format=dot --callers=ui::CComboData::Add cpp/combo.cpp", 0,
       "digraph \"tolvane\" {\n  newrank=true;\n  node [shape=\"box\"];\n"
       "  subgraph \"cluster_0\" {\n    label=\"@/cpp/combo.cpp\";\n"
       "    \"f4\" [label=\"main\", tooltip=\"@/cpp/combo.cpp:21\"];\n  }\n"
       "  \"n5\" [label=\"Add\", style=\"dashed\"];\n  \"f4\" -> \"n5\" [style=\"dashed\"];\n}\n",
       ""},
      {"tolvane-xref --reports cpp/combo.cpp >/dev/null && cat cpp/combo.fnc", 0, report, ""},
  });
}

// The editors themselves read the tags and the grep lines.
TEST_F(Xref, TakesEditorsToTheLinesThroughTagsAndGrepOutput) {
  src.Write("main.c", kMainC);
  src.Write("util.cpp", kUtilCpp);
  const std::string vim = "vim -es -u NONE -i NONE -N ";
  // Writes "FILE:LINE" of where each tag takes vim.
  std::string jumps = vim + "-c 'let g:w = []' -c 'set tags=tags'";
  for (const char* name : {"main", "Log", "CUtil::Log"})
    jumps += std::string(" -c 'tag ") + name + "' -c 'call add(g:w, expand(\"%\") . \":\" . line(\".\"))'";
  jumps += " -c 'call writefile(g:w, \"jumps\")' -c 'qa!' && cat jumps";

  // Files whose names vim could take for something else. Each defines tK
  // (K its row); a tag vim must not follow is left out of the tags file.
  // Vim gets $X, a home folder and a program `pwn` that leaves a file "ran",
  // and files its expansions would reach instead: ab.c and home/x.c.
  struct Name {
    std::string file;
    bool kept;
  } names[] = {
      {"plain.c", true},   {"a|b.c", true},    {"a%b.c", true},     {"#a.c", true},
      {"a b.c", true},     {"a\\b.c", true},   {"a*.c", true},      {"a?.c", true},
      {"a{b,c}.c", true},  {"a;b.c", true},    {"a<b.c", true},     {"a'b'.c", true},
      {"a~b.c", true},     {"+b.c", true},     {"\x83\x5C.c", true},  // ソ
      {"a`pwn`.c", false}, {"\x83`pwn`.c", false},  // ヂ's second byte is a back-tick
      {"a$X.c", false},    {"~/x.c", false},   {"a[b].c", false},   {"a\tb.c", false},
  };
  for (const char* dir : {"t", "t/~", "home", "bin"})
    ASSERT_EQ(mkdir(src.Join(dir).c_str(), 0700), 0);
  src.Write("t/ab.c", "decoy\n");
  src.Write("home/x.c", "decoy\n");
  src.Write("t/a\nb.c", kOneLine);  // never reaches a formatter
  std::string pwn = src.Write("bin/pwn", "#!/bin/sh\ntouch " + src.Join("ran") + "\n");
  ASSERT_EQ(chmod(pwn.c_str(), 0700), 0);
  std::vector<std::string> tags;
  std::string script = "let g:w = []\nset tags=t/tags\n", landed;
  int leftOut = 0;
  for (std::size_t k = 0; k < std::size(names); ++k) {
    std::string tag = "t" + std::to_string(k);
    src.Write("t/" + names[k].file, "void " + tag + "(void)\n{\n}\n");
    if (names[k].kept) tags.push_back(tag);
    leftOut += !names[k].kept;
    // The first line of the file the tag takes vim to, empty when none.
    script += "enew\nsilent! tag " + tag + "\ncall add(g:w, getline('.'))\n";
    landed += names[k].kept ? "void " + tag + "(void)\n" : "\n";
  }
  script += "call writefile(g:w, 'jumps')\nqa!\n";
  src.Write("jumps.vim", script);
  std::sort(tags.begin(), tags.end());
  std::string tagNames = "!_TAG_FILE_FORMAT\n!_TAG_FILE_SORTED\n";
  for (const std::string& t : tags) tagNames += t + "\n";

  Check({
      {"tolvane-xref --format=ctags -o tags main.c util.cpp && " + jumps, 0,
       "main.c:2\nutil.cpp:2\nutil.cpp:2\n", ""},
      {"tolvane-xref --rules=classic --format=grep --callees=main main.c util.cpp >qf && " + vim +
           "-c 'cfile qf' -c 'call writefile(map(getqflist(), "
           "{_, e -> e.valid . \" \" . bufname(e.bufnr) . \":\" . e.lnum . \":\" . e.text}), "
           "\"list\")' -c 'qa!' && cat list",
       0, "1 main.c:4: init\n1 main.c:5: run\n1 util.cpp:1: cleanup\n", ""},
      {"tolvane-xref -R --format=ctags -o t/tags t; echo $?; cut -f1 t/tags", 0, "1\n" + tagNames,
       "tolvane-xref: @/t/a\\nb.c holds a line feed. Skipped.\n"
       "tolvane-xref: " + std::to_string(leftOut) +
           " functions are not in the tags: their files' paths hold a tab, a back-tick, $ or [, "
           "or start with ~, which editors would take for other files or commands.\n"},
      {"X=b HOME=@/home SHELL=/bin/bash PATH=@/bin:$PATH " + vim +
           "-S jumps.vim && cat jumps && ! ls ran 2>/dev/null",
       0, landed, ""},
  });
}

// Every kind of target -o may name: a regular file is replaced whole
// (keeping its permissions and group), the system's stream names are the
// descriptors themselves, /dev/null and the user's own FIFOs are written
// directly, and anything else (a link, a folder, a device, another user's
// FIFO) is refused with the old file untouched.
TEST_F(Xref, WritesTheOutputOnlyToTargetsThatAreSafeToWrite) {
  src.Write("a.c", kCallsA);
  src.Write("big.c", BigSource());
  ASSERT_EQ(mkdir(src.Join("lib").c_str(), 0700), 0);
  bool root = geteuid() == 0;
  std::string asUser = root ? "setpriv --bounding-set=-dac_override,-dac_read_search " : "";
  // A group to keep: root may give any; another user one of their own.
  std::string group = root ? "4242" : "$(id -G | tr ' ' '\\n' | tail -1)";
  const std::string kRefused = "; only a regular file, /dev/null, or a FIFO or terminal of "
                               "your own takes the output.\n";
  std::vector<Row> rows = {
      {"echo old >out && chgrp " + group + " out && chmod 640 out && tolvane-xref -o out a.c && "
           "cat out && test $(stat -c %a:%g out) = 640:" + group,
       0, kA, ""},
      {"umask 027 && tolvane-xref a.c --output=new && cat new && stat -c %a new", 0,
       kA + "640\n", ""},
      {"tolvane-xref -o - a.c", 0, kA, ""},
      {"echo old >out && ln -s out link && tolvane-xref -o link a.c; echo $?; cat out", 0,
       "1\nold\n", "tolvane-xref: @/link is a symbolic link; name the file itself.\n"},
      {"ln -s nowhere dangling && ln -s loop loop && tolvane-xref -o dangling a.c; "
       "tolvane-xref -o loop a.c; echo $?; ls nowhere",
       2, "1\n",
       "tolvane-xref: @/dangling is a symbolic link; name the file itself.\n"
       "tolvane-xref: @/loop is a symbolic link; name the file itself.\n"
       "ls: cannot access 'nowhere': No such file or directory\n"},
      {"ln -s lib folder && tolvane-xref -o folder/out --callees=g a.c && cat lib/out", 0,
       "<@/a.fnc>g\n\th\n", ""},
      {"tolvane-xref -o /dev/null a.c && test -c /dev/null", 0, "", ""},
      // Opened anew, the file would be written from its start over "first".
      {"(echo first; tolvane-xref -o /dev/stdout --callees=g a.c) >so && "
       "tolvane-xref -o /dev/fd/3 --callees=f a.c 3>>so && cat so",
       0, "first\n<@/a.fnc>g\n\th\n<@/a.fnc>f\n\tg\n\th\n", ""},
      {"tolvane-xref -o /dev/stderr --callees=g a.c 2>&1", 0, "<@/a.fnc>g\n\th\n", ""},
      // The shell holds the FIFO open for reading and writing, so that the
      // output waits in it; a second reader then takes it to the end.
      {"mkfifo fifo && exec 3<>fifo && tolvane-xref -o fifo --callees=g a.c && exec 4<fifo 3>&- "
       "&& cat <&4",
       0, "<@/a.fnc>g\n\th\n", ""},
      {"mkfifo lonely && tolvane-xref -o lonely a.c", 1, "",
       "tolvane-xref: @/lonely is a FIFO without a reader; no output written to it.\n"},
      {"tolvane-xref -o /dev/zero a.c", 1, "", "tolvane-xref: /dev/zero is a device" + kRefused},
      {"tolvane-xref -o lib a.c", 1, "", "tolvane-xref: @/lib is not a regular file. (Is a directory)\n"},
      {"echo old >out && tolvane-xref -o out a.c missing.c; cat out", 0, "old\n",
       "tolvane-xref: @/missing.c was not found.\n"
       "tolvane-xref: @/out is left as it was: the run did not finish.\n"},
      {"tolvane-xref -o a.c a.c; cat a.c", 0, kCallsA,
       "tolvane-xref: @/a.c is a file the run analyses: no output written to it.\n"},
      {"mkdir ro && echo old >ro/out && chmod 555 ro && " + asUser +
           "tolvane-xref -o ro/out a.c; cat ro/out",
       0, "old\n", "tolvane-xref: Access to @/ro/out was denied. (Permission denied)\n"},
      // Past the file size limit the write fails as any other would.
      {"(ulimit -f 1024 && tolvane-xref --format=json -o out big.c); echo $?; cat out", 0, "1\nold\n",
       "tolvane-xref: A write error occurred on @/out. (File too large)\n"},
  };
  if (root)
    rows.push_back({"mkfifo theirs && chown nobody theirs && tolvane-xref -o theirs a.c", 1, "",
                    "tolvane-xref: @/theirs is a FIFO of another user" + kRefused});
  rows.push_back({"ls -A", 0,
                  std::string("a.c\nbig.c\ndangling\nfifo\nfolder\nlib\nlink\nlonely\nloop\nnew\n"
                              "out\nro\nso\n") + (root ? "theirs\n" : ""),
                  ""});
  Check(rows);
}

// TOLVANE_XREF_THREADS chooses one thread or two; a fault preloaded into
// the program stands in for limits that root escapes. "one" is what a
// single thread writes.
TEST_F(Xref, FormatsAlikeOnOneThreadOrTwoAndEndsCleanlyWhenThreadsOrMemoryFail) {
  src.Write("big.c", BigSource());
  src.Write("main.c", kMainC);
  const std::string one = "TOLVANE_XREF_THREADS=1 ", two = "TOLVANE_XREF_THREADS=2 ";
  // The sanitizer's runtime would rather come first of the libraries.
  const std::string fault = std::string("ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0 ") +
                            "LD_PRELOAD=" + XREF_FAULTS_PATH + " XREF_FAULT=";
  const std::string oom = "tolvane-xref: Out of memory.\n";
  std::vector<Row> rows;
  for (std::string format : {"text", "json", "dot", "ctags", "grep"}) {
    std::string run = "tolvane-xref --format=" + format + " big.c main.c";
    rows.push_back({one + run + " >one && " + two + run + " | cmp - one && " + two + fault +
                        "no-threads " + run + " -o out && cmp out one",
                    0, "", ""});
    // The formatting thread runs out of memory at once, or later on: the
    // old file stays, nothing else is left behind.
    for (const char* n : {"1", "5"})
      rows.push_back({"echo old >out && " + two + fault + "new-off-main:" + n + " " + run + " -j1" +
                          " -o out; echo $?; cat out; ls -A",
                      0, "1\nold\nbig.c\nmain.c\none\nout\n",
                      oom + "tolvane-xref: @/out is left as it was: the run did not finish.\n"});
    // One thread: the same fault meets no thread at all.
    rows.push_back({one + fault + "new-off-main:1 " + run + " -j1 | cmp - one", 0, "", ""});
    // Analysing threads out of memory: the run ends as it would on one.
    rows.push_back({"echo old >out && " + fault + "new-off-main:1 " + run +
                        " -j2 -o out; echo $?; cat out",
                    0, "1\nold\n",
                    oom + "tolvane-xref: @/out is left as it was: the run did not finish.\n"});
  }
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // (Their shadow memory needs more address space.)
  // A thread's stack (as big as the stack limit) beyond the address space
  // left: no thread to be had, even for root. "one" is the grep output.
  rows.push_back({"ulimit -s 2000000 && ulimit -v 1500000 && " + two +
                      "tolvane-xref --format=grep big.c main.c | cmp - one",
                  0, "", ""});
#endif
  Check(rows);
}

TEST_F(Xref, GivesTheSameOutputAndMessagesWhateverTheJobs) {
  // 300 files, some of whose first calls go to the function the file before
  // left open, some in Shift-JIS or UTF-8, with a missing file, a folder and
  // a fifo among them; the second list, without those, has enough output
  // to fill a pipe.
  ASSERT_EQ(mkdir(src.Join("t").c_str(), 0700), 0);
  std::string list, readable;
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    src.Write("t/s" + n + ".c", SideBySideSource(i));
    list += "t/s" + n + ".c\n";
    readable += "t/s" + n + ".c\n";
    if (i == 100) list += "t/gone.c\n";
    if (i == 150) list += "t\n";
    if (i == 200) list += "t/fifo.c\n";
  }
  ASSERT_EQ(mkfifo(src.Join("t/fifo.c").c_str(), 0600), 0);
  src.Write("list", list);
  src.Write("big.c", BigSource());
  src.Write("list2", readable + "big.c\n" + readable);
  std::vector<Row> rows;
  for (std::string format : {"text -n", "json", "dot", "ctags", "grep"}) {
    const std::string run = "tolvane-xref --format=" + format + " ";
    const std::string one = run + "-j1 -L list >one 2>err1; echo $? >>one";
    for (const char* jobs : {"-j2", "--jobs=8"})
      rows.push_back({one + " && " + run + jobs + " -L list >out 2>err; echo $? >>out; " +
                          "cmp out one && cmp err err1",
                      0, "", ""});
    // Cut short by a reader that leaves.
    rows.push_back({run + "-j1 -L list2 | head -n 3 >one && " + run +
                        "-j8 -L list2 | head -n 3 | cmp - one && " + run +
                        "-L list2 | head -c 1 | cmp - <(head -c 1 one)",
                    0, "", ""});
  }
  Check(rows);
  EXPECT_EQ(ListFolder(UserFolder()), "");
}

TEST_F(Xref, LeavesTheOldOutputFileWhenTheDiskIsFull) {
  src.Write("big.c", BigSource());
  ASSERT_EQ(mkdir(src.Join("small").c_str(), 0700), 0);
  std::string why;
  auto fs = SmallFileSystem::Mount(src.Join("small"), 64 * 1024, false, &why);
  if (!fs) GTEST_SKIP() << why;
  std::vector<Row> rows;
  for (const char* format : {"text", "ctags", "json"})
    rows.push_back({std::string("echo old >small/tags && tolvane-xref -o small/tags --format=") +
                        format + " big.c; cat small/tags; ls -A small",
                    0, "old\ntags\n",
                    "tolvane-xref: Disk full while writing @/small/tags. (No space left on device)\n"});
  Check(rows);
}

TEST_F(Xref, RemovesItsWorkingFolderWhenTerminated) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "ThreadSanitizer takes the signals and delivers them in its own time";
#endif
  src.Write("big.c", BigSource());
  for (const char* name : {"a.c", "b.c", "c.c", "d.c"}) src.Write(name, BigSource());
  for (int sig : {SIGTERM, SIGINT}) {
    // Nobody reads its output until Wait(): the run stays in a write.
    // Four threads, each with its working files in a folder of its own.
    Child c(In({"tolvane-xref", "-j4", "big.c", "a.c", "b.c", "c.c", "d.c"}));
    for (int i = 0; i < 6000 && ListFolder(UserFolder()).empty(); ++i) usleep(10000);
    ASSERT_NE(ListFolder(UserFolder()), "");
    kill(c.pid(), sig);
    EXPECT_EQ(c.Wait().signal, sig);
    EXPECT_EQ(ListFolder(UserFolder()), "");
  }
}

}  // namespace
