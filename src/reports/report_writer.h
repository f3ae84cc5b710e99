// The report files of a run: for every output name in the function table, a
// text file beside the sources listing the functions found under that name
// and the names each of them calls. A report is in the encoding of its
// sources when they share one, and Shift-JIS otherwise. The desktop program's File
// output and `tolvane-xref --reports` both write them through this module.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/function_table.h"
#include "platform/text/cstring.h"

struct ReportPlan {
  std::vector<CString> outputs;   // reports to write, in order of first appearance
  std::vector<CString> existing;  // those of outputs that exist already (ask before replacing)
  std::vector<CString> skipped;   // output names that name a file the run analysed: never written
};

/// Plans the reports of the engine's last run (its table and the files it
/// analysed). An output name is skipped when it names, by device and inode,
/// one of the run's files, whatever the spelling or symbolic link.
ReportPlan PlanReports(const CFunctionTable& engine);

/// Writes one report (temporary file in its folder, then rename): a failure
/// leaves any old report as it was, and a fatal signal meanwhile removes the
/// temporary file. A replaced report keeps its permissions, less setuid,
/// setgid and sticky, and its group where the user may set it; a new one
/// gets 0666 less the umask. Unless replace is
/// set, a file of that name that turned up since the plan is kept, and the
/// write fails (alreadyExists). Throws CFileException naming outName.
void WriteReport(const CFunctionTable& engine, const CString& outName, bool replace);

/// Puts a file holding text at path, as WriteReport puts a report (the
/// same temporary file, permissions and rename), for any file the program
/// writes whole. Throws CFileException naming path.
void ReplaceFileWith(const CString& path, std::string_view text, bool replace);

/// The bytes of the report outName: for every entry with that output name,
/// in table order, "関数名：" and the function name on a line, each name it
/// calls on a line after a tab, then an empty line. LF line ends.
std::string ReportText(const CFunctionTable& engine, const CString& outName);

/// Writes many reports of one run, going over the table once rather than
/// once a report. The engine must outlive it and keep its table meanwhile.
class CReportWriter {
 public:
  explicit CReportWriter(const CFunctionTable& engine);
  /// As WriteReport.
  void Write(const CString& outName, bool replace) const;
  /// As ReportText.
  std::string Text(const CString& outName) const;
  /// The encoding of the report outName: that of the files its entries were
  /// found in, when all of them that hold more than ASCII share one (and all
  /// ASCII: Shift-JIS); Shift-JIS when they differ.
  TextEncoding Encoding(const CString& outName) const;

 private:
  const CFunctionTable& m_engine;
  std::unordered_map<std::string_view, std::vector<int>> m_entries;  // by output name
};
