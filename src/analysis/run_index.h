// A bitmap index over one run of text: for each byte class it needs, one
// bit per byte, built in a single vector sweep. The passes then find piece
// ends, brackets, statement ends and the like with a few word operations
// per piece instead of looking at every byte again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scan {

class RunIndex {
 public:
  enum Class {
    kLF,       // "\n"
    kHigh,     // a byte of 0x80 or above
    kBracket,  // "(", ")", "{", "}"
    kMarker,   // the first byte of the pair "/*" or "*/"
    kEnd,      // "{", ";", "}"
    kOpen,     // "("
    kClose,    // ")"
    kBrace,    // "{"
    kBlank,    // a space or tab after the last letter of a watched word, where one can end
    kSlashes,  // the first byte of the line-comment marker "//"
    kMacroAnchor,  // a "_" followed by the byte after the "_" of a macro name's tail
    kClasses
  };
  enum Set { kForLineComments, kForComments, kForStatements };
  struct Lines {
    std::size_t count;
    std::size_t last;
  };

  /// Indexes p[0, n) for the classes the set needs: kLF, kSlashes and
  /// kMacroAnchor for line comments; kLF, kHigh, kBracket and kMarker for
  /// comments; kLF, kHigh, kEnd, kOpen, kClose, kBrace and kBlank for
  /// statements. A pair counts only when both its bytes lie in the text.
  /// For every set, the line feeds before each word are counted too.
  void Build(const char* p, std::size_t n, Set set);

  /// Tests may turn the 32-byte vectors off, to check the 16-byte ones on
  /// machines that have both.
  static void UseWideVectors(bool use);

  /// The first position in [from, to) of a byte of class c, or to.
  std::size_t First(Class c, std::size_t from, std::size_t to) const {
    if (from >= to) return to;
    std::size_t w = from / 64;
    const std::size_t last = (to - 1) / 64;
    std::uint64_t bits = Word(c, w) & (~std::uint64_t{0} << (from % 64));
    for (; w < last; bits = Word(c, ++w))
      if (bits) return w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
    bits &= ~std::uint64_t{0} >> (63 - (to - 1) % 64);
    return bits ? w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)) : to;
  }
  bool Any(Class c, std::size_t from, std::size_t to) const { return First(c, from, to) < to; }

  /// The last position in [from, to) of a byte of class c, or to.
  std::size_t Last(Class c, std::size_t from, std::size_t to) const {
    if (from >= to) return to;
    const std::size_t first = from / 64;
    std::size_t w = (to - 1) / 64;
    std::uint64_t bits = Word(c, w) & (~std::uint64_t{0} >> (63 - (to - 1) % 64));
    for (; w > first; bits = Word(c, --w))
      if (bits) return w * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(bits));
    bits &= ~std::uint64_t{0} << (from % 64);
    return bits ? w * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(bits)) : to;
  }

  /// The number of bits set in x. Written out, since without a processor
  /// option the compiler's builtin is a library call.
  static std::size_t PopCount(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
  }

  /// Calls f(position) for every byte of class c in [from, to), in order.
  template <class F>
  void ForEach(Class c, std::size_t from, std::size_t to, F f) const {
    for (std::size_t w = from / 64; w * 64 < to; ++w) {
      std::uint64_t bits = Word(c, w) & RangeMask(w, from, to);
      for (; bits; bits &= bits - 1) f(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
  }

  /// How many line feeds stand before pos, and where the last of them
  /// stands (or n when there is none), in constant time.
  std::size_t LinesBefore(std::size_t pos) const {
    std::size_t count = m_lines[pos / 64].count;
    for (std::uint64_t bits = LineEndsBefore(pos); bits; bits &= bits - 1) ++count;  // a few at most
    return count;
  }
  std::size_t LastLineEndBefore(std::size_t pos) const {
    const std::uint64_t bits = LineEndsBefore(pos);
    return bits ? pos / 64 * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(bits))
                : m_lines[pos / 64].last;
  }

  /// The end of the piece that starts at pos: after its LF, 255 bytes on,
  /// or the end of the text, whichever comes first.
  std::size_t PieceEnd(std::size_t pos) const {
    std::size_t limit = pos + 255 < m_n ? pos + 255 : m_n;
    std::size_t lf = First(kLF, pos, limit);
    return lf < limit ? lf + 1 : limit;
  }

 public:
  /// Word w of class c: bit b stands for byte w * 64 + b.
  std::uint64_t Word(Class c, std::size_t w) const { return m_bits[w * kClasses + c]; }
  /// The bits of word w that lie in [from, to).
  static std::uint64_t RangeMask(std::size_t w, std::size_t from, std::size_t to) {
    std::uint64_t m = ~std::uint64_t{0};
    if (from > w * 64) m &= ~std::uint64_t{0} << (from - w * 64);
    if (to < w * 64 + 64) m &= ~(~std::uint64_t{0} << (to - w * 64));
    return m;
  }

 private:
  std::vector<std::uint64_t> m_bits;  // word w of class c at [w * kClasses + c]
  // For each word (and one past the last): the line feeds before it, and
  // the position of the last of them (m_n when none).
  std::vector<Lines> m_lines;
  // The line feeds of pos's word that stand before pos.
  std::uint64_t LineEndsBefore(std::size_t pos) const {
    const unsigned r = pos % 64;
    return r ? Word(kLF, pos / 64) & ~(~std::uint64_t{0} << r) : 0;
  }
  std::size_t m_n = 0;
};

}  // namespace scan
