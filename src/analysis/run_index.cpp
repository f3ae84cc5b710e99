#include "analysis/run_index.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scan {

namespace {

// The class bits of one 64-byte block (zero bytes past the text match no
// class).
struct BlockBits {
  std::uint64_t lf = 0, high = 0;
  std::uint64_t bracket = 0, slash = 0, star = 0;           // comments
  std::uint64_t end = 0, open = 0, close = 0, brace = 0, blank = 0;  // statements
};

template <bool kComments>
void ClassifyBlock(const char* block, BlockBits& b) {
#if defined(__SSE2__)
  auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  auto bits = [](__m128i m) {
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m)));
  };
  for (int k = 0; k < 4; ++k) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * k));
    const int s = 16 * k;
    b.lf |= bits(eq(v, '\n')) << s;
    b.high |= bits(v) << s;
    if (kComments) {
      b.bracket |= bits(_mm_or_si128(_mm_or_si128(eq(v, '('), eq(v, ')')),
                                     _mm_or_si128(eq(v, '{'), eq(v, '}'))))
                   << s;
      b.slash |= bits(eq(v, '/')) << s;
      b.star |= bits(eq(v, '*')) << s;
    } else {
      __m128i brace = eq(v, '{');
      __m128i open = eq(v, '(');
      b.end |= bits(_mm_or_si128(_mm_or_si128(brace, eq(v, ';')), eq(v, '}'))) << s;
      b.open |= bits(open) << s;
      b.close |= bits(eq(v, ')')) << s;
      b.brace |= bits(brace) << s;
      b.blank |= bits(_mm_or_si128(eq(v, ' '), eq(v, '\t'))) << s;
    }
  }
#else
  for (int i = 0; i < 64; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << i;
    unsigned char c = static_cast<unsigned char>(block[i]);
    if (c == '\n') b.lf |= bit;
    if (c >= 0x80) b.high |= bit;
    if (kComments) {
      if (c == '(' || c == ')' || c == '{' || c == '}') b.bracket |= bit;
      if (c == '/') b.slash |= bit;
      if (c == '*') b.star |= bit;
    } else {
      if (c == '{' || c == ';' || c == '}') b.end |= bit;
      if (c == '(') b.open |= bit;
      if (c == ')') b.close |= bit;
      if (c == '{') b.brace |= bit;
      if (c == ' ' || c == '\t') b.blank |= bit;
    }
  }
#endif
}

template <bool kComments>
void BuildWords(const char* p, std::size_t n, std::uint64_t* out) {
  const std::size_t words = (n + 63) / 64;
  for (std::size_t w = 0; w < words; ++w) {
    const char* block = p + w * 64;
    alignas(16) char pad[64];
    std::size_t len = std::min<std::size_t>(64, n - w * 64);
    if (len < 64) {
      std::memcpy(pad, block, len);
      std::memset(pad + len, 0, 64 - len);
      block = pad;
    }
    BlockBits b;
    ClassifyBlock<kComments>(block, b);
    std::uint64_t* o = out + w * RunIndex::kClasses;
    o[RunIndex::kLF] = b.lf;
    o[RunIndex::kHigh] = b.high;
    o[RunIndex::kBracket] = b.bracket;
    // For comments, slash and star wait here until the pairs are known:
    // they need the next word.
    o[RunIndex::kMarker] = kComments ? b.slash : 0;
    o[RunIndex::kEnd] = kComments ? b.star : b.end;
    o[RunIndex::kOpen] = b.open;
    o[RunIndex::kClose] = b.close;
    o[RunIndex::kBrace] = b.brace;
    o[RunIndex::kBlank] = b.blank;
  }
  if (kComments) {
    // A marker starts at i when bytes i and i + 1 are "/*" or "*/".
    for (std::size_t w = 0; w < words; ++w) {
      std::uint64_t* o = out + w * RunIndex::kClasses;
      const std::uint64_t* next = w + 1 < words ? o + RunIndex::kClasses : nullptr;
      std::uint64_t slash = o[RunIndex::kMarker], star = o[RunIndex::kEnd];
      std::uint64_t slashAfter = (slash >> 1) | (next ? next[RunIndex::kMarker] << 63 : 0);
      std::uint64_t starAfter = (star >> 1) | (next ? next[RunIndex::kEnd] << 63 : 0);
      o[RunIndex::kMarker] = (slash & starAfter) | (star & slashAfter);
    }
    // Going up, word w reads the raw bits of word w + 1 before they are
    // replaced. The borrowed slot is cleared last.
    for (std::size_t w = 0; w < words; ++w) out[w * RunIndex::kClasses + RunIndex::kEnd] = 0;
  }
}

}  // namespace

void RunIndex::Build(const char* p, std::size_t n, Set set) {
  m_n = n;
  // Every slot of every word is written below: no need to clear.
  std::size_t words = (n + 63) / 64;
  if (m_bits.size() < words * kClasses) m_bits.resize(words * kClasses);
  if (set == kForComments) BuildWords<true>(p, n, m_bits.data());
  else BuildWords<false>(p, n, m_bits.data());
}

}  // namespace scan
