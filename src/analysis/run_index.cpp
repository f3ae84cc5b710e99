#include "analysis/run_index.h"

#include "analysis/recognition_rules.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace scan {

namespace {

// The class bits of one 64-byte block (zero bytes past the text match no
// class).
struct BlockBits {
  std::uint64_t lf = 0, high = 0;
  std::uint64_t slash = 0, under = 0, dm = 0;                         // line comments
  std::uint64_t bracket = 0, star = 0;                                // comments
  std::uint64_t end = 0, open = 0, close = 0, brace = 0, blank = 0, keywordEnd = 0;  // statements
};

// Bytes to classes, one vector at a time: SSE2 everywhere on x86-64, AVX2
// where the processor has it, and byte by byte elsewhere.

// The bytes each class looks for, from the rules.
constexpr char kSlash = rules::kLineComment[0];
constexpr char kStar = rules::kCommentClose[0];
static_assert(rules::kLineComment[1] == kSlash && rules::kCommentOpen[0] == kSlash,
              "the index pairs slashes with slashes and stars");

constexpr bool InSet(const char* bytes, std::size_t n, unsigned char c) {
  for (std::size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(bytes[i]) == c) return true;
  return false;
}

// The raw bits of the pairs (slash, star, underscore, anchor letter) wait in the
// slots of the pairs' classes until the next word is known.
void StoreBlock(std::uint64_t* o, const BlockBits& b) {
  o[RunIndex::kLF] = b.lf;
  o[RunIndex::kHigh] = b.high;
  o[RunIndex::kBracket] = b.bracket | b.keywordEnd;  // one or the other, by set
  o[RunIndex::kMarker] = b.slash;
  o[RunIndex::kEnd] = b.end | b.star;  // one or the other, by set
  o[RunIndex::kOpen] = b.open;
  o[RunIndex::kClose] = b.close;
  o[RunIndex::kBrace] = b.brace;
  o[RunIndex::kBlank] = b.blank;
  o[RunIndex::kSlashes] = b.dm;
  o[RunIndex::kMacroAnchor] = b.under;
}

#if defined(__SSE2__)
namespace sse2 {
struct Lanes {
  using V = __m128i;
  static constexpr int kWidth = 16;
  static __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static __m128i Eq(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
  static __m128i Or(__m128i a, __m128i b) { return _mm_or_si128(a, b); }
  static std::uint64_t Bits(__m128i m) {
    return static_cast<unsigned>(_mm_movemask_epi8(m));
  }
};
#include "analysis/run_index_classify.inc"
}  // namespace sse2

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
struct Lanes {
  using V = __m256i;
  static constexpr int kWidth = 32;
  static __m256i Load(const char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static __m256i Eq(__m256i v, char c) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c)); }
  static __m256i Or(__m256i a, __m256i b) { return _mm256_or_si256(a, b); }
  static std::uint64_t Bits(__m256i m) {
    return static_cast<unsigned>(_mm256_movemask_epi8(m));
  }
};
#include "analysis/run_index_classify.inc"
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool g_bWide = __builtin_cpu_supports("avx2");

template <int kSet>
void BuildWords(const char* p, std::size_t n, std::uint64_t* out) {
  if (g_bWide) avx2::BuildWords<kSet>(p, n, out);
  else sse2::BuildWords<kSet>(p, n, out);
}

void CountLines(const std::uint64_t* bits, std::size_t words, std::size_t n, RunIndex::Lines* lines) {
  if (g_bWide) avx2::CountLines(bits, words, n, lines);
  else sse2::CountLines(bits, words, n, lines);
}

#else  // no SSE2

bool g_bWide = false;

template <int kSet>
void BuildWords(const char* p, std::size_t n, std::uint64_t* out) {
  for (std::size_t w = 0; w * 64 < n; ++w) {
    BlockBits b;
    for (std::size_t i = 0; i < 64 && w * 64 + i < n; ++i) {
      const std::uint64_t bit = std::uint64_t{1} << i;
      unsigned char c = static_cast<unsigned char>(p[w * 64 + i]);
      if (c == '\n') b.lf |= bit;
      if (kSet == RunIndex::kForLineComments) {
        if (c == kSlash) b.slash |= bit;
        if (c == '_') b.under |= bit;
        if (InSet(rules::kMacroAnchors.bytes.data(), rules::kMacroAnchors.size, c)) b.dm |= bit;
        continue;
      }
      if (c >= 0x80) b.high |= bit;
      if (kSet == RunIndex::kForComments) {
        if (c == '(' || c == ')' || c == '{' || c == '}') b.bracket |= bit;
        if (c == kSlash) b.slash |= bit;
        if (c == kStar) b.star |= bit;
      } else {
        if (c == '{' || c == ';' || c == '}') b.end |= bit;
        if (c == '(') b.open |= bit;
        if (c == ')') b.close |= bit;
        if (c == '{') b.brace |= bit;
        if (c == ' ' || c == '\t') b.blank |= bit;
        if (InSet(rules::kFinals.bytes.data(), rules::kFinals.size, c)) b.keywordEnd |= bit;
      }
    }
    StoreBlock(out + w * RunIndex::kClasses, b);
  }
}

void CountLines(const std::uint64_t* bits, std::size_t words, std::size_t n, RunIndex::Lines* lines) {
  RunIndex::Lines acc{0, n};
  for (std::size_t w = 0; w < words; ++w) {
    lines[w] = acc;
    if (const std::uint64_t lf = bits[w * RunIndex::kClasses + RunIndex::kLF]) {
      acc.count += RunIndex::PopCount(lf);
      acc.last = w * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(lf));
    }
  }
  lines[words] = acc;
}

#endif

// The bits of word w + 1 that a pair starting at the last byte of word w
// needs, brought down: (x >> 1) with bit 63 from the next word.
inline std::uint64_t After(const std::uint64_t* o, const std::uint64_t* next, int c) {
  return (o[c] >> 1) | (next ? next[c] << 63 : 0);
}

// Going up, word w reads the raw bits of word w + 1 before they are
// replaced; the slots that held raw bits only are cleared last.
void PairLineComments(std::uint64_t* out, std::size_t words) {
  for (std::size_t w = 0; w < words; ++w) {
    std::uint64_t* o = out + w * RunIndex::kClasses;
    const std::uint64_t* next = w + 1 < words ? o + RunIndex::kClasses : nullptr;
    std::uint64_t slash = o[RunIndex::kMarker];
    o[RunIndex::kMacroAnchor] &= After(o, next, RunIndex::kSlashes);
    o[RunIndex::kSlashes] = slash & After(o, next, RunIndex::kMarker);
  }
  for (std::size_t w = 0; w < words; ++w) out[w * RunIndex::kClasses + RunIndex::kMarker] = 0;
}

// A marker starts at i when bytes i and i + 1 are "/*" or "*/". Slash and
// star wait in the kMarker and kEnd slots.
void PairMarkers(std::uint64_t* out, std::size_t words) {
  for (std::size_t w = 0; w < words; ++w) {
    std::uint64_t* o = out + w * RunIndex::kClasses;
    const std::uint64_t* next = w + 1 < words ? o + RunIndex::kClasses : nullptr;
    std::uint64_t slash = o[RunIndex::kMarker], star = o[RunIndex::kEnd];
    o[RunIndex::kMarker] = (slash & After(o, next, RunIndex::kEnd)) |
                           (star & After(o, next, RunIndex::kMarker));
  }
  for (std::size_t w = 0; w < words; ++w) out[w * RunIndex::kClasses + RunIndex::kEnd] = 0;
}

// Only blanks right after a letter that ends a watched word are kept; the
// letters wait in the kBracket slot. Word w reads the letters of word
// w - 1, which stay raw until the end.
void KeepKeywordBlanks(std::uint64_t* out, std::size_t words) {
  std::uint64_t carry = 0;
  for (std::size_t w = 0; w < words; ++w) {
    std::uint64_t* o = out + w * RunIndex::kClasses;
    std::uint64_t letters = o[RunIndex::kBracket];
    o[RunIndex::kBlank] &= (letters << 1) | carry;
    carry = letters >> 63;
  }
  for (std::size_t w = 0; w < words; ++w) out[w * RunIndex::kClasses + RunIndex::kBracket] = 0;
}

}  // namespace

void RunIndex::Build(const char* p, std::size_t n, Set set) {
  m_n = n;
  // Every slot of every word is written below: no need to clear.
  std::size_t words = (n + 63) / 64;
  if (m_bits.size() < words * kClasses) m_bits.resize(words * kClasses);
  switch (set) {
    case kForLineComments:
      BuildWords<kForLineComments>(p, n, m_bits.data());
      PairLineComments(m_bits.data(), words);
      break;
    case kForComments:
      BuildWords<kForComments>(p, n, m_bits.data());
      PairMarkers(m_bits.data(), words);
      break;
    case kForStatements:
      BuildWords<kForStatements>(p, n, m_bits.data());
      KeepKeywordBlanks(m_bits.data(), words);
      break;
  }
  if (m_lines.size() < words + 1) m_lines.resize(words + 1);
  CountLines(m_bits.data(), words, n, m_lines.data());
}

void RunIndex::UseWideVectors(bool use) {
  g_bWide = use && __builtin_cpu_supports("avx2");
}

}  // namespace scan
