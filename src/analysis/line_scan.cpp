// The line tests of the two comment passes.
#include "analysis/analysis_run.h"
#include "analysis/scanners.h"

BOOL CAnalysisRun::CutLineComment(CString& line) {
  scan::LineComment r = scan::ScanLineComment(line.GetString(), line.GetLength());
  if (r.slashes < 0) return TRUE;
  if (!r.wordBefore) return FALSE;
  line.Truncate(r.slashes);
  line += "\r\n";
  return TRUE;
}

BOOL CAnalysisRun::LacksCommentOpen(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).open < 0 ? TRUE : FALSE;
}

BOOL CAnalysisRun::LacksCommentClose(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).close < 0 ? TRUE : FALSE;
}

BOOL CAnalysisRun::HasBracket(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).bracket ? TRUE : FALSE;
}
