#include "analysis/run_assembly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/rule_set.h"
#include "tests/classic_run.h"
#include "tests/engine_table.h"
#include "tests/generated_sources.h"
#include "tests/temp_dir.h"

namespace {

// Rules that read a file's words from a table instead of its bytes:
// "+NAME" a head, "NAME" a call (line: its word's number), "!missing" the
// file failing, "!disk" a working file failing, "!full" the table full, "?"
// a look at whether the run is to stop.
class ScriptedAnalyzer : public IFileAnalyzer {
 public:
  std::map<std::string, std::string> scripts;
  void Analyze(const CString& path, CFileUnit& unit) override {
    std::istringstream words(scripts.at(path.str()));
    if (scripts.at(path.str()) == "!missing") throw CFileException(CFileException::fileNotFound, path);
    unit.BeginFile(path, TextEncoding::kAscii);
    int line = 0;
    for (std::string w; words >> w;) {
      ++line;
      if (w == "!disk") throw CFileException(CFileException::diskFull, "/work/tmp1.fnc");
      if (w == "!full") throw std::length_error("too many names for one run");
      if (w == "?") {
        if (unit.StopRequested()) return;
      } else if (w[0] == '+') {
        unit.AddHead(w.substr(1), line);
      } else {
        unit.AddCall(w, [line] { return line; });
      }
    }
  }
  bool IsOwnFile(const CString& path) const override { return path == "/work/tmp1.fnc"; }
  void RemoveWorkFiles() override { removed = true; }
  bool removed = false;
};

// A list of files that notes what the run tells it, and asks to stop after
// answering stopAfter looks with no.
class NotingSources : public CSourceList {
 public:
  using CSourceList::CSourceList;
  std::string log;
  int looks = 0, stopAfter = -1;
  void Done(const AnalysisSource& s, const CFileException* skipped) override {
    log += " " + s.path.str() + (skipped ? " skipped (" + skipped->GetErrorMessage().str() + ")" : "");
  }
  bool StopNow() override { return stopAfter >= 0 && ++looks > stopAfter; }
};

TEST(RunSources, StitchesFilesInOrderAndEndsOrSkipsAsEachFileSays) {
  struct Case {
    const char* what;
    std::vector<AnalysisSource> sources;
    int stopAfter;
    const char *table, *log, *failure;
  } cases[] = {
      // Calls before a file's first head go to the last function before
      // it, once; before the run's first head, nowhere.
      {"carried calls", {{"a", true}, {"b", true}}, -1,
       "<a.fnc>f\n\tg\n\th\n<b.fnc>k\n\tg\n", " a b", "(none)"},
      {"a listed file that fails is skipped", {{"a", false}, {"gone", false}, {"b", false}}, -1,
       "<a.fnc>f\n\tg\n\th\n<b.fnc>k\n\tg\n", " a gone skipped (gone was not found.) b", "(none)"},
      {"a named one ends the run", {{"a", true}, {"gone", true}, {"b", true}}, -1,
       "<a.fnc>f\n\tg\n", " a", "gone was not found. [gone]"},
      {"a working file ends it whatever the file", {{"a", false}, {"disk", false}, {"b", false}}, -1,
       "<a.fnc>f\n\tg\n<disk.fnc>d\n\tx\n", " a", "Disk full while writing /work/tmp1.fnc."},
      {"a full table ends it, naming the file", {{"a", false}, {"full", false}, {"b", false}}, -1,
       "<a.fnc>f\n\tg\n<full.fnc>u\n", " a", "full holds more than this program can take. [full]"},
      {"a stop during a file", {{"a", true}, {"long", true}, {"b", true}}, 1,
       "<a.fnc>f\n\tg\n<long.fnc>l1\n\tm\n", " a", "(none) stopped"},
  };
  for (const Case& c : cases) {
    // Written through, kept and stitched, or analysed on 1, 2 or 8 threads.
    for (int threads : {-1, 0, 1, 2, 8}) {
      // A stop comes when the calling thread looks, which on threads
      // depends on timing: a closed pipe shows it end to end (xref_test).
      if (threads > 0 && c.stopAfter >= 0) continue;
      SCOPED_TRACE(std::string(c.what) + ", mode " + std::to_string(threads));
      std::vector<ScriptedAnalyzer> analyzers(std::max(threads, 1));
      std::vector<IFileAnalyzer*> each;
      for (ScriptedAnalyzer& analyzer : analyzers) {
        analyzer.scripts = {{"a", "early +f g"},         {"b", "h g +k g"},
                            {"gone", "!missing"},        {"disk", "+d x !disk"},
                            {"full", "+u !full"},        {"long", "+l1 ? m ? +l2 ? n ? +l3"}};
        each.push_back(&analyzer);
      }
      NotingSources sources(c.sources);
      sources.stopAfter = c.stopAfter;
      CFunctionTable table;
      CTableAssembler assembler(table, nullptr, "fnc");
      AnalysisOutcome outcome =
          threads > 0 ? RunSourcesSideBySide(sources, each, assembler)
                      : RunSources(sources, analyzers[0], assembler, threads == 0);
      std::string failure = outcome.failure ? outcome.failure->GetErrorMessage().str() : "(none)";
      if (outcome.failedSource) failure += " [" + outcome.failedSource->path.str() + "]";
      if (outcome.stopped) failure += " stopped";
      EXPECT_EQ(TableText(table), c.table);
      EXPECT_EQ(sources.log, c.log);
      EXPECT_EQ(failure, c.failure);
      for (const ScriptedAnalyzer& analyzer : analyzers)
        EXPECT_EQ(analyzer.removed, !outcome.failure);
    }
  }
}

// Notes the sink's calls and the sources' answers, in order.
class NotingSink : public IAnalysisSink {
 public:
  std::string log;
  void OnHead(const CTableEntry& e) override { log += "head " + std::string(e.name) + "\n"; }
  void OnEntryFinal(const CTableEntry& e) override {
    log += "final " + std::to_string(e.index) + " " + std::to_string(e.calls.GetCount()) + "\n";
  }
};

TEST(RunsSideBySide, GiveWhatOneThreadGivesWithEitherRuleSet) {
  // A few hundred files: calls before the first head, files that end
  // inside a function, Shift-JIS and UTF-8 text, and a missing file and a
  // folder among them.
  TempDir dir, work;
  std::vector<AnalysisSource> files;
  for (int i = 0; i < 300; ++i) {
    const std::string n = std::to_string(i);
    if (i == 100 || i == 200) {
      if (i == 200) std::filesystem::create_directory(dir.Join("d200.c"));
      files.push_back({CString(dir.Join(i == 100 ? "gone.c" : "d200.c")), false});
      continue;
    }
    files.push_back({CString(dir.Write("s" + n + ".c", SideBySideSource(i))), false});
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string oldRuntime = runtime ? runtime : "";
  ASSERT_EQ(setenv("XDG_RUNTIME_DIR", work.path().c_str(), 1), 0);
  for (const IRuleSet* rules : {&ClassicRuleSet(), &SyntaxRuleSet()}) {
    std::string expected;
    for (int threads : {1, 2, 8}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      std::string got;
      {
        CAnalysisEngine engine;
        NotingSources sources(files);
        NotingSink sink;
        AnalysisRequest request;
        request.rules = rules;
        request.threads = threads;
        AnalysisOutcome outcome = engine.Run(sources, request, &sink);
        EXPECT_FALSE(outcome.failure);
        const CFunctionTable& t = engine.GetTable();
        got = TableText(t) + LinesText(t) + sources.log + "\n" + sink.log;
        for (int f = 0; f < t.GetFileCount(); ++f) got += EncodingName(t.GetFileEncoding(f));
        // The working files are gone; the threads' folders stay for the
        // next run until the engine goes.
        for (const auto& e : std::filesystem::recursive_directory_iterator(work.path()))
          EXPECT_TRUE(e.is_directory()) << e.path();
      }
      EXPECT_EQ(ListFolder(work.Join("tolvane")), "");
      if (threads == 1)
        expected = got;
      else
        EXPECT_EQ(got, expected);
    }
    EXPECT_NE(expected.find("gone.c was not found"), std::string::npos);
  }
  if (runtime)
    setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(CallNames, AreComparedAFewTimesPerCallHoweverManyAFunctionHas) {
  // A function of n distinct calls, then one of 2,000 distinct calls and
  // 20 n repeats of the last: a list searched in order would compare
  // names n² / 2 and 40,000 n times.
  TempDir dir;
  for (int n : {2000, 20000}) {
    std::string src = "void f(void)\n{\n";
    for (int i = 0; i < n; ++i) src += "  call_" + std::to_string(i) + "(x);\n";
    src += "}\nvoid g(void)\n{\n";
    for (int i = 0; i < 2000; ++i) src += "  other_" + std::to_string(i) + "(x);\n";
    for (int i = 0; i < 20 * n; ++i) src += "  other_1999(x);\n";
    src += "}\n";
    ClassicRun run;
    const std::uint64_t before = CNameSet::Comparisons();
    run.Run({CString(dir.Write("a.c", src))}, "fnc", dir.path());
    const std::uint64_t compared = CNameSet::Comparisons() - before;
    ASSERT_EQ(run.GetTable().GetCallList(0).GetCount(), n);
    ASSERT_EQ(run.GetTable().GetCallList(1).GetCount(), 2000);
    const std::uint64_t calls = static_cast<std::uint64_t>(n) + 2000 + 20 * n;
    EXPECT_LE(compared, calls + 100) << n;
  }
}

}  // namespace
