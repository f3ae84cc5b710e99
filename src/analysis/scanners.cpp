#include "analysis/scanners.h"

#include <array>
#include <cstring>


#include "platform/text/mbcs.h"

namespace scan {

namespace {

// Lines naming one of these get a line "{}" of their own in the
// line-comment pass.
const char* const kMacroNames[4] = {"IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE",
                                    "BEGIN_MESSAGE_MAP", "END_MESSAGE_MAP"};

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
  kKeyword,    // first letter of a type keyword (a word character too)
};

using Table = std::array<unsigned char, 256>;

constexpr bool IsWord(int b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

constexpr Table MakeTable(const char* keywordInitials, const char* macroInitials,
                          bool pairLeads = true) {
  Table t{};
  for (int b = 0; b < 256; ++b) {
    if (pairLeads && mbcs::IsLeadByte(static_cast<unsigned char>(b))) t[b] = kLead;
    else if (IsWord(b)) t[b] = kWord;
  }
  t['/'] = kSlash;
  t['*'] = kStar;
  t['('] = kOpen;
  t[')'] = kClose;
  t['{'] = kBraceOpen;
  t['}'] = kBraceClose;
  t[' '] = kBlank;
  t['\t'] = kBlank;
  for (const char* c = macroInitials; *c; ++c) t[static_cast<unsigned char>(*c)] = kMacro;
  for (const char* c = keywordInitials; *c; ++c) t[static_cast<unsigned char>(*c)] = kKeyword;
  return t;
}

constexpr Table kLineTable = MakeTable("", "IDBE");
constexpr Table kStatementTable = MakeTable("viclsfuB", "");
// The same for byte-wise text: no byte is a lead byte.
constexpr Table kLineBytesTable = MakeTable("", "IDBE", false);
constexpr Table kStatementBytesTable = MakeTable("viclsfuB", "", false);

bool MatchAt(const char* p, int n, int i, const char* text, int len) {
  return n - i >= len && std::memcmp(p + i, text, static_cast<std::size_t>(len)) == 0;
}

const char* const kKeywords[8] = {"void", "int", "char", "long",
                                  "short", "float", "unsigned", "BOOL"};
const int kKeywordLen[8] = {4, 3, 4, 4, 5, 5, 8, 4};

// The type keyword spelled at p[i], or -1. Each keyword has its own first
// letter.
int KeywordAt(const char* p, int n, int i) {
  int k;
  switch (p[i]) {
    case 'v': k = 0; break;
    case 'i': k = 1; break;
    case 'c': k = 2; break;
    case 'l': k = 3; break;
    case 's': k = 4; break;
    case 'f': k = 5; break;
    case 'u': k = 6; break;
    case 'B': k = 7; break;
    default: return -1;
  }
  return MatchAt(p, n, i, kKeywords[k], kKeywordLen[k]) ? k : -1;
}

}  // namespace

LineComment ScanLineComment(const char* p, int n, bool byteWise) {
  static const int kMacroLen[4] = {19, 17, 17, 15};
  const Table& table = byteWise ? kLineBytesTable : kLineTable;
  LineComment r;
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (table[u[i]]) {
      case kLead:
        if (i + 1 < n) {
          if (IsWord(u[i + 1])) r.wordBefore = true;
          i += 2;
        } else {
          ++i;
        }
        continue;
      case kMacro:
        for (int k = 0; k < 4; ++k)
          if (kMacroNames[k][0] == p[i] && MatchAt(p, n, i, kMacroNames[k], kMacroLen[k]))
            r.macros |= 1u << k;
        r.wordBefore = true;
        break;
      case kKeyword:
      case kWord:
        r.wordBefore = true;
        break;
      case kSlash:
        if (i + 1 < n && p[i + 1] == '/') {
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

Comments ScanComments(const char* p, int n, bool byteWise) {
  const Table& table = byteWise ? kLineBytesTable : kLineTable;
  Comments r;
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (table[u[i]]) {
      case kLead:
        i += (i + 1 < n) ? 2 : 1;
        continue;
      case kSlash:
        if (r.open < 0 && i + 1 < n && p[i + 1] == '*') r.open = i;
        break;
      case kStar:
        if (r.close < 0 && i + 1 < n && p[i + 1] == '/') r.close = i;
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

namespace {

}  // namespace

void NoteKeywordBefore(const char* p, int j, Statement& s) {
  // Blanks are met from left to right, so the first note of each form is
  // its first occurrence.
  auto ends = [&](const char* word, int len) {
    return j >= len && std::memcmp(p + j - len, word, static_cast<std::size_t>(len)) == 0;
  };
  int k = -1;
  switch (p[j - 1]) {
    case 'd':
      if (ends("void", 4)) k = 0;
      else if (ends("unsigned", 8)) k = 6;
      break;
    case 't':
      if (ends("int", 3)) k = 1;
      else if (ends("short", 5)) k = 4;
      else if (ends("float", 5)) k = 5;
      break;
    case 'r':
      if (ends("char", 4)) k = 2;
      break;
    case 'g':
      if (ends("long", 4)) k = 3;
      break;
    case 'L':
      if (ends("BOOL", 4)) k = 7;
      break;
    default:
      return;
  }
  if (k < 0) return;
  int* first = p[j] == ' ' ? &s.space[k] : &s.tab[k];
  if (*first < 0) *first = j - kKeywordLen[k];
  s.keyword = true;
}

void ClearStatement(Statement& s) {
  s.keyword = false;
  s.open = s.close = s.brace = kNone;
  for (int k = 0; k < 8; ++k) s.space[k] = s.tab[k] = kNone;
}

void ScanStatement(const char* p, int n, Statement& s, bool byteWise) {
  const Table& table = byteWise ? kStatementBytesTable : kStatementTable;
  ClearStatement(s);
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  int i = 0;
  while (i < n) {
    switch (table[u[i]]) {
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
      case kKeyword: {
        int k = KeywordAt(p, n, i);
        if (k >= 0) {
          int after = i + kKeywordLen[k];
          if (after < n) {
            if (p[after] == ' ') {
              if (s.space[k] < 0) s.space[k] = i;
              s.keyword = true;
            } else if (p[after] == '\t') {
              if (s.tab[k] < 0) s.tab[k] = i;
              s.keyword = true;
            }
          }
        }
        break;
      }
      default:
        break;
    }
    ++i;
  }
}

}  // namespace scan
