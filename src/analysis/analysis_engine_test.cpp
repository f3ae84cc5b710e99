#include "analysis/analysis_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/small_file_system.h"
#include "tests/engine_table.h"
#include "tests/temp_dir.h"

namespace {

using Strings = std::vector<std::string>;

struct Recorder : IAnalysisSink {
  Strings events;
  const CAnalysisEngine* engine = nullptr;
  void OnFunctionAdded(int index) override {
    events.push_back("entry " + engine->GetEntryText(index).str());
  }
  void OnCalleeAdded(const CString& name) override { events.push_back("callee " + name.str()); }
};


// Analyses the given sources (name, bytes) as one run in a fresh folder.
std::string Analyze(const std::vector<std::pair<std::string, std::string>>& sources,
                    const char* ext = "fnc") {
  TempDir dir;
  std::vector<CString> files;
  for (const auto& [name, bytes] : sources) files.push_back(CString(dir.Write(name, bytes)));
  CAnalysisEngine e;
  e.Run(files, ext, dir.path());
  std::string table = TableText(e);
  // Entries carry the folder's name; the tests compare them without it.
  for (std::size_t at; (at = table.find(dir.path())) != std::string::npos;)
    table.replace(at, dir.path().size(), "");
  return table;
}

const char kWorkedExample[] =
    "/* sample */\n"
    "int count;\n"
    "static int\n"
    "add(int a, int b) /* sum */\n"
    "{\n"
    "return a + b; // result\n"
    "}\n"
    "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n"
    "ON_BN_CLICKED(100, OnGo)\n"
    "END_MESSAGE_MAP()\n"
    "void show(void)\n"
    "{\n"
    "/* print\n"
    "twice */\n"
    "add(1, 2);\n"
    "}\n";

TEST(AnalysisRun, WorkedExampleGoesThroughBothWorkingFilesIntoFourEntries) {
  TempDir dir;
  std::string src = dir.Write("calc.c", kWorkedExample);
  Recorder rec;
  CAnalysisEngine e(&rec);
  rec.engine = &e;
  e.BeginRun(dir.path());
  e.AnalyzeFile(CString(src.c_str()), "fnc");
  e.CloseWorkFiles();

  EXPECT_EQ(ReadWholeFile(dir.Join("tmp1.fnc")),
            "\x8A\xD6\x90\x94\x96\xBC\x81\x46\n"
            "/* sample */\n"
            "int count;\n"
            "static int\n"
            "add(int a, int b) /* sum */\n"
            "{\n"
            "return a + b; \r\n"
            "}\n"
            "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n{}\n"
            "ON_BN_CLICKED(100, OnGo)\n"
            "END_MESSAGE_MAP()\n{}\n"
            "void show(void)\n"
            "{\n"
            "/* print\n"
            "twice */\n"
            "add(1, 2);\n"
            "}\n");
  EXPECT_EQ(ReadWholeFile(dir.Join("tmp2.fnc")),
            "\n"
            "add(int a, int b) \n"
            "{\n"
            "}\n"
            "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n{}\n"
            "ON_BN_CLICKED(100, OnGo)\n"
            "END_MESSAGE_MAP()\n{}\n"
            "void show(void)\n"
            "{\n"
            "add(1, 2);\n"
            "}\n");

  const std::string out = dir.path() + "/calc.fnc";
  EXPECT_EQ(TableText(e), "<" + out + ">add\n"
                      "<" + out + ">BEGIN_MESSAGE_MAP\n"
                      "<" + out + ">ON_BN_CLICKED\n"
                      "<" + out + ">show\n\tadd\n");
  EXPECT_EQ(rec.events, (Strings{"entry <" + out + ">add", "entry <" + out + ">BEGIN_MESSAGE_MAP",
                                 "entry <" + out + ">ON_BN_CLICKED", "entry <" + out + ">show",
                                 "callee add"}));
  EXPECT_EQ(e.GetEntryName(3), CString("show"));
  EXPECT_EQ(e.GetEntrySource(3), CString(src.c_str()));
  EXPECT_EQ(e.GetCurrentFunction(), 3);

  e.EndRun();
  EXPECT_EQ(ListFolder(dir.path()), "calc.c");
}

TEST(AnalysisRun, CarriesTheCurrentFunctionFromOneFileToTheNext) {
  EXPECT_EQ(Analyze({{"a.c", "int one(void)\n{\n  f();\n}\n"},
                     {"b.c", "  g(1);\n  f();\nvoid two(void)\n{\n  h();\n}\n"}}),
            "</a.fnc>one\n\tf\n\tg\n"
            "</b.fnc>two\n\th\n");
}

TEST(AnalysisRun, AnEmptyRunLeavesAnEmptyTableAndNoWorkingFiles) {
  TempDir dir;
  CAnalysisEngine e;
  e.Run({}, "fnc", dir.path());
  EXPECT_EQ(e.GetFunctionCount(), 0);
  EXPECT_EQ(e.GetCurrentFunction(), -1);
  EXPECT_EQ(ListFolder(dir.path()), "");
}

TEST(AnalysisRun, StartsEveryRunFromAnEmptyTable) {
  TempDir dir;
  std::string src = dir.Write("a.c", "int f(void)\n{\n  g();\n}\n");
  CAnalysisEngine e;
  e.Run({CString(src.c_str())}, "fnc", dir.path());
  e.Run({CString(src.c_str())}, "txt", dir.path());
  EXPECT_EQ(TableText(e), "<" + dir.path() + "/a.txt>f\n\tg\n");
}

TEST(AnalysisRun, NamesEntriesAfterThePathWithItsOwnExtensionReplaced) {
  struct Case {
    const char* path;
    const char* out;
  } cases[] = {
      {"/src/main.cpp", "/src/main.fnc"},
      {"/home/u/proj.v2/main.cpp", "/home/u/proj.v2/main.fnc"},
      {"/w/a.b.cpp", "/w/a.b.fnc"},
      {"/w/x", "/w/x.fnc"},
      {"/w/.hidden", "/w/.hidden.fnc"},
      {"/w/trailing.", "/w/trailing.fnc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CAnalysisEngine::MakeOutName(c.path, "fnc"), CString(c.out)) << c.path;
}

TEST(AnalysisRun, GivesEveryFileItsOwnOutputName) {
  // Two files of dotted folders stay apart, and a file without extension
  // does not keep the name of the file before it.
  EXPECT_EQ(Analyze({{"m.c", "void f(void)\n{\n}\n"}, {"m", "void g(void)\n{\n}\n"}}),
            "</m.fnc>f\n</m.fnc>g\n");
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Join("p.v2").c_str(), 0700), 0);
  std::string a = dir.Write("p.v2/a.c", "void f(void)\n{\n}\n");
  std::string b = dir.Write("p.v2/b.c", "void g(void)\n{\n}\n");
  CAnalysisEngine e;
  e.Run({CString(a.c_str()), CString(b.c_str())}, "fnc", dir.path());
  EXPECT_EQ(e.GetEntryText(0), CString(("<" + dir.path() + "/p.v2/a.fnc>f").c_str()));
  EXPECT_EQ(e.GetEntryText(1), CString(("<" + dir.path() + "/p.v2/b.fnc>g").c_str()));
}

TEST(AnalysisRun, ClosesABlockCommentAtTheEndOfItsFile) {
  EXPECT_EQ(Analyze({{"a.c", "void f(void)\n{\n/* open\n"},
                     {"b.c", "  g();\n}\n"}}),
            "</a.fnc>f\n\tg\n");
}

TEST(StatementPass, HidesTheFirstByteOfALineBehindALeadByteEndingTheLineBefore) {
  // A 255-byte piece ending in a lead byte (0x83): the "}" that starts the
  // next piece is the second byte of a character, so the statement runs on
  // into the line after it, whose call then lies beyond byte 255.
  std::string piece = "  g()" + std::string(249, ' ') + "\x83";
  ASSERT_EQ(piece.size(), 255u);
  const std::string head = "void m(void)\n{\n", tail = "}\n  h();\n}\n";
  EXPECT_EQ(Analyze({{"a.c", head + piece + tail}}), "</a.fnc>m\n\tg\n");
  piece.back() = ' ';
  EXPECT_EQ(Analyze({{"a.c", head + piece + tail}}), "</a.fnc>m\n\tg\n\th\n");
}

TEST(StatementPass, ShowsTheRecognisersOnlyTheFirst255Bytes) {
  // The ")" of the head lies beyond byte 255: no head is seen, and f is
  // taken for a call of m.
  std::string head = "void f(int a" + std::string(260, ' ') + ")\n{\n";
  EXPECT_EQ(Analyze({{"a.c", "void m(void)\n{\n}\n" + head + "  g();\n}\n"}}),
            "</a.fnc>m\n\tf\n\tg\n");
}

std::string FailureOf(CAnalysisEngine& e, const std::vector<CString>& files,
                      const std::string& workDir) {
  try {
    e.Run(files, "fnc", workDir);
  } catch (const CFileException& ex) {
    return ex.GetErrorMessage().str();
  }
  return "(no failure)";
}

TEST(AnalysisFailure, EndsTheRunAtAMissingFileKeepingWhatCameBefore) {
  TempDir dir;
  std::string a = dir.Write("a.c", "void f(void)\n{\n  g();\n}\n");
  std::string gone = dir.Join("gone.c");
  std::string c = dir.Write("c.c", "void h(void)\n{\n}\n");
  CAnalysisEngine e;
  EXPECT_EQ(FailureOf(e, {CString(a.c_str()), CString(gone.c_str()), CString(c.c_str())},
                      dir.path()),
            gone + " was not found.");
  EXPECT_EQ(TableText(e), "<" + dir.path() + "/a.fnc>f\n\tg\n");
  EXPECT_EQ(e.GetOutName(), CString((dir.path() + "/a.fnc").c_str()));
  // The working files of the files before stay where they were.
  EXPECT_EQ(ListFolder(dir.path()), "a.c c.c tmp1.fnc tmp2.fnc");
}

TEST(AnalysisFailure, RefusesAFolderNamedLikeASource) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Join("lib.c").c_str(), 0700), 0);
  CAnalysisEngine e;
  EXPECT_EQ(FailureOf(e, {CString(dir.Join("lib.c").c_str())}, dir.path()),
            dir.Join("lib.c") + " is not a regular file.");
  EXPECT_EQ(e.GetFunctionCount(), 0);
}

TEST(AnalysisFailure, NamesTheWorkingFileThatCannotBeCreated) {
  TempDir dir;
  std::string src = dir.Write("a.c", "void f(void)\n{\n}\n");
  CAnalysisEngine e;
  EXPECT_EQ(FailureOf(e, {CString(src.c_str())}, dir.Join("missing")),
            dir.Join("missing") + "/tmp1.fnc was not found.");
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
  std::string path = dir.Write("big.c", src);
  CAnalysisEngine e;
  EXPECT_EQ(FailureOf(e, {CString(path.c_str())}, work),
            "Disk full while writing " + work + "/tmp1.fnc. (No space left on device)");
  EXPECT_EQ(e.GetFunctionCount(), 0);  // the statement pass never began
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
  std::string src = dir.Write("a.c", "void f(void)\n{\n}\n");
  CAnalysisEngine e;
  std::string message = FailureOf(e, {CString(src.c_str())}, work);
  EXPECT_EQ(message.rfind("Access to " + work + "/tmp1.fnc was denied.", 0), 0u) << message;
}

}  // namespace
