// The rules by which the engine recognises heads, calls and comments,
// described once. The scalar scanners (scanners.cpp), the vector index
// (run_index.cpp) and the steps of a run take what they look for from here,
// most of it derived at compile time: adding or removing a type keyword or
// a macro name is one edit here, and every fast path follows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace rules {

// ---- The description ----

/// The return-type keywords of a typed head, in the order they are tried.
/// Each counts when followed by a space or a tab.
inline constexpr std::string_view kTypeKeywords[] = {"void", "int",   "char",     "long",
                                                     "short", "float", "unsigned", "BOOL"};
/// An untyped head is rejected when this word followed by a space stands
/// anywhere in its statement.
inline constexpr std::string_view kRejectingWord = "BOOL";

/// The class-name form: a qualified name is a head without a type keyword
/// only as Class::Class (a constructor) or Class::~Class (a destructor).
inline constexpr std::string_view kScope = "::";
inline constexpr char kDestructor = '~';

/// Names that stand before a "(" but are never calls, nor untyped heads.
inline constexpr std::string_view kNotCalls[] = {"for",    "while", "if",     "switch",
                                                 "return", "exit",  "sizeof", ":"};

/// A name: letters, digits, "_", ":" and "~"; never a byte of 0x80 or above.
constexpr bool IsNameChar(int b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
         b == '_' || b == ':' || b == kDestructor;
}
/// A word character, which keeps the code before a line comment: a letter,
/// digit or "_".
constexpr bool IsWordChar(int b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

/// The comment markers.
inline constexpr std::string_view kLineComment = "//";
inline constexpr std::string_view kCommentOpen = "/*";
inline constexpr std::string_view kCommentClose = "*/";

/// A line naming one of these macros gets a line "{}" of its own, so that
/// its statement ends at the macro instead of joining the message-map
/// entries that follow it. Each name holds a "_" followed by a letter.
inline constexpr std::string_view kMacroNames[] = {"IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE",
                                                   "BEGIN_MESSAGE_MAP", "END_MESSAGE_MAP"};
constexpr int kMacroCount = static_cast<int>(std::size(kMacroNames));

// ---- Derived from it ----

constexpr int kTypeKeywordCount = static_cast<int>(std::size(kTypeKeywords));

namespace detail {

constexpr int IndexOf(std::string_view word) {
  for (int k = 0; k < kTypeKeywordCount; ++k)
    if (kTypeKeywords[k] == word) return k;
  return -1;
}

// The distinct bytes that f(k) gives for k in [0, n), in order of first
// appearance, and their number.
template <std::size_t kMax>
struct ByteSet {
  std::array<char, kMax> bytes{};
  std::size_t size = 0;
  constexpr void Add(char c) {
    for (std::size_t i = 0; i < size; ++i)
      if (bytes[i] == c) return;
    bytes[size++] = c;
  }
};

}  // namespace detail

/// The words the statement scanners note where they stand before a space
/// or a tab: the type keywords, then the rejecting word unless it is one.
constexpr int kWatchedCount = kTypeKeywordCount + (detail::IndexOf(kRejectingWord) < 0 ? 1 : 0);
constexpr std::array<std::string_view, kWatchedCount> MakeWatchedWords() {
  std::array<std::string_view, kWatchedCount> w{};
  for (int k = 0; k < kTypeKeywordCount; ++k) w[k] = kTypeKeywords[k];
  if (kWatchedCount > kTypeKeywordCount) w[kTypeKeywordCount] = kRejectingWord;
  return w;
}
inline constexpr std::array<std::string_view, kWatchedCount> kWatchedWords = MakeWatchedWords();
/// Where the scanners note the rejecting word.
constexpr int kRejectingIndex =
    detail::IndexOf(kRejectingWord) < 0 ? kTypeKeywordCount : detail::IndexOf(kRejectingWord);
static_assert(kWatchedCount <= 32, "the watched words are a 32-bit set");

/// For each byte, the set of watched words (bit k for word k) that begin,
/// respectively end, with it.
using WordSets = std::array<std::uint32_t, 256>;
constexpr WordSets MakeWordSets(bool initial) {
  WordSets t{};
  for (int k = 0; k < kWatchedCount; ++k) {
    std::string_view w = kWatchedWords[k];
    unsigned char b = static_cast<unsigned char>(initial ? w.front() : w.back());
    t[b] |= std::uint32_t{1} << k;
  }
  return t;
}
inline constexpr WordSets kWordsByInitial = MakeWordSets(true);
inline constexpr WordSets kWordsByFinal = MakeWordSets(false);

/// The distinct last letters of the watched words: only a blank after one
/// of them can end a watched word.
constexpr auto MakeFinals() {
  detail::ByteSet<kWatchedCount> s;
  for (std::string_view w : kWatchedWords) s.Add(w.back());
  return s;
}
inline constexpr auto kFinals = MakeFinals();

/// The distinct first letters of the macro names.
constexpr auto MakeMacroInitials() {
  detail::ByteSet<kMacroCount> s;
  for (std::string_view m : kMacroNames) s.Add(m.front());
  return s;
}
inline constexpr auto kMacroInitials = MakeMacroInitials();

/// A macro name's tail: from its first "_" on. A line naming a macro holds
/// its tail, so the fast path looks for a "_" followed by the tail's second
/// byte (an anchor), and then for the tail.
constexpr std::string_view MacroTail(std::string_view name) {
  return name.substr(name.find('_'));
}
constexpr bool MacroNamesHaveTails() {
  for (std::string_view m : kMacroNames)
    if (m.find('_') == std::string_view::npos || MacroTail(m).size() < 2) return false;
  return true;
}
static_assert(MacroNamesHaveTails(), "every macro name holds a \"_\" followed by a byte");
constexpr auto MakeMacroAnchors() {
  detail::ByteSet<kMacroCount> s;
  for (std::string_view m : kMacroNames) s.Add(MacroTail(m)[1]);
  return s;
}
inline constexpr auto kMacroAnchors = MakeMacroAnchors();
struct TailSet {
  std::array<std::string_view, kMacroCount> tails{};
  std::size_t size = 0;
};
constexpr TailSet MakeMacroTails() {
  TailSet s;
  for (std::string_view m : kMacroNames) {
    bool seen = false;
    for (std::size_t i = 0; i < s.size; ++i) seen = seen || s.tails[i] == MacroTail(m);
    if (!seen) s.tails[s.size++] = MacroTail(m);
  }
  return s;
}
inline constexpr TailSet kMacroTails = MakeMacroTails();

// The passes find the comment markers as pairs of two bytes.
static_assert(kLineComment.size() == 2 && kCommentOpen.size() == 2 && kCommentClose.size() == 2);
static_assert(kCommentOpen[0] == kCommentClose[1] && kCommentOpen[1] == kCommentClose[0],
              "the block-comment markers are one pair of bytes, in both orders");

}  // namespace rules
