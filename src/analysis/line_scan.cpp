// The line tests of the two comment passes.
#include "analysis/classic_rules.h"
#include "analysis/scanners.h"

BOOL CClassicRules::CutLineComment(CString& line) {
  scan::LineComment r = scan::ScanLineComment(line.GetString(), line.GetLength());
  if (r.slashes < 0) return TRUE;
  if (!r.wordBefore) return FALSE;
  line.Truncate(r.slashes);
  line += "\r\n";
  return TRUE;
}

BOOL CClassicRules::LacksCommentOpen(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).open < 0 ? TRUE : FALSE;
}

BOOL CClassicRules::LacksCommentClose(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).close < 0 ? TRUE : FALSE;
}

BOOL CClassicRules::HasBracket(const CString& line) {
  return scan::ScanComments(line.GetString(), line.GetLength()).bracket ? TRUE : FALSE;
}
