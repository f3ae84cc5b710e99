// The line tests of the two comment passes.
#include "analysis/analysis_engine.h"

namespace {

// Letters, digits and "_"; a byte of 0x80 or above never is one, but the
// second byte of a double-byte character can be.
bool IsWordChar(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
         (b >= '0' && b <= '9') || b == '_';
}

}  // namespace

BOOL CAnalysisEngine::CutLineComment(CString& line) {
  int p = line.Find("//");
  if (p < 0) return TRUE;
  for (int i = p - 1; i >= 0; --i) {
    if (IsWordChar(static_cast<unsigned char>(line.GetAt(i)))) {
      line.Truncate(p);
      line += "\r\n";
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CAnalysisEngine::LacksCommentOpen(const CString& line) {
  return line.Find("/*") < 0 ? TRUE : FALSE;
}

BOOL CAnalysisEngine::LacksCommentClose(const CString& line) {
  return line.Find("*/") < 0 ? TRUE : FALSE;
}

BOOL CAnalysisEngine::HasBracket(const CString& line) {
  for (char c : {'(', ')', '{', '}'})
    if (line.Find(c) >= 0) return TRUE;
  return FALSE;
}
