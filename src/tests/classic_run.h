// The classic rules run as the engine runs them, with the working files in
// a folder of the test's, where they stay to be looked at: a whole run, or
// a file at a time, or the operations of a file one by one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/classic_rules.h"
#include "analysis/run_assembly.h"

class ClassicRun {
 public:
  explicit ClassicRun(IAnalysisSink* sink = nullptr);

  void SetEncoding(EncodingChoice choice) { m_encoding = choice; }
  /// Empties the table; the working files go into workDir.
  void BeginRun(const std::string& workDir);
  /// Analyses one more file; throws its CFileException.
  void AnalyzeFile(const CString& path, const CString& extension);
  /// Leaves the working files as the last file wrote them.
  void CloseWorkFiles() { m_pRules->CloseWorkFiles(); }
  /// Ends a complete run: the last entry is final, the working files go.
  void EndRun();
  /// A whole run through the engine's loop, which throws the failure that
  /// ends it. keepUnits: each file's unit is kept and stitched after it.
  void Run(const std::vector<CString>& files, const CString& extension, const std::string& workDir,
           bool keepUnits = false);

  /// The rules, their operations recording into this run's table.
  CClassicRules& Rules() { return *m_pRules; }
  const CFunctionTable& GetTable() const { return m_table; }

 private:
  IAnalysisSink* m_pSink;
  EncodingChoice m_encoding = EncodingChoice::kAuto;
  CFunctionTable m_table;
  CTableAssembler m_assembler;
  CFileUnit m_unit;
  std::unique_ptr<CClassicRules> m_pRules;
};
