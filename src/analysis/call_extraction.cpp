// Identifier extraction, the keyword filter, call collection and the
// function table.
#include <cstring>

#include "analysis/analysis_engine.h"
#include "platform/text/mbcs.h"

namespace {

bool IsNameChar(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
         (b >= '0' && b <= '9') || b == '_' || b == ':' || b == '~';
}

const char* const kNotCalls[] = {"for",    "while", "if",     "switch",
                                 "return", "exit",  "sizeof", ":"};

}  // namespace

void CAnalysisEngine::ResetFunctionTable() {
  m_entries.clear();
  m_pCallList.clear();
  m_files.clear();
  m_nCurFunc = -1;
}

BOOL CAnalysisEngine::GetFunctionName(const CString& text, NameBuffer& out, int pos) {
  return NameBefore(text.view(), out, pos);
}

BOOL CAnalysisEngine::NameBefore(std::string_view text, NameBuffer& out, int pos) {
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  int low = -1, high = -1;
  // Walk back from the "(": blanks and further "(" are skipped until the
  // name starts; a name character right after a byte of 0x80 or above is
  // the second byte of a double-byte character and ends the name.
  for (int i = pos; i >= 0; --i) {
    unsigned char b = t[i];
    if (IsNameChar(b)) {
      if (i > 0 && t[i - 1] >= 0x80) break;
      low = i;
      if (high < 0) high = i;
    } else if (b == ' ' || b == '\t' || b == '(') {
      if (high >= 0) break;
    } else {
      break;
    }
  }
  if (high < 0) return FALSE;
  int n = high - low + 1;
  if (n > 63) n = 63;  // the name's first 63 bytes
  std::memcpy(out, t + low, static_cast<std::size_t>(n));
  out[n] = '\0';
  return TRUE;
}

BOOL CAnalysisEngine::IsCallName(const char* name) {
  for (const char* word : kNotCalls)
    if (word[0] == name[0] && std::strcmp(name, word) == 0) return FALSE;
  return TRUE;
}

void CAnalysisEngine::AddFunction(const char* name) {
  if (m_files.empty()) m_files.push_back(FileInfo{CString(), m_strOutName});
  m_entries.push_back(Entry{CString(name), static_cast<int>(m_files.size()) - 1});
  m_pCallList.emplace_back();
  ++m_nCurFunc;
  if (m_pSink) m_pSink->OnFunctionAdded(m_nCurFunc);
}

void CAnalysisEngine::ExtractCalls(const CString& statement, NameBuffer& name) {
  CollectCalls(statement.view(), name);
}

void CAnalysisEngine::CollectCalls(std::string_view statement, NameBuffer& name) {
  // Each "(" at a character boundary is visited once, left to right.
  const char* t = statement.data();
  const std::size_t n = statement.size();
  for (std::size_t at = mbcs::Find(t, n, "(", 1); at != mbcs::kNotFound;
       at = mbcs::Find(t, n, "(", 1, at + 1)) {
    int pos = static_cast<int>(at);
    if (!NameBefore(statement, name, pos)) continue;
    if (m_nCurFunc < 0) continue;  // before the run's first head
    if (!IsCallName(name)) continue;
    CStringList& calls = m_pCallList[m_nCurFunc];
    if (calls.Find(name)) continue;
    calls.AddTail(name);
    if (m_pSink) m_pSink->OnCalleeAdded(calls.GetAt(calls.GetCount()));
  }
}
