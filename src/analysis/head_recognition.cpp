// Function-head recognition: a purely textual test of one statement.
#include <cstring>
#include <string_view>

#include "analysis/classic_rules.h"
#include "analysis/recognition_rules.h"
#include "analysis/scanners.h"

namespace {

// A qualified name passes only as a constructor (Class::Class) or a
// destructor (Class::~Class).
bool IsConstructorOrDestructor(std::string_view name) {
  const std::size_t sep = name.find(rules::kScope);
  if (sep == std::string_view::npos) return true;
  std::string_view member = name.substr(sep + rules::kScope.size());
  if (!member.empty() && member[0] == rules::kDestructor) member.remove_prefix(1);
  return member == name.substr(0, sep);
}

}  // namespace

BOOL CClassicRules::RecognizeHead(const CString& statement) {
  SetStatement(statement.view(), false);
  return RecognizeText(statement.view());
}

BOOL CClassicRules::RecognizeText(std::string_view statement) {
  // Every rule needs a "(": without one there is nothing to look at.
  if (!std::memchr(statement.data(), '(', statement.size())) return FALSE;
  scan::Statement s;
  scan::ScanStatement(statement.data(), static_cast<int>(statement.size()), s, m_bByteWise);
  return RecognizeScanned(statement, s);
}

BOOL CClassicRules::RecognizeScanned(std::string_view statement, const scan::Statement& s) {
  // Typed heads, keyword by keyword. The tab form only has to occur; the
  // space form, when it occurs, has to stand before the first "(".
  if (s.keyword && s.open >= 0 && s.close >= 0) {
    for (int k = 0; k < rules::kTypeKeywordCount; ++k) {
      bool applies = (s.space[k] >= 0 || s.tab[k] >= 0) && (s.space[k] < 0 || s.space[k] < s.open);
      if (!applies) continue;
      if (s.brace < 0) return TRUE;  // a declaration
      // A head with no name before its "(" (an operator, say) is consumed
      // without an entry: no name is ever borrowed from an earlier head.
      int start;
      if (NameBefore(statement, m_szFuncName, s.open, &start, m_bByteWise))
        AddEntry(m_szFuncName, StatementLine(start));
      return TRUE;
    }
  }

  // Untyped heads: constructors, destructors and functions written without
  // one of the keywords, with a "{" after the first ")".
  if (s.open < 0 || s.close < 0) return FALSE;
  if (s.space[rules::kRejectingIndex] >= 0) return FALSE;  // the rejecting word anywhere
  if (s.brace < 0 || s.brace <= s.close) return FALSE;
  int start;
  if (!NameBefore(statement, m_szFuncName, s.open, &start, m_bByteWise)) return FALSE;
  if (!IsCallName(m_szFuncName)) return FALSE;
  if (!IsConstructorOrDestructor(m_szFuncName)) return FALSE;
  AddEntry(m_szFuncName, StatementLine(start));
  return TRUE;
}
