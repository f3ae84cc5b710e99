#include "tests/classic_run.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/engine_table.h"
#include "tests/small_file_system.h"
#include "tests/temp_dir.h"

namespace {

// Notes what the run reports: "+" and the name of each head recorded, "="
// and the name of each entry final with ":" and each of its calls.
struct Recorder : IAnalysisSink {
  std::string events;
  void OnHead(const CTableEntry& e) override { events += " +" + std::string(e.name); }
  void OnEntryFinal(const CTableEntry& e) override {
    events += " =" + std::string(e.name);
    for (POSITION pos = e.calls.GetHeadPosition(); pos;) events += ":" + std::string(e.calls.GetNextView(pos));
  }
};

TEST(AnalysisRun, WorkedExampleGoesThroughBothWorkingFilesIntoFourEntries) {
  TempDir dir;
  std::string src = dir.Write("calc.c",
                              "/* sample */\nint count;\nstatic int\nadd(int a, int b) /* sum */\n"
                              "{\nreturn a + b; // result\n}\n"
                              "BEGIN_MESSAGE_MAP(CMyView, CFormView)\nON_BN_CLICKED(100, OnGo)\n"
                              "END_MESSAGE_MAP()\n"
                              "void show(void)\n{\n/* print\ntwice */\nadd(1, 2);\n}\n");
  Recorder rec;
  ClassicRun e(&rec);
  e.BeginRun(dir.path());
  e.AnalyzeFile(CString(src), "fnc");
  e.CloseWorkFiles();

  EXPECT_EQ(ReadWholeFile(dir.Join("tmp1.fnc")),
            "\x8A\xD6\x90\x94\x96\xBC\x81\x46\n"  // "関数名："
            "/* sample */\nint count;\nstatic int\nadd(int a, int b) /* sum */\n"
            "{\nreturn a + b; \r\n}\n"
            "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n{}\nON_BN_CLICKED(100, OnGo)\n"
            "END_MESSAGE_MAP()\n{}\n"
            "void show(void)\n{\n/* print\ntwice */\nadd(1, 2);\n}\n");
  EXPECT_EQ(ReadWholeFile(dir.Join("tmp2.fnc")),
            "\nadd(int a, int b) \n{\n}\n"
            "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n{}\nON_BN_CLICKED(100, OnGo)\n"
            "END_MESSAGE_MAP()\n{}\n"
            "void show(void)\n{\nadd(1, 2);\n}\n");
  const std::string out = "<" + dir.Join("calc.fnc") + ">";
  EXPECT_EQ(TableText(e.GetTable()), out + "add\n" + out + "BEGIN_MESSAGE_MAP\n" + out + "ON_BN_CLICKED\n" +
                              out + "show\n\tadd\n");
  // The last entry may still gain calls from a file after it.
  EXPECT_EQ(rec.events, " +add =add +BEGIN_MESSAGE_MAP =BEGIN_MESSAGE_MAP +ON_BN_CLICKED =ON_BN_CLICKED +show");
  EXPECT_EQ(e.GetTable().GetEntrySource(3), CString(src));

  e.EndRun();
  EXPECT_EQ(rec.events.substr(rec.events.rfind(' ')), " =show:add");
  EXPECT_EQ(ListFolder(dir.path()), "calc.c");
}

TEST(AnalysisRun, CarriesTheCurrentFunctionFromOneFileToTheNextButNotToTheNextRun) {
  // The call before the run's first head goes nowhere, the block comment
  // left open ends with its file, and the file without an extension gets
  // an output name of its own.
  TempDir dir;
  std::string a = dir.Write("a.c", "  early();\nint one(void)\n{\n  f();\n/* open\n");
  std::string b = dir.Write("b", "  g(1);\n  f();\nvoid two(void)\n{\n  h();\n}\n");
  ClassicRun e;
  e.Run({CString(a), CString(b)}, "fnc", dir.path());
  EXPECT_EQ(TableText(e.GetTable()), "<" + dir.Join("a.fnc") + ">one\n\tf\n\tg\n"
                          "<" + dir.Join("b.fnc") + ">two\n\th\n");
  e.Run({CString(a)}, "txt", dir.path());
  EXPECT_EQ(TableText(e.GetTable()), "<" + dir.Join("a.txt") + ">one\n\tf\n");
  e.Run({}, "fnc", dir.path());
  EXPECT_EQ(e.GetTable().GetFunctionCount(), 0);
  EXPECT_EQ(e.GetTable().GetCurrentFunction(), -1);
  EXPECT_EQ(ListFolder(dir.path()), "a.c b");
}

// Where the names of a run stand: each entry as name@file:line, followed by
// its calls the same way, one entry to a line.
std::string Places(const CFunctionTable& t) {
  std::string out;
  for (int i = 0; i < t.GetFunctionCount(); ++i) {
    auto place = [](int file, int line) { return "@" + std::to_string(file) + ":" + std::to_string(line); };
    out += std::string(t.GetEntryName(i)) + place(t.GetEntryFile(i), t.GetEntryLine(i));
    int k = 0;
    for (const CString& call : t.GetCallList(i)) {
      out += " " + call.str() + place(t.GetCallFile(i, k), t.GetCallLine(i, k));
      ++k;
    }
    out += "\n";
  }
  return out;
}

TEST(AnalysisRun, RecordsTheSourceLineOfEachHeadAndOfEachFirstCall) {
  struct Case {
    std::string first, second;  // the files of the run
    const char* places;
  } cases[] = {
      // The head's line is its name's, wherever the type stands.
      {"static int\nmain(void)\n{\n  f(1);\n  f(2);\n}\n", "", "main@0:2 f@0:4\n"},
      // A statement joined from several lines: each call on its own line.
      {"void g(void)\n{\n  x = f(a,\n        h(b),\n        k(c));\n}\n", "",
       "g@0:1 f@0:3 h@0:4 k@0:5\n"},
      // Comments of one line and of several: the lines they take still count,
      // and so do the lines the passes drop.
      {"/* one\n   two */\nint x;\nvoid g(void) /* c */\n{\n  a(); // note\n  /* x\n  y */ lost();\n"
       "  b(1); /* z */ c(2);\n}\n",
       "", "g@0:4 a@0:6 b@0:9 c@0:9\n"},
      // CR LF ends a line; a lone CR does not; CR CR LF is a CR and a line end.
      {"void g(void)\r\n{\r\n  f();\r\n}\r\n", "", "g@0:1 f@0:3\n"},
      {"void g(void)\n{\n  f();\r  h();\n  k();\n}\n", "", "g@0:1 f@0:3 h@0:3 k@0:4\n"},
      {"void g(void)\r\n{\r\r\n  f();\r\n}\r\n", "", "g@0:1 f@0:3\n"},
      // A call before the second file's first head belongs to the first
      // file's function, at its own file and line.
      {"void one(void)\n{\n  f();\n}\n", "\n\n  early();\nvoid two(void)\n{\n  f();\n}\n",
       "one@0:1 f@0:3 early@1:3\ntwo@1:4 f@1:6\n"},
      // A line of 255 bytes and a line comment: the comment is a piece of
      // its own and goes, and the next line joins the first piece in the
      // working files. A name that spans both counts from its first byte.
      {"void m(void)\n{\ng(/*" + std::string(246, ' ') + "*/abc// comment\nde(1);\n  h();\n}\n", "",
       "m@0:1 g@0:3 abcde@0:3 h@0:5\n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first + "|" + c.second);
    std::vector<CString> files{CString(dir.Write("a.c", c.first))};
    if (!c.second.empty()) files.emplace_back(dir.Write("b.c", c.second));
    // Written through, and with each file's unit kept and stitched after it.
    for (bool keepUnits : {false, true}) {
      ClassicRun e;
      e.Run(files, "fnc", dir.path(), keepUnits);
      EXPECT_EQ(Places(e.GetTable()), c.places) << keepUnits;
    }
  }
}

TEST(AnalysisRun, NamesEntriesAfterThePathWithItsOwnExtensionReplaced) {
  struct Case {
    const char *path, *out;
  } cases[] = {
      {"/src/main.cpp", "/src/main.fnc"},
      {"/home/u/proj.v2/main.cpp", "/home/u/proj.v2/main.fnc"},
      {"/w/a.b.cpp", "/w/a.b.fnc"},
      {"/w/x", "/w/x.fnc"},
      {"/w/.hidden", "/w/.hidden.fnc"},
      {"/w/trailing.", "/w/trailing.fnc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CTableAssembler::MakeOutName(c.path, "fnc"), CString(c.out)) << c.path;
}

// The message of the CFileException that a run over files throws.
std::string FailureOf(ClassicRun& e, const std::vector<std::string>& files,
                      const std::string& workDir) {
  return FileErrorOf([&] { e.Run(std::vector<CString>(files.begin(), files.end()), "fnc", workDir); });
}

TEST(AnalysisFailure, ReportsAFullDiskUnderTheWorkingFiles) {
  TempDir dir;
  std::string work = dir.Join("work");
  ASSERT_EQ(mkdir(work.c_str(), 0700), 0);
  std::string why;
  auto fs = SmallFileSystem::Mount(work, 64 * 1024, false, &why);
  if (!fs) GTEST_SKIP() << "cannot mount a small file system here: " << why;
  // Heads early in the file, then far more text than the file system holds.
  std::string src = "void f(void)\n{\n  g();\n}\n";
  for (int i = 0; i < 20000; ++i) src += "  call(" + std::to_string(i) + ");\n";
  ClassicRun e;
  EXPECT_EQ(FailureOf(e, {dir.Write("big.c", src)}, work),
            "Disk full while writing " + work + "/tmp1.fnc. (No space left on device)");
  EXPECT_EQ(e.GetTable().GetFunctionCount(), 0);  // the statement pass never began
}

TEST(AnalysisFailure, ReportsAWorkingFolderThatCannotBeWritten) {
  TempDir dir;
  std::string work = dir.Join("work");
  ASSERT_EQ(mkdir(work.c_str(), 0700), 0);
  std::unique_ptr<SmallFileSystem> fs;
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(work.c_str(), 0500), 0);
  } else {
    // Permissions do not stop root: a read-only file system does, and
    // where none can be mounted, /sys refuses new files to everyone.
    std::string why;
    fs = SmallFileSystem::Mount(work, 64 * 1024, true, &why);
    if (!fs) work = "/sys";
  }
  ClassicRun e;
  std::string message = FailureOf(e, {dir.Write("a.c", "void f(void)\n{\n}\n")}, work);
  EXPECT_EQ(message.rfind("Access to " + work + "/tmp1.fnc was denied.", 0), 0u) << message;
}

}  // namespace
