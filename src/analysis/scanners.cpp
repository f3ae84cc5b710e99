#include "analysis/scanners.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/text/mbcs.h"

namespace scan {

namespace {

// Byte classes. kLead is a Shift-JIS lead byte; every scanner steps over
// it and the byte after it as one character.
enum : unsigned char {
  kOther = 0,
  kLead,
  kWord,       // letter, digit or "_" without a role of its own
  kSlash,      // "/"
  kStar,       // "*"
  kOpen,       // "("
  kClose,      // ")"
  kBraceOpen,  // "{"
  kBraceClose, // "}"
  kBlank,      // space, tab
  kMacro,      // first letter of a macro name (a word character too)
  kKeyword,    // first letter of a watched word (a word character too)
};

using Table = std::array<unsigned char, 256>;

using rules::IsWordChar;

// The byte classes, with the initials of the macro names, of the watched
// words, or of neither.
constexpr Table MakeTable(bool macros, bool keywords) {
  Table t{};
  for (int b = 0; b < 256; ++b) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(b))) t[b] = kLead;
    else if (IsWordChar(b)) t[b] = kWord;
  }
  t[static_cast<unsigned char>(rules::kLineComment[0])] = kSlash;
  t[static_cast<unsigned char>(rules::kCommentOpen[0])] = kSlash;
  t[static_cast<unsigned char>(rules::kCommentClose[0])] = kStar;
  t['('] = kOpen;
  t[')'] = kClose;
  t['{'] = kBraceOpen;
  t['}'] = kBraceClose;
  t[' '] = kBlank;
  t['\t'] = kBlank;
  if (macros)
    for (std::size_t i = 0; i < rules::kMacroInitials.size; ++i)
      t[static_cast<unsigned char>(rules::kMacroInitials.bytes[i])] = kMacro;
  if (keywords)
    for (int b = 0; b < 256; ++b)
      if (rules::kWordsByInitial[b]) t[b] = kKeyword;
  return t;
}

constexpr Table kLineTable = MakeTable(true, false);
constexpr Table kStatementTable = MakeTable(false, true);

bool MatchAt(const char* p, int n, int i, const char* text, int len) {
  return n - i >= len && std::memcmp(p + i, text, static_cast<std::size_t>(len)) == 0;
}

// Notes in s each watched word of the set that is spelled at p[i] and
// followed by a blank.
void NoteWordsAt(const char* p, int n, int i, std::uint32_t words, Statement& s) {
  for (; words; words &= words - 1) {
    const int k = __builtin_ctz(words);
    const std::string_view w = rules::kWatchedWords[k];
    const int after = i + static_cast<int>(w.size());
    if (after >= n || !MatchAt(p, n, i, w.data(), static_cast<int>(w.size()))) continue;
    if (p[after] == ' ') {
      if (s.space[k] < 0) s.space[k] = i;
      s.keyword = true;
    } else if (p[after] == '\t') {
      if (s.tab[k] < 0) s.tab[k] = i;
      s.keyword = true;
    }
  }
}

}  // namespace

LineComment ScanLineComment(const char* p, int n) {
  LineComment r;
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (kLineTable[u[i]]) {
      case kLead:
        if (i + 1 < n) {
          if (IsWordChar(u[i + 1])) r.wordBefore = true;
          i += 2;
        } else {
          ++i;
        }
        continue;
      case kMacro:
        for (int k = 0; k < rules::kMacroCount; ++k) {
          const std::string_view m = rules::kMacroNames[k];
          if (m[0] == p[i] && MatchAt(p, n, i, m.data(), static_cast<int>(m.size())))
            r.macros |= 1u << k;
        }
        r.wordBefore = true;
        break;
      case kKeyword:
      case kWord:
        r.wordBefore = true;
        break;
      case kSlash:
        if (i + 1 < n && p[i + 1] == rules::kLineComment[1]) {
          r.slashes = i;
          return r;
        }
        break;
      default:
        break;
    }
    ++i;
  }
  return r;
}

Comments ScanComments(const char* p, int n) {
  Comments r;
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (kLineTable[u[i]]) {
      case kLead:
        i += (i + 1 < n) ? 2 : 1;
        continue;
      case kSlash:
        if (r.open < 0 && i + 1 < n && p[i + 1] == rules::kCommentOpen[1]) r.open = i;
        break;
      case kStar:
        if (r.close < 0 && i + 1 < n && p[i + 1] == rules::kCommentClose[1]) r.close = i;
        break;
      case kOpen:
      case kClose:
      case kBraceOpen:
      case kBraceClose:
        r.bracket = true;
        break;
      default:
        break;
    }
    ++i;
  }
  return r;
}

void NoteKeywordBefore(const char* p, int j, Statement& s) {
  // Blanks are met from left to right, so the first note of each form is
  // its first occurrence.
  auto ends = [&](const char* word, int len) {
    return j >= len && std::memcmp(p + j - len, word, static_cast<std::size_t>(len)) == 0;
  };
  for (std::uint32_t words = rules::kWordsByFinal[static_cast<unsigned char>(p[j - 1])]; words;
       words &= words - 1) {
    const int k = __builtin_ctz(words);
    const std::string_view w = rules::kWatchedWords[k];
    if (!ends(w.data(), static_cast<int>(w.size()))) continue;
    int* first = p[j] == ' ' ? &s.space[k] : &s.tab[k];
    if (*first < 0) *first = j - static_cast<int>(w.size());
    s.keyword = true;
  }
}

void ClearStatement(Statement& s) {
  s.keyword = false;
  s.open = s.close = s.brace = kNone;
  for (int k = 0; k < rules::kWatchedCount; ++k) s.space[k] = s.tab[k] = kNone;
}

void ScanStatement(const char* p, int n, Statement& s) {
  ClearStatement(s);
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (kStatementTable[u[i]]) {
      case kLead:
        i += (i + 1 < n) ? 2 : 1;
        continue;
      case kOpen:
        if (s.open < 0) s.open = i;
        break;
      case kClose:
        if (s.close < 0) s.close = i;
        break;
      case kBraceOpen:
        if (s.brace < 0) s.brace = i;
        break;
      case kKeyword:
        NoteWordsAt(p, n, i, rules::kWordsByInitial[u[i]], s);
        break;
      default:
        break;
    }
    ++i;
  }
}

}  // namespace scan
