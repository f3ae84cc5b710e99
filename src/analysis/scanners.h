// Single-pass scanners behind the line tests and head recognition, for the
// lines and statements that the passes cannot settle in bulk (those with
// double-byte characters, comment markers and the like).
//
// Every rule of the engine asks where a fixed text first occurs at a
// character boundary of a line or statement. Rather than one search per
// text, each scanner walks the boundaries once, byte class by byte class
// from a table, and notes the first position of everything its rules ask
// for.
#pragma once

#include "analysis/recognition_rules.h"

namespace scan {

constexpr int kNone = -1;

/// What the line-comment pass needs of one line: the first "//", whether a
/// letter, digit or "_" stands anywhere before it (byte by byte, second
/// bytes of double-byte characters included), and which of the macro names
/// occur before it (bit k for rules::kMacroNames[k]).
struct LineComment {
  int slashes = kNone;
  bool wordBefore = false;
  unsigned macros = 0;
};
LineComment ScanLineComment(const char* p, int n);

/// What the block-comment pass needs of one line: the first "/*", the first
/// "*/", and whether any of "(", ")", "{", "}" occurs.
struct Comments {
  int open = kNone;
  int close = kNone;
  bool bracket = false;
};
Comments ScanComments(const char* p, int n);

/// What head recognition needs of one statement: the first "(", ")" and
/// "{", and the first occurrence of each watched word (rules::kWatchedWords)
/// followed by a space and by a tab.
struct Statement {
  int open = kNone;
  int close = kNone;
  int brace = kNone;
  int space[rules::kWatchedCount];
  int tab[rules::kWatchedCount];
  bool keyword = false;  // any of space[] and tab[] found
};
void ScanStatement(const char* p, int n, Statement& s);

/// Sets every position of s to kNone.
void ClearStatement(Statement& s);
/// For text without double-byte characters, where keywords can be found
/// from the blanks that end them: notes in s every watched word that ends
/// right before the blank at p[j], if any. Call it for the blanks from left
/// to right. REQUIRES: j > 0.
void NoteKeywordBefore(const char* p, int j, Statement& s);

}  // namespace scan
