// Function-head recognition: a purely textual test of one statement.
#include <cstring>

#include "analysis/analysis_engine.h"

namespace {

// The return-type keywords that open a typed head, each searched for
// followed by a space and followed by a tab.
const char* const kTypeSpace[] = {"void ",  "int ",   "char ",     "long ",
                                  "short ", "float ", "unsigned ", "BOOL "};
const char* const kTypeTab[] = {"void\t",  "int\t",   "char\t",     "long\t",
                                "short\t", "float\t", "unsigned\t", "BOOL\t"};

// A qualified name passes only as a constructor (Class::Class) or a
// destructor (Class::~Class).
bool IsConstructorOrDestructor(const char* name) {
  const char* sep = std::strstr(name, "::");
  if (sep == nullptr) return true;
  std::size_t classLen = static_cast<std::size_t>(sep - name);
  const char* member = sep + 2;
  if (*member == '~') ++member;
  return std::strlen(member) == classLen && std::strncmp(member, name, classLen) == 0;
}

}  // namespace

BOOL CAnalysisEngine::RecognizeHead(const CString& statement) {
  const int openPos = statement.Find('(');
  const int closePos = statement.Find(')');

  // Typed heads. The tab form only has to occur; the space form, when it
  // occurs, has to stand before the first "(".
  for (int k = 0; k < 8; ++k) {
    int spacePos = statement.Find(kTypeSpace[k]);
    int tabPos = statement.Find(kTypeTab[k]);
    bool applies = (spacePos >= 0 || tabPos >= 0) && openPos >= 0 && closePos >= 0 &&
                   (spacePos < 0 || spacePos < openPos);
    if (!applies) continue;
    if (statement.Find('{') < 0) return TRUE;  // a declaration
    // A head with no name before its "(" (an operator, say) is consumed
    // without an entry: no name is ever borrowed from an earlier head.
    if (GetFunctionName(statement, m_szFuncName, openPos)) AddFunction(m_szFuncName);
    return TRUE;
  }

  // Untyped heads: constructors, destructors and functions written without
  // one of the keywords, with a "{" after the first ")".
  if (openPos < 0 || closePos < 0) return FALSE;
  if (statement.Find("BOOL ") >= 0) return FALSE;
  int bracePos = statement.Find('{');
  if (bracePos < 0 || bracePos <= closePos) return FALSE;
  if (!GetFunctionName(statement, m_szFuncName, openPos)) return FALSE;
  if (!IsCallName(m_szFuncName)) return FALSE;
  if (!IsConstructorOrDestructor(m_szFuncName)) return FALSE;
  AddFunction(m_szFuncName);
  return TRUE;
}
