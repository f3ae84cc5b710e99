// The analysis engine: takes C and C++ source files through a set of
// recognition rules and builds the function table.
//
// A run is one call: the files (a list, or one found as the run goes), how
// to read them, the rules and a sink. The engine keeps its working folder
// to itself, analyses the files in order (or side by side on threads, each
// with its own working files in a subfolder), each into a unit of its entries
// and the calls met before its first head (which belong to the last
// function of the file before), stitches the units into the table, and
// tells the sink of each head and of each entry that can no longer change.
// A file that fails either ends the run or is skipped, as the file says.
//
// The classic rules (the default, and the only ones yet) are textual: for
// each file, the line-comment pass copies the source into the first working
// file without its line comments, the block-comment pass copies the lines
// that can matter (those with a bracket) into the second working file
// without their block comments, and the statement pass joins those lines
// into statements, each ending at the first line that holds "{", ";" or "}".
// A statement is either a function head (recorded as a new entry of the
// table, which then becomes the current function), a declaration (dropped),
// or text whose calls are collected into the current function's call list.
// Nothing tracks braces: a function's calls are those met between its head
// and the next one, across files of the same run.
//
// Text is bytes and is never transcoded. Each file is read in the encoding
// its bytes show (or the one chosen for the run): Shift-JIS pairs each lead
// byte with the byte after it, while UTF-8 and EUC-JP, which never hold a
// byte below 0x80 inside a character, are read byte by byte. The engine
// knows no windows: it reports to its caller through IAnalysisSink, and its
// results are read through the function table.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/function_table.h"
#include "platform/files/file_exception.h"
#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"

class CWorkingDir;
class IRuleSet;

/// Where a run reports what it finds, in the order of the files. Both calls
/// come from inside the run and must be cheap; the record is valid during
/// the call.
class IAnalysisSink {
 public:
  virtual ~IAnalysisSink() = default;
  /// A head was recorded: entry.index is the new entry, with no calls yet.
  virtual void OnHead(const CTableEntry& entry) { (void)entry; }
  /// An entry is final: the run will add no call to it any more (a later
  /// head was recorded, or the run ended).
  virtual void OnEntryFinal(const CTableEntry& entry) { (void)entry; }
};

/// A file for a run.
struct AnalysisSource {
  CString path;         // full path
  bool endsRun = true;  // a failure ends the run (a file the user named), or skips the file
};

/// The files of a run, in order, and what the caller hears between them.
class IAnalysisSources {
 public:
  virtual ~IAnalysisSources() = default;
  /// The next file; false when there is none, or to end the run here.
  virtual bool Next(AnalysisSource& next) = 0;
  /// The file Next gave last is done: analysed, or skipped for the error
  /// skipped names. Not called for a file that ends the run or is stopped.
  virtual void Done(const AnalysisSource& source, const CFileException* skipped) {
    (void)source;
    (void)skipped;
  }
  /// Asked now and then while a file is read: true ends the run at once,
  /// what was found so far kept.
  virtual bool StopNow() { return false; }
};

/// Files given as a list.
class CSourceList : public IAnalysisSources {
 public:
  explicit CSourceList(std::vector<AnalysisSource> sources) : m_sources(std::move(sources)) {}
  /// Files that each end the run when they fail.
  explicit CSourceList(const std::vector<CString>& paths);
  bool Next(AnalysisSource& next) override;

 private:
  std::vector<AnalysisSource> m_sources;
  std::size_t m_nNext = 0;
};

/// How a run reads its files.
struct AnalysisRequest {
  CString extension = "fnc";  // entries are named after the file with this extension
  EncodingChoice encoding = EncodingChoice::kAuto;
  const IRuleSet* rules = nullptr;  // null: the classic rules
  /// How many threads analyse files side by side (at most kMaxThreads);
  /// 1: the calling thread alone. The results are the same either way.
  int threads = 1;
  static constexpr int kMaxThreads = 256;
  /// With threads: called on the calling thread while it waits for a file
  /// being analysed on another, at most every 20 ms, so that a caller with
  /// windows can paint them meanwhile. It must not reach the sink, the
  /// sources or the engine. Empty: the calling thread just waits.
  std::function<void()> whileWaiting;
};

/// How a run ended. The table keeps what was found, whatever happened.
struct AnalysisOutcome {
  const CFunctionTable* table = nullptr;
  /// The error that ended the run, naming its file or folder; none when the
  /// run went to its end or was stopped. Running past a capacity of the
  /// table is a tooLarge error of the file being read.
  std::optional<CFileException> failure;
  /// With failure: the file of the run it came from; none when it was the
  /// working folder or a working file.
  std::optional<AnalysisSource> failedSource;
  /// The sources ended the run early (Next or StopNow).
  bool stopped = false;
};

/// How many processors the process may run on (at least 1): the threads a
/// run may use to good effect.
int ProcessorsToRunOn();

class CAnalysisEngine {
 public:
  CAnalysisEngine();
  ~CAnalysisEngine();
  CAnalysisEngine(const CAnalysisEngine&) = delete;
  CAnalysisEngine& operator=(const CAnalysisEngine&) = delete;

  /// Empties the table, then analyses the sources in order as one run.
  /// sink may be null. After a failed run the working files stay for a
  /// look until the next run or the engine's end. Throws std::bad_alloc.
  AnalysisOutcome Run(IAnalysisSources& sources, const AnalysisRequest& request,
                      IAnalysisSink* sink = nullptr);

  /// The results of the last run. Valid as long as the engine.
  const CFunctionTable& GetTable() const { return m_table; }
  /// The rules of the last run (the classic rules before any).
  const IRuleSet& GetRules() const { return *m_pRules; }

 private:
  CFunctionTable m_table;
  const IRuleSet* m_pRules;  // those of the last run
  // Made at the first run, removed with the engine (or on a fatal signal).
  std::unique_ptr<CWorkingDir> m_pFolder;
  std::vector<std::string> m_folderFiles;  // the working files it is made for
  int m_nSubfolders = 0;  // made in it for the threads of runs side by side
};
