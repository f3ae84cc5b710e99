// The analysis engine: takes chosen C and C++ source files through three
// passes and builds the function table.
//
// For each file, the line-comment pass copies the source into the first
// working file without its line comments, the block-comment pass copies the
// lines that can matter (those with a bracket) into the second working file
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
// byte below 0x80 inside a character, are read byte by byte. The engine knows no
// windows: it reports to its caller through IAnalysisSink, and its results
// are read through the function table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/function_table.h"
#include "analysis/report_head.h"
#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"

class CAnalysisRun;

/// Where a run reports its progress. Both calls come from inside the run and
/// must be cheap.
class IAnalysisSink {
 public:
  virtual ~IAnalysisSink() = default;
  /// Entry `index` was appended to the function table.
  virtual void OnFunctionAdded(int index) = 0;
  /// `name` was appended to the call list of the current function.
  virtual void OnCalleeAdded(const CString& name) = 0;
};

class CAnalysisEngine {
 public:
  static constexpr const char* kWorkFile1 = "tmp1.fnc";
  static constexpr const char* kWorkFile2 = "tmp2.fnc";
  /// The first line of the first working file: "関数名：" in Shift-JIS.
  static constexpr const char* kHeaderLine = kReportHeadLine;

  /// sink may be null; it is not owned.
  explicit CAnalysisEngine(IAnalysisSink* sink = nullptr);
  ~CAnalysisEngine();
  CAnalysisEngine(const CAnalysisEngine&) = delete;
  CAnalysisEngine& operator=(const CAnalysisEngine&) = delete;

  /// BeginRun, AnalyzeFile for each file in order, EndRun. Throws as
  /// AnalyzeFile does, leaving the working files in place.
  void Run(const std::vector<CString>& files, const CString& extension,
           const std::string& workDir);

  /// How the files analysed from now on are read: each in the encoding
  /// its bytes show (kAuto, the default), or every one in the one given.
  /// The table tells each file's (CFunctionTable::GetFileEncoding).
  void SetEncoding(EncodingChoice choice);

  // ---- A run file by file ----

  /// Starts a run: empties the function table and names the two working
  /// files inside workDir, which must exist and be writable.
  void BeginRun(const std::string& workDir);
  /// Takes one chosen file (a full path) through the three passes, naming
  /// its entries after the path with its extension replaced by extension.
  /// The table and the current function carry over from the files before.
  /// Throws CFileException when the file or a working file cannot be
  /// opened, read or written: the run ends there, what was recorded so far
  /// stays, and so do the working files.
  void AnalyzeFile(const CString& path, const CString& extension);
  /// Ends a complete run: deletes both working files. A file that cannot be
  /// deleted (or does not exist) is no error.
  void EndRun();

  /// Empties the function table; the current function becomes -1.
  void ResetFunctionTable();

  /// The results so far. The reference stays valid as long as the engine.
  const CFunctionTable& GetTable() const;

 private:
  std::unique_ptr<CAnalysisRun> m_pRun;
};
