// Identifier extraction, the keyword filter, call collection and the
// function table.
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/classic_rules.h"
#include "analysis/recognition_rules.h"
#include "platform/text/mbcs.h"

namespace {

// What a byte is to the backward name scan: part of a name (letters,
// digits, "_", ":" and "~"; never a byte of 0x80 or above), skipped before
// the name starts (blanks and "("), or the end of the scan.
enum : unsigned char { kStop = 0, kName, kSkip };

constexpr std::array<unsigned char, 256> MakeNameClass() {
  std::array<unsigned char, 256> t{};
  for (int b = 0; b < 256; ++b)
    if (rules::IsNameChar(b)) t[b] = kName;
  t[' '] = t['\t'] = t['('] = kSkip;
  return t;
}
constexpr std::array<unsigned char, 256> kNameClass = MakeNameClass();

#if defined(__SSE2__)
// For each of the 16 bytes, whether it is a name character.
unsigned NameMask(__m128i v) {
  // x in [lo, lo + span] <=> (x - lo) as unsigned <= span <=> max(x - lo, span) == span
  auto within = [](__m128i x, char lo, char span) {
    __m128i s = _mm_set1_epi8(span);
    return _mm_cmpeq_epi8(_mm_max_epu8(_mm_sub_epi8(x, _mm_set1_epi8(lo)), s), s);
  };
  __m128i digits = within(v, '0', ':' - '0');  // digits and ":"
  __m128i letters = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z' - 'a');
  __m128i marks = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('_')),
                               _mm_cmpeq_epi8(v, _mm_set1_epi8('~')));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(digits, letters), marks)));
}
#endif

// From t[i] backwards over name characters: the index of the first byte
// that is not one, or -1.
int SkipNameBackwards(const unsigned char* t, int i) {
#if defined(__SSE2__)
  // Sixteen bytes at a time while they lie in the text.
  while (i >= 15) {
    unsigned other = ~NameMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i - 15))) & 0xFFFFu;
    if (other) return i - 15 + (31 - __builtin_clz(other));
    i -= 16;
  }
#endif
  while (i >= 0 && kNameClass[t[i]] == kName) --i;
  return i;
}


}  // namespace

BOOL CClassicRules::GetFunctionName(const CString& text, NameBuffer& out, int pos) {
  return NameBefore(text.view(), out, pos);
}

BOOL CClassicRules::NameBefore(std::string_view text, NameBuffer& out, int pos, int* start,
                              bool byteWise) {
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  // Walk back from the "(" over blanks and further "(", then over the run
  // of name characters before them.
  int i = pos;
  while (i >= 0 && kNameClass[t[i]] == kSkip) --i;
  const int high = i;
  i = SkipNameBackwards(t, i);
  int low = i + 1;
  // In Shift-JIS, a run that follows a byte of 0x80 or above starts with
  // the second byte of a double-byte character, which is not part of the
  // name.
  if (!byteWise && i >= 0 && t[i] >= 0x80) ++low;
  if (low > high) return FALSE;
  int n = high - low + 1;
  if (n > 63) n = 63;  // the name's first 63 bytes
  std::memcpy(out, t + low, static_cast<std::size_t>(n));
  out[n] = '\0';
  if (start) *start = low;
  return TRUE;
}

BOOL CClassicRules::IsCallName(const char* name) {
  return IsCallName(std::string_view(name)) ? TRUE : FALSE;
}

bool CClassicRules::IsCallName(std::string_view name) {
  for (std::string_view word : rules::kNotCalls)
    if (!name.empty() && word[0] == name[0] && name == word) return false;
  return true;
}

void CClassicRules::AddFunction(const char* name) { AddEntry(name, 0); }

void CClassicRules::AddEntry(const char* name, int line) { m_pUnit->AddHead(name, line); }

void CClassicRules::ExtractCalls(const CString& statement, NameBuffer& name) {
  SetStatement(statement.view(), false);
  CollectCalls(statement.view(), name);
}

void CClassicRules::CollectCalls(std::string_view statement, NameBuffer& name) {
  // Each "(" at a character boundary is visited once, left to right.
  const char* t = statement.data();
  const std::size_t n = statement.size();
  const TextEncoding encoding = m_bByteWise ? TextEncoding::kUtf8 : TextEncoding::kCp932;
  for (std::size_t at = mbcs::FindIn(encoding, t, n, "(", 1); at != mbcs::kNotFound;
       at = mbcs::FindIn(encoding, t, n, "(", 1, at + 1))
    CollectCallAt(statement, static_cast<int>(at), name);
}

void CClassicRules::CollectCallAt(std::string_view statement, int pos, NameBuffer& name) {
  if (!m_pUnit->TakesCalls()) return;  // before the run's first head nothing is recorded
  int start;
  if (NameBefore(statement, name, pos, &start, m_bByteWise)) CollectName(name, start);
}

void CClassicRules::CollectName(std::string_view name, int start) {
  if (!IsCallName(name)) return;
  // The line is looked up only for a name the function does not call yet.
  m_pUnit->AddCall(name, [&] { return StatementLine(start); });
}
