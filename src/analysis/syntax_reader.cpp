#include "analysis/syntax_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kMaxName = 255;
// A statement longer than this is no declaration anyone wrote: it is
// dropped, so that memory stays bounded whatever the file holds.
constexpr std::size_t kMaxStatementTokens = 4096;
constexpr std::size_t kMaxNesting = 1024;
constexpr std::size_t kMaxConditionals = 256;

struct NameBytes {
  bool start[256] = {};
  bool inside[256] = {};
  bool ascii[256] = {};  // inside a name, and below 0x80
  constexpr NameBytes() {
    for (int c = 0; c < 256; ++c) {
      start[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
                 c >= 0x80;
      inside[c] = start[c] || (c >= '0' && c <= '9');
      ascii[c] = inside[c] && c < 0x80;
    }
  }
};
constexpr NameBytes kNameBytes;

// How many bytes at p are ASCII name bytes. Reads up to 15 bytes past the
// first that is not one.
inline std::size_t NameRun(const unsigned char* p) {
#ifdef __SSE2__
  const __m128i lowerA = _mm_set1_epi8('a' - 1), lowerZ = _mm_set1_epi8('z' + 1);
  const __m128i digit0 = _mm_set1_epi8('0' - 1), digit9 = _mm_set1_epi8('9' + 1);
  const __m128i caseBit = _mm_set1_epi8(0x20);
  const __m128i underscore = _mm_set1_epi8('_'), dollar = _mm_set1_epi8('$');
  for (std::size_t n = 0;; n += 16) {
    // Signed compares: bytes from 0x80 up fall in no range, as they should.
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n));
    __m128i folded = _mm_or_si128(v, caseBit);
    __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, lowerA), _mm_cmplt_epi8(folded, lowerZ));
    __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, digit0), _mm_cmplt_epi8(v, digit9));
    __m128i other = _mm_or_si128(_mm_cmpeq_epi8(v, underscore), _mm_cmpeq_epi8(v, dollar));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), other)));
    if (mask != 0xFFFF) return n + static_cast<std::size_t>(__builtin_ctz(~mask));
  }
#else
  std::size_t n = 0;
  while (kNameBytes.ascii[p[n]]) ++n;
  return n;
#endif
}
// Blanks: 1 for a space, a tab, CR, FF or VT, 2 for a line end, 0 else.
struct BlankBytes {
  unsigned char kind[256] = {};
  constexpr BlankBytes() {
    kind[static_cast<unsigned char>(' ')] = kind[static_cast<unsigned char>('\t')] = 1;
    kind[static_cast<unsigned char>('\r')] = kind[static_cast<unsigned char>('\f')] = 1;
    kind[static_cast<unsigned char>('\v')] = 1;
    kind[static_cast<unsigned char>('\n')] = 2;
  }
};
constexpr BlankBytes kBlankBytes;

// Set bits of a 16-bit mask (line ends among sixteen bytes), without a
// branch.
inline int CountBits(unsigned m) {
  m = m - ((m >> 1) & 0x5555u);
  m = (m & 0x3333u) + ((m >> 2) & 0x3333u);
  m = (m + (m >> 4)) & 0x0F0Fu;
  return static_cast<int>((m + (m >> 8)) & 0x1Fu);
}

// The first of p..e that is the byte stop, or e; the line ends before it
// are added to lines. Reads up to 15 bytes past e.
inline const char* ScanCountingLines(const char* p, const char* e, char stop, int& lines) {
#ifdef __SSE2__
  const __m128i stops = _mm_set1_epi8(stop), ends = _mm_set1_epi8('\n');
  for (; p < e; p += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned within = e - p >= 16 ? 0xFFFFu : (1u << (e - p)) - 1;
    unsigned at = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, stops))) & within;
    unsigned lineEnds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, ends))) & within;
    if (at != 0) {
      unsigned k = static_cast<unsigned>(__builtin_ctz(at));
      lines += CountBits(lineEnds & ((1u << k) - 1));
      return p + k;
    }
    lines += CountBits(lineEnds);
  }
  return e;
#else
  for (; p < e && *p != stop; ++p) lines += *p == '\n';
  return p;
#endif
}

// The first of p..e that is a or b, or e. Reads up to 15 bytes past e.
inline const char* FindEither(const char* p, const char* e, char a, char b) {
#ifdef __SSE2__
  const __m128i as = _mm_set1_epi8(a), bs = _mm_set1_epi8(b);
  for (; p < e; p += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned at = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, as), _mm_cmpeq_epi8(v, bs))));
    if (at != 0) return std::min(e, p + __builtin_ctz(at));
  }
  return e;
#else
  while (p < e && *p != a && *p != b) ++p;
  return p;
#endif
}

// How a token starting with a byte is read on the usual way: as a name
// made of ASCII bytes, as a punctuator of its own, or the long way.
enum class TokenStart : unsigned char { kOther, kName, kPunct, kPair };
struct TokenBytes {
  TokenStart start[256] = {};
  bool endsName[256] = {};  // a name's last byte may stand before it
  constexpr TokenBytes() {
    for (int c = 0; c < 128; ++c) endsName[c] = c != '\\' && c != '"' && c != '\'';
    for (int c = 0; c < 128; ++c) {
      bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
      if (letter) start[c] = TokenStart::kName;
    }
    for (const char* p = "(){}[];,*&=<>!~+|^%?@`/"; *p; ++p)
      start[static_cast<unsigned char>(*p)] = TokenStart::kPunct;
    for (const char* p = ".:-"; *p; ++p) start[static_cast<unsigned char>(*p)] = TokenStart::kPair;
  }
};
constexpr TokenBytes kTokenBytes;

bool IsNameStart(unsigned char c) { return kNameBytes.start[c]; }
bool IsNameByte(unsigned char c) { return kNameBytes.inside[c]; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

enum class Kind : unsigned char { kEnd, kName, kPunct, kString, kChar, kNumber, kDirective };

struct Token {
  Kind kind = Kind::kEnd;
  int line = 0;
  bool ifZero = false;  // a directive "#if 0" or "#elif 0"
  char punct = 0;       // a punctuator's first byte; 'Q' for "::", 'A' for "->"
  // A name, a directive's name: valid until the next token is read.
  std::string_view text;
};

// A name of at most kMaxName bytes the body's reader keeps for a few
// tokens: most stay where the lexer read them, and are copied only when
// the lexer is about to move or reuse those bytes (it is told of every such
// name), or when a qualified name grows.
class NameRef {
 public:
  void Set(std::string_view s) { m_view = s; }
  // other's name, copied when other holds it itself: that copy changes as
  // other grows.
  void SetFrom(const NameRef& other) {
    if (other.IsOwn()) {
      std::memcpy(m_own, other.m_own, other.m_view.size());
      m_view = std::string_view(m_own, other.m_view.size());
    } else {
      m_view = other.m_view;
    }
  }
  void Append(std::string_view s) {
    Own();
    std::size_t n = std::min(s.size(), kMaxName - m_view.size());
    if (n > 0) std::memcpy(m_own + m_view.size(), s.data(), n);
    m_view = std::string_view(m_own, m_view.size() + n);
  }
  // Copies the name into its own bytes unless it is there already.
  void Own() {
    if (IsOwn() || m_view.empty()) return;
    std::memmove(m_own, m_view.data(), m_view.size());
    m_view = std::string_view(m_own, m_view.size());
  }
  void Clear() { m_view = std::string_view(); }
  bool Empty() const { return m_view.empty(); }
  std::string_view View() const { return m_view; }

 private:
  bool IsOwn() const { return m_view.data() == m_own; }
  char m_own[kMaxName];
  std::string_view m_view;
};

// Splits the source into tokens. Comments, line splices and the bodies of
// directives never reach the parser; a directive comes as one token with
// its name.
class Lexer {
 public:
  explicit Lexer(ISyntaxByteSource& source)
      : m_source(source), m_buf(new char[kBlock + kPad]) {
    std::memset(m_buf.get(), 0, kPad);
  }

  // A name that may point at a token's bytes after the token: it is
  // copied before those bytes move or are overwritten.
  void Pin(NameRef& name) { m_pinned.push_back(&name); }

  __attribute__((always_inline)) void Next(Token& t) {
    t.text = std::string_view();
    t.ifZero = false;
    t.punct = 0;
    // The position stays in a register while the token is read.
    const unsigned char* b = reinterpret_cast<const unsigned char*>(m_buf.get());
    std::size_t pos = m_pos;
    // Most tokens follow no blank or one space: that space is passed without
    // a branch, which would be mispredicted as often as not. The byte after
    // it is read at once (the padding after the text covers it).
    unsigned char c = b[pos], d = b[pos + 1];
    bool space = c == ' ';
    pos += space;
    c = space ? d : c;
    // More blanks, a comment, a splice, a control byte, the end of the text.
    // One branch for the three tests: each alone is a guess.
    if ((c <= ' ') | (c == '/') | (c == '\\')) {
      m_pos = pos;
      SkipBlanksAndComments();
      pos = m_pos;
      c = b[pos];
    }
    t.line = m_line;
    // The usual tokens first: a plain name, a one-byte punctuator. The
    // byte at the end of the text is a 0, which takes the long way.
    switch (kTokenBytes.start[c]) {
      case TokenStart::kName: {
        std::size_t e = pos + NameRun(b + pos);
        // A name ends here unless the text does, or a splice, a byte from
        // 0x80 up or a quote (L"", u8'') follows.
        if ((e < m_end) & kTokenBytes.endsName[b[e]]) {
          t.text = std::string_view(m_buf.get() + pos, std::min(e - pos, kMaxName));
          t.kind = Kind::kName;
          m_pos = e;
          m_atLineStart = false;
          return;
        }
        break;
      }
      case TokenStart::kPunct:
        t.kind = Kind::kPunct;
        t.punct = static_cast<char>(c);
        m_pos = pos + 1;
        m_atLineStart = false;
        return;
      case TokenStart::kPair: {
        // ".", ":", "::", "-", "->", with the byte after them read.
        if (pos + 1 >= m_end) break;
        unsigned char n = b[pos + 1];
        if (c == '.' && IsDigit(n)) break;
        t.kind = Kind::kPunct;
        t.punct = static_cast<char>(c);
        ++pos;
        if ((c == ':' && n == ':') || (c == '-' && n == '>')) {
          t.punct = c == ':' ? 'Q' : 'A';
          ++pos;
        }
        m_pos = pos;
        m_atLineStart = false;
        return;
      }
      case TokenStart::kOther:
        break;
    }
    m_pos = pos;
    NextTheLongWay(t);
  }

  // Every other token: literals, numbers, directives, two-byte
  // punctuators, names with more than ASCII bytes, the end.
  __attribute__((noinline)) void NextTheLongWay(Token& t) {
    int c = At(0);
    if (c < 0) {
      t.kind = Kind::kEnd;
      return;
    }
    bool lineStart = m_atLineStart;
    m_atLineStart = false;
    if (c == '#' && lineStart) {
      ++m_pos;
      Directive(t);
      return;
    }
    if (IsNameStart(static_cast<unsigned char>(c))) {
      t.text = Name();
      // A prefix right before a quote makes a literal of it: L"", u8'', R"x()x".
      int q = At(0);
      if ((q == '"' || q == '\'') && IsLiteralPrefix(t.text)) {
        bool raw = t.text.back() == 'R';
        t.text = std::string_view();
        ++m_pos;
        if (q == '"' && raw) {
          RawString();
        } else {
          Quoted(static_cast<char>(q));
        }
        t.kind = q == '"' ? Kind::kString : Kind::kChar;
        return;
      }
      t.kind = Kind::kName;
      return;
    }
    if (IsDigit(static_cast<unsigned char>(c)) || (c == '.' && IsDigit(static_cast<unsigned char>(At(1))))) {
      Number();
      t.kind = Kind::kNumber;
      return;
    }
    if (c == '"' || c == '\'') {
      ++m_pos;
      Quoted(static_cast<char>(c));
      t.kind = c == '"' ? Kind::kString : Kind::kChar;
      return;
    }
    t.kind = Kind::kPunct;
    t.punct = static_cast<char>(c);
    ++m_pos;
    int d = At(0);
    if ((c == ':' && d == ':') || (c == '-' && d == '>')) {
      t.punct = c == ':' ? 'Q' : 'A';
      ++m_pos;
    }
  }

  // Skips to the end of the current line, as the rest of a directive.
  void SkipLine() {
    for (;;) {
      int c = At(0);
      if (c < 0) return;
      if (c == '\n') return;  // the line end itself is left for SkipBlanks
      if (c == '\\' && Splice()) continue;
      if (c == '/' && At(1) == '*') {
        m_pos += 2;
        BlockComment();
        continue;
      }
      if (c == '/' && At(1) == '/') {
        LineComment();
        return;
      }
      if (c == '"' || c == '\'') {
        ++m_pos;
        Quoted(static_cast<char>(c));
        continue;
      }
      Step();
    }
  }

 private:
  // The byte k places ahead, or -1 past the end of the source.
  __attribute__((always_inline)) int At(std::size_t k) {
    if (__builtin_expect(m_pos + k >= m_end, 0) && !Fill(k + 1)) return -1;
    return static_cast<unsigned char>(m_buf[m_pos + k]);
  }

  __attribute__((noinline)) bool Fill(std::size_t want) {
    if (m_eof) return m_end - m_pos >= want;
    OwnPinned();
    std::memmove(m_buf.get(), m_buf.get() + m_pos, m_end - m_pos);
    m_end -= m_pos;
    m_pos = 0;
    while (m_end < want && !m_eof) {
      std::size_t n = m_source.Read(m_buf.get() + m_end, kBlock - m_end);
      if (n == 0) m_eof = true;
      m_end += n;
    }
    // A 0 ends the text, and vector reads past it find it defined.
    std::memset(m_buf.get() + m_end, 0, kPad);
    m_pairs = m_source.Encoding() == TextEncoding::kCp932;
    return m_end - m_pos >= want;
  }

  // One character forward: a Shift-JIS pair at once.
  void Step() {
    unsigned char c = static_cast<unsigned char>(m_buf[m_pos]);
    if (c == '\n') {
      ++m_line;
    } else if (m_pairs && IsLead(c)) {
      int t = At(1);
      if (t >= 0 && IsTrail(static_cast<unsigned char>(t))) ++m_pos;
    }
    ++m_pos;
  }

  // A backslash before a line end joins the lines.
  bool Splice() {
    int d = At(1);
    if (d == '\n') {
      m_pos += 2;
    } else if (d == '\r' && At(2) == '\n') {
      m_pos += 3;
    } else {
      return false;
    }
    ++m_line;
    return true;
  }

  // Blanks within the buffer, up to the 0 that follows its text; a line's
  // indentation sixteen bytes at a time.
  void SkipBlankRun() {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(m_buf.get()) + m_pos;
    int line = m_line;
    bool lineStart = m_atLineStart;
#ifdef __SSE2__
    // Sixteen bytes at a time: a line end, the indentation after it, blank
    // lines. The buffer's padding covers the read past the 0 that ends the
    // text, which is no blank.
    const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    const __m128i four = _mm_set1_epi8(4), lineEnd = _mm_set1_epi8('\n');
    for (;;) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i fromTab = _mm_sub_epi8(v, tab);  // tab, line end, VT, FF, CR: 0 to 4
      __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(fromTab, four), fromTab);
      unsigned blank = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, space), control)));
      unsigned n = static_cast<unsigned>(__builtin_ctz(~blank));  // at most 16
      unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineEnd))) &
                      ((1u << n) - 1);
      line += CountBits(ends);
      lineStart |= ends != 0;
      p += n;
      if (n < 16) break;
    }
#else
    for (;;) {
      unsigned char k = kBlankBytes.kind[*p];
      if (k == 0) break;
      line += k - 1;
      lineStart |= k == 2;
      ++p;
    }
#endif
    m_pos = static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(m_buf.get()));
    m_line = line;
    m_atLineStart = lineStart;
  }

  __attribute__((noinline)) void SkipBlanksAndComments() {
    for (;;) {
      SkipBlankRun();
      int c = At(0);
      if (c < 0) return;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == '\n') continue;
      if (c == '\\' && Splice()) continue;
      if (c == '/' && At(1) == '/') {
        LineComment();
        continue;
      }
      if (c == '/' && At(1) == '*') {
        m_pos += 2;
        BlockComment();
        continue;
      }
      return;
    }
  }

  // From "//" to the line end, which stays; a splice continues it.
  void LineComment() {
    m_pos += 2;
    for (;;) {
      if (!m_pairs) {
        // No byte of a character can be a backslash or a line end here.
        const char* p = m_buf.get() + m_pos;
        const char* e = m_buf.get() + m_end;
        p = FindEither(p, e, '\n', '\\');
        m_pos = p - m_buf.get();
      }
      int c = At(0);
      if (c < 0 || c == '\n') return;
      if (c == '\\' && Splice()) continue;
      Step();
    }
  }

  // After "/*", up to and with "*/".
  void BlockComment() {
    for (;;) {
      const char* p = m_buf.get() + m_pos;
      const char* e = m_buf.get() + m_end;
      // Neither byte of "*/" is ever the second byte of a Shift-JIS pair.
      const char* star = ScanCountingLines(p, e, '*', m_line);
      m_pos = star - m_buf.get();
      int c = At(0);
      if (c < 0) return;
      if (c == '*') {
        int d = At(1);
        if (d == '/') {
          m_pos += 2;
          return;
        }
        if (d == '\\' && (At(2) == '\n' || (At(2) == '\r' && At(3) == '\n'))) {
          ++m_pos;
          Splice();
          if (At(0) == '/') {
            ++m_pos;
            return;
          }
          continue;
        }
        ++m_pos;
        continue;
      }
    }
  }

  // After the opening quote, up to and with the closing one. A literal
  // never runs past the end of its line.
  void Quoted(char quote) {
    for (;;) {
      int c = At(0);
      if (c < 0 || c == '\n') return;
      if (c == quote) {
        ++m_pos;
        return;
      }
      if (c == '\\') {
        if (Splice()) continue;
        ++m_pos;
        int d = At(0);
        if (d < 0 || d == '\n') continue;
        Step();
        continue;
      }
      Step();
    }
  }

  // After R", the delimiter, "(", the text, ")", the delimiter and '"'.
  void RawString() {
    std::string delim;
    for (;;) {
      int c = At(0);
      if (c < 0 || c == '\n') return;
      ++m_pos;
      if (c == '(') break;
      if (delim.size() == 16) return;  // no raw string: read on as code
      delim += static_cast<char>(c);
    }
    for (;;) {
      int c = At(0);
      if (c < 0) return;
      if (c == ')') {
        ++m_pos;
        std::size_t k = 0;
        while (k < delim.size() && At(k) == static_cast<unsigned char>(delim[k])) ++k;
        if (k == delim.size() && At(k) == '"') {
          m_pos += k + 1;
          return;
        }
        continue;
      }
      Step();
    }
  }

  // The name at the current position, cut to kMaxName bytes, most often
  // where it stands in the buffer. It stays valid until the buffer is next
  // refilled or a name is next read the slow way; a name kept longer is
  // pinned (Pin).
  std::string_view Name() {
    // Most names are plain bytes within the buffer: taken where they are.
    {
      const unsigned char* b = reinterpret_cast<const unsigned char*>(m_buf.get());
      // The byte after the text is no name byte, and the buffer has room
      // for a vector read past it.
      std::size_t e = m_pos + NameRun(b + m_pos);
      if (e < m_end && b[e] != '\\' && b[e] < 0x80) {
        std::string_view name(m_buf.get() + m_pos, std::min(e - m_pos, kMaxName));
        m_pos = e;
        return name;
      }
    }
    return NameTheSlowWay();
  }

  // A name with a byte from 0x80 up, a splice, or one the buffer ends in.
  __attribute__((noinline)) std::string_view NameTheSlowWay() {
    OwnPinned();
    std::string& out = m_name;
    out.clear();
    for (;;) {
      while (m_pos < m_end) {
        unsigned char c = static_cast<unsigned char>(m_buf[m_pos]);
        if (!IsNameByte(c)) break;
        if (c >= 0x80 && m_pairs && IsLead(c)) {
          if (m_pos + 1 >= m_end) break;  // the pair across the block: the slow way
          unsigned char t = static_cast<unsigned char>(m_buf[m_pos + 1]);
          if (IsTrail(t)) {
            if (out.size() + 2 <= kMaxName) out.append(m_buf.get() + m_pos, 2);
            m_pos += 2;
            continue;
          }
        }
        if (out.size() < kMaxName) out += static_cast<char>(c);
        ++m_pos;
      }
      int c = At(0);
      if (c < 0) return out;
      if (c == '\\' && Splice()) continue;
      if (!IsNameByte(static_cast<unsigned char>(c))) return out;
      if (m_pairs && IsLead(static_cast<unsigned char>(c))) {
        int t = At(1);
        if (t >= 0 && IsTrail(static_cast<unsigned char>(t))) {
          if (out.size() + 2 <= kMaxName) out.append(m_buf.get() + m_pos, 2);
          m_pos += 2;
          continue;
        }
      }
      if (out.size() < kMaxName) out += static_cast<char>(c);
      ++m_pos;
    }
  }

  void Number() {
    // Runs of ASCII name bytes within the buffer at once; what else a
    // number holds, the byte at a time.
    const unsigned char* b = reinterpret_cast<const unsigned char*>(m_buf.get());
    for (;;) {
      std::size_t e = m_pos + NameRun(b + m_pos);
      if (e >= m_end) break;
      if (e > m_pos) {
        unsigned char last = b[e - 1];
        m_pos = e;
        if ((last == 'e' || last == 'E' || last == 'p' || last == 'P') && (b[e] == '+' || b[e] == '-')) {
          ++m_pos;
          continue;
        }
      }
      if (b[m_pos] != '.') break;
      ++m_pos;
    }
    for (;;) {
      int c = At(0);
      if (c < 0) return;
      if (IsNameByte(static_cast<unsigned char>(c)) || c == '.') {
        ++m_pos;
        if ((c == 'e' || c == 'E' || c == 'p' || c == 'P') && (At(0) == '+' || At(0) == '-'))
          ++m_pos;
        continue;
      }
      if (c == '\'' && IsNameByte(static_cast<unsigned char>(At(1)))) {  // 1'000
        ++m_pos;
        continue;
      }
      if (c == '\\' && Splice()) continue;
      return;
    }
  }

  static bool IsLiteralPrefix(std::string_view s) {
    return s == "L" || s == "u" || s == "U" || s == "u8" || s == "R" || s == "LR" ||
           s == "uR" || s == "UR" || s == "u8R";
  }

  // After "#": the directive's name, then the rest of its line skipped.
  // "#if 0" and "#elif 0" are told apart, as the groups to skip.
  void Directive(Token& t) {
    t.kind = Kind::kDirective;
    SkipInlineBlanks();
    int c = At(0);
    // The rest of the line is read past the name: it is kept apart.
    m_directive.clear();
    if (c >= 0 && IsNameStart(static_cast<unsigned char>(c))) m_directive = Name();
    t.text = m_directive;
    if (t.text == "if" || t.text == "elif") {
      SkipInlineBlanks();
      if (At(0) == '0' && !IsNameByte(static_cast<unsigned char>(At(1))) && At(1) != '.') {
        ++m_pos;
        SkipInlineBlanks();
        int d = At(0);
        t.ifZero = d < 0 || d == '\n';
      }
    }
    SkipLine();
  }

  // Blanks, comments and splices within one line.
  void SkipInlineBlanks() {
    for (;;) {
      int c = At(0);
      if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++m_pos;
      } else if (c == '\\' && Splice()) {
      } else if (c == '/' && At(1) == '*') {
        m_pos += 2;
        BlockComment();
      } else {
        return;
      }
    }
  }

  void OwnPinned() {
    for (NameRef* name : m_pinned) name->Own();
  }

  static constexpr std::size_t kPad = 16;

  ISyntaxByteSource& m_source;
  std::vector<NameRef*> m_pinned;
  bool m_pairs = false;  // Shift-JIS: a lead byte takes the byte after it
  std::unique_ptr<char[]> m_buf;
  std::string m_name;       // a name not taken where it stands
  std::string m_directive;  // the name of the last directive
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
  bool m_eof = false;
  int m_line = 1;
  bool m_atLineStart = true;
};

// A set of words, looked up by length first: the parser asks for nearly
// every name it meets.
class WordSet {
 public:
  WordSet(std::initializer_list<const char*> words) {
    for (const char* w : words) {
      std::size_t n = std::strlen(w);
      if (n == 0 || n >= kLongest) continue;
      m_byLength[n].push_back(w);
      std::uint8_t k = Key(std::string_view(w, n));
      m_keys[k / 64] |= std::uint64_t{1} << (k % 64);
    }
  }
  bool Has(std::string_view s) const {
    if (s.empty() || s.size() >= kLongest) return false;
    // Most names are no word of the set: a bit, by length and the first and
    // last bytes, tells most of them at once.
    std::uint8_t k = Key(s);
    if ((m_keys[k / 64] >> (k % 64) & 1) == 0) return false;
    for (const char* w : m_byLength[s.size()])
      if (w[0] == s[0] && Same(w + 1, s.data() + 1, s.size() - 1)) return true;
    return false;
  }

 private:
  static std::uint8_t Key(std::string_view s) {
    return static_cast<std::uint8_t>(s.size() * 37 + static_cast<unsigned char>(s[0]) * 5 +
                                     static_cast<unsigned char>(s.back()));
  }
  static bool Same(const char* a, const char* b, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k)
      if (a[k] != b[k]) return false;
    return true;
  }
  static constexpr std::size_t kLongest = 20;
  std::vector<const char*> m_byLength[kLongest];
  std::uint64_t m_keys[4] = {};
};

// Words that stand before "(" without calling anything.
const WordSet kNotCallable = {
    "if", "for", "while", "switch", "return", "sizeof", "alignof", "_Alignof", "typeof",
    "__typeof__", "__typeof", "decltype", "defined", "__attribute__", "__attribute",
    "__declspec", "asm", "__asm__", "__asm", "_Static_assert", "static_assert", "noexcept",
    "catch", "do", "else", "case", "goto", "new", "delete", "throw", "typeid", "alignas",
    "_Alignas", "_Generic", "void", "char", "short", "int", "long", "float", "double",
    "signed", "unsigned", "bool", "_Bool", "const", "volatile", "__volatile__", "struct",
    "union", "enum", "class", "typename", "auto", "register", "static", "extern", "inline",
    "__inline", "__inline__", "__extension__", "operator", "template", "this", "static_cast",
    "dynamic_cast", "reinterpret_cast", "const_cast", "co_await", "co_return", "co_yield",
    "requires"};
bool IsNotCallable(std::string_view s) { return kNotCallable.Has(s); }

// Words that never name the function a declarator declares.
bool IsNotDeclaratorName(std::string_view s) { return IsNotCallable(s) || s == "__attribute__"; }

const WordSet kQualifiers = {"const", "volatile", "noexcept", "override", "final", "throw",
                            "try", "mutable", "__attribute__", "__attribute", "__declspec",
                            "alignas", "transaction_safe"};
bool IsQualifier(std::string_view s) { return kQualifiers.Has(s); }

// An annotation macro standing after a parameter list: __releases(x),
// Q_DECL_OVERRIDE, __THROW.
bool IsAnnotation(std::string_view s) {
  if (s.size() >= 2 && s[0] == '_' && s[1] == '_') return true;
  if (s.size() < 2) return false;
  bool upper = false;
  for (char c : s) {
    if (c >= 'a' && c <= 'z') return false;
    if (c >= 'A' && c <= 'Z') upper = true;
  }
  return upper;
}

// Words after which a name begins an expression, not a declaration.
const WordSet kBeforeExpressions = {"return", "else", "case", "do", "goto", "new", "delete",
                                    "throw", "co_await", "co_return", "co_yield", "sizeof", "emit", "Q_EMIT",
                                    "typeof", "__typeof__", "typeid", "not", "and", "or"};

const WordSet kAccessWords = {"public", "private", "protected", "signals", "slots",
                              "Q_SIGNALS", "Q_SLOTS"};
const WordSet kClassKeys = {"class", "struct", "union", "enum"};

enum class Scope : unsigned char { kFile, kNamespace, kExternC, kClass, kOther, kFunction, kBlock };

// The names of the namespaces and classes open are kept apart, in one
// string ("ns::C::"), which every definition's name begins with.
struct ScopeEntry {
  Scope kind;
  bool named;                // a namespace or class with a name
  std::uint32_t prefixEnd;   // the bytes of that string up to its own "::"
};

struct Stmt {
  Kind kind;
  char punct;  // as in Token
  std::uint16_t size;  // how many bytes a name has (at most kMaxName)
  int line;
  int depth;  // of parentheses and brackets before this token
  std::uint32_t text;  // where its bytes start in the statement's text
};

// Bytes appended to, a few at a time: names, copied without a call.
class ByteRun {
 public:
  void Append(std::string_view s) {
    std::size_t n = s.size();
    if (n > m_bytes.size() - m_size) m_bytes.resize(std::max(2 * m_bytes.size(), m_size + n));
    char* d = m_bytes.data() + m_size;
    const char* p = s.data();
    // Two copies that may overlap cover any length in their range.
    if (n >= 8 && n <= 16) {
      std::memcpy(d, p, 8);
      std::memcpy(d + n - 8, p + n - 8, 8);
    } else if (n >= 4 && n < 8) {
      std::memcpy(d, p, 4);
      std::memcpy(d + n - 4, p + n - 4, 4);
    } else if (n > 0 && n < 4) {
      d[0] = p[0];
      d[n / 2] = p[n / 2];
      d[n - 1] = p[n - 1];
    } else if (n > 16) {
      std::memcpy(d, p, n);
    }
    m_size += n;
  }
  void Clear() { m_size = 0; }
  std::size_t Size() const { return m_size; }
  const char* Data() const { return m_bytes.data(); }

 private:
  std::vector<char> m_bytes = std::vector<char>(1024);  // all of it room to write
  std::size_t m_size = 0;
};

// The tokens of a declaration being read, and the bytes of its names.
struct Statement {
  std::vector<Stmt> tokens;
  ByteRun text;
};

// A punctuator's text, as an operator's name shows it.
std::string_view PunctText(const char& punct) {
  if (punct == 'Q') return "::";
  if (punct == 'A') return "->";
  return std::string_view(&punct, 1);
}

class Parser {
 public:
  Parser(ISyntaxByteSource& source, ISyntaxReaderSink& sink) : m_lexer(source), m_sink(sink) {
    m_scopes.push_back({Scope::kFile, false, 0});
    m_stmt.reserve(256);
    m_lexer.Pin(m_names[0]);
    m_lexer.Pin(m_names[1]);
    m_lexer.Pin(m_pending);
  }

  void Run() {
    Token t;
    for (;;) {
      m_lexer.Next(t);
      if (t.kind == Kind::kEnd) break;
      if (t.kind == Kind::kDirective) {
        OnDirective(t);
        continue;
      }
      if (m_nFunction > 0) {
        InBody(t);
      } else {
        AtDeclarationLevel(t);
      }
    }
    CommitPendingCall();
    if (m_nFunction > 0) m_sink.OnDefinitionEnd();
  }

 private:
  // ---- Preprocessor conditionals ----

  struct Conditional {
    std::vector<ScopeEntry> start;     // the scopes as the first branch began
    std::vector<ScopeEntry> firstEnd;  // and as it ended
    std::string startPrefix, firstEndPrefix;  // and their names
    bool firstEnded = false;
    Statement statement;       // the statement being read as it began
    Statement firstStatement;  // and as it ended
  };

  void OnDirective(const Token& t) {
    std::string_view d = t.text;
    if (d == "if" || d == "ifdef" || d == "ifndef") {
      m_conds.push_back(Conditional());
      if (m_conds.size() > kMaxConditionals) {
        m_conds.pop_back();
        ++m_nIgnoredConds;
        return;
      }
      m_conds.back().start = m_scopes;
      m_conds.back().startPrefix = m_prefix;
      m_conds.back().statement = m_statement;
      if (t.ifZero) SkipGroup();
      return;
    }
    if (d == "elif" || d == "else") {
      if (m_nIgnoredConds > 0) return;
      if (m_conds.empty()) return;
      Conditional& c = m_conds.back();
      if (!c.firstEnded) {
        c.firstEnd = m_scopes;
        c.firstEndPrefix = m_prefix;
        c.firstStatement = m_statement;
        c.firstEnded = true;
      }
      RestoreScopes(c.start, c.startPrefix);
      m_statement = c.statement;
      if (t.ifZero) SkipGroup();
      return;
    }
    if (d == "endif") {
      if (m_nIgnoredConds > 0) {
        --m_nIgnoredConds;
        return;
      }
      if (m_conds.empty()) return;
      Conditional c = std::move(m_conds.back());
      m_conds.pop_back();
      if (c.firstEnded) {
        RestoreScopes(c.firstEnd, c.firstEndPrefix);
        m_statement = std::move(c.firstStatement);
      }
    }
  }

  // Skips a group that is never compiled, up to the "#elif", "#else" or
  // "#endif" that ends it, which is then read as usual.
  void SkipGroup() {
    int nested = 0;
    Token t;
    for (;;) {
      m_lexer.Next(t);
      if (t.kind == Kind::kEnd) return;
      if (t.kind != Kind::kDirective) continue;
      if (t.text == "if" || t.text == "ifdef" || t.text == "ifndef") {
        ++nested;
      } else if (t.text == "endif") {
        if (nested-- == 0) {
          OnDirective(t);
          return;
        }
      } else if ((t.text == "else" || t.text == "elif") && nested == 0) {
        // The branch after it is read as the first one read.
        if (t.ifZero) continue;
        return;
      }
    }
  }

  void RestoreScopes(const std::vector<ScopeEntry>& scopes, const std::string& prefix) {
    CommitPendingCall();
    bool wasIn = m_nFunction > 0;
    m_scopes = scopes;
    m_prefix = prefix;
    m_nFunction = 0;
    for (const ScopeEntry& s : m_scopes)
      if (s.kind == Scope::kFunction) ++m_nFunction;
    if (wasIn && m_nFunction == 0) m_sink.OnDefinitionEnd();
    m_prev = Prev::kNone;
  }

  // ---- Scopes ----

  // name: of a namespace or a class.
  void Push(Scope kind, std::string_view name = std::string_view()) {
    if (m_scopes.size() >= kMaxNesting) {
      ++m_nUnstacked;
      return;
    }
    if (kind == Scope::kFunction) ++m_nFunction;
    if (!name.empty()) {
      m_prefix.append(name.data(), name.size());
      m_prefix.append("::", 2);
    }
    m_scopes.push_back({kind, !name.empty(), static_cast<std::uint32_t>(m_prefix.size())});
  }

  void Pop() {
    if (m_nUnstacked > 0) {
      --m_nUnstacked;
      return;
    }
    if (m_scopes.size() <= 1) return;  // a stray "}"
    if (m_scopes.back().kind == Scope::kFunction && --m_nFunction == 0) {
      CommitPendingCall();
      m_sink.OnDefinitionEnd();
    }
    m_scopes.pop_back();
    m_prefix.resize(m_scopes.back().prefixEnd);
  }

  // ---- Declarations: file scope, namespaces, classes ----

  void AtDeclarationLevel(const Token& t) {
    Scope here = m_scopes.back().kind;
    if (here == Scope::kOther) {
      if (t.punct == '{') Push(Scope::kOther);
      if (t.punct == '}') Pop();
      return;
    }
    if (t.kind == Kind::kPunct) {
      char c = t.punct;
      {
        if (c == '(' || c == '[') {
          AddToStatement(t);
          ++m_depth;
          return;
        }
        if (c == ')' || c == ']') {
          if (m_depth > 0) --m_depth;
          AddToStatement(t);
          return;
        }
        if (m_depth > 0) {
          // Braces inside parentheses at this level: statement expressions,
          // compound literals. They stay part of the statement.
          AddToStatement(t);
          return;
        }
        if (c == ';') {
          if (!ContinuesOldStyle()) ClearStatement();
          else AddToStatement(t);
          return;
        }
        if (c == '}') {
          ClearStatement();
          Pop();
          return;
        }
        if (c == '{') {
          if (IsBraceInitInInitializerList()) {
            AddToStatement(t);
            SkipBraces();
            return;
          }
          OpenBrace(t);
          return;
        }
        if (c == ':' && here == Scope::kClass && IsAccessLabel()) {
          ClearStatement();
          return;
        }
      }
    }
    AddToStatement(t);
  }

  void AddToStatement(const Token& t) {
    if (m_stmt.size() >= kMaxStatementTokens) {
      ClearStatement();
      return;
    }
    ByteRun& text = m_statement.text;
    // Filled in place: a token built aside and copied in costs a stall
    // reading back what was just written piecemeal.
    Stmt& s = m_stmt.emplace_back();
    s.kind = t.kind;
    s.punct = t.punct;
    s.size = static_cast<std::uint16_t>(t.text.size());
    s.line = t.line;
    s.depth = m_depth;
    s.text = static_cast<std::uint32_t>(text.Size());
    text.Append(t.text);
  }

  void ClearStatement() {
    m_stmt.clear();
    m_statement.text.Clear();
    m_depth = 0;
  }

  // Reads a braced initializer in a constructor's initializer list, which
  // is part of the statement, not a body.
  void SkipBraces() {
    int depth = 1;
    Token t;
    while (depth > 0) {
      m_lexer.Next(t);
      if (t.kind == Kind::kEnd) return;
      if (t.kind == Kind::kDirective) {
        OnDirective(t);
        continue;
      }
      if (t.kind != Kind::kPunct) continue;
      if (t.punct == '{') ++depth;
      if (t.punct == '}') --depth;
    }
    Token close;
    close.kind = Kind::kPunct;
    close.punct = '}';
    close.line = t.line;
    AddToStatement(close);
  }

  bool IsAccessLabel() const {
    if (m_stmt.empty()) return false;
    for (const Stmt& s : m_stmt)
      if (s.kind != Kind::kName ||
          !kAccessWords.Has(Text(s)))
        return false;
    return true;
  }

  // The index of the ")" that closes the "(" at i, or npos.
  std::size_t Close(std::size_t i) const {
    int depth = 0;
    for (std::size_t k = i; k < m_stmt.size(); ++k) {
      if (m_stmt[k].kind != Kind::kPunct) continue;
      char s = m_stmt[k].punct;
      if (s == '(' || s == '[') ++depth;
      if (s == ')' || s == ']') {
        if (--depth == 0) return k;
      }
    }
    return std::string::npos;
  }

  bool IsPunct(std::size_t i, char p) const {
    return i < m_stmt.size() && m_stmt[i].kind == Kind::kPunct && m_stmt[i].punct == p;
  }
  std::string_view Text(const Stmt& s) const {
    return std::string_view(m_statement.text.Data() + s.text, s.size);
  }
  std::string_view Text(std::size_t i) const { return Text(m_stmt[i]); }
  bool IsName(std::size_t i) const { return i < m_stmt.size() && m_stmt[i].kind == Kind::kName; }

  // "f(a, b)" followed by a declaration: the parameter declarations of an
  // old-style definition, which end in ";" before the body.
  bool ContinuesOldStyle() const {
    if (m_stmt.empty()) return false;
    for (std::size_t i = 1; i < m_stmt.size(); ++i) {
      if (!IsPunct(i, '(') || m_stmt[i].depth != 0 || !IsName(i - 1)) continue;
      std::size_t close = Close(i);
      if (close == std::string::npos || close + 1 >= m_stmt.size()) return false;
      if (!IsOldStyleParameterList(i, close)) return false;
      // What follows is declarations only.
      int pieces = 0;
      for (std::size_t k = close + 1; k < m_stmt.size(); ++k) {
        const Stmt& s = m_stmt[k];
        if (s.kind == Kind::kString || s.kind == Kind::kChar) return false;
        if (s.kind == Kind::kPunct && (s.punct == '=' || s.punct == '{' || s.punct == '}'))
          return false;
        if (s.kind == Kind::kPunct && s.punct == ';' && ++pieces > 32) return false;
      }
      return IsName(close + 1) && !IsQualifier(Text(close + 1));
    }
    return false;
  }

  bool IsOldStyleParameterList(std::size_t open, std::size_t close) const {
    if (close == open + 1) return false;
    for (std::size_t k = open + 1; k < close; ++k) {
      bool name = (k - open) % 2 == 1;
      if (name ? !IsName(k) : !IsPunct(k, ',')) return false;
      if (name && IsNotCallable(Text(k))) return false;
    }
    return true;
  }

  // A "{" after a name (or template arguments) inside a constructor's
  // initializer list: "C::C() : a{1}, b{2} {".
  bool IsBraceInitInInitializerList() const {
    if (m_stmt.empty()) return false;
    const Stmt& last = m_stmt.back();
    if (!(last.kind == Kind::kName || (last.kind == Kind::kPunct && last.punct == '>')))
      return false;
    // The first ":" at the top level right after a parameter list.
    for (std::size_t i = 1; i < m_stmt.size(); ++i) {
      if (IsName(i) && m_stmt[i].depth == 0 &&
          kClassKeys.Has(Text(i)))
        return false;
      if (IsPunct(i, ':') && m_stmt[i].depth == 0)
        return IsPunct(i - 1, ')') ||
               (IsName(i - 1) && (Text(i - 1) == "noexcept" || Text(i - 1) == "try"));
    }
    return false;
  }

  void OpenBrace(const Token& t) {
    (void)t;
    std::size_t from = SkipTemplatePrefix(0);
    // namespace a::b {   inline namespace v1 {   MACRO(x) namespace n {
    for (std::size_t k = from; k < m_stmt.size(); ++k) {
      if (!IsName(k) || Text(k) != "namespace" || m_stmt[k].depth != 0) continue;
      std::string name;
      for (std::size_t i = k + 1; i < m_stmt.size(); ++i) {
        if (m_stmt[i].kind == Kind::kName) name += Text(i);
        if (IsPunct(i, 'Q')) name += "::";
      }
      ClearStatement();
      if (m_namespaces.size() < kMaxNesting) m_namespaces.push_back(m_prefix + name);
      Push(Scope::kNamespace, name);
      return;
    }
    std::size_t n = m_stmt.size();
    if (n >= from + 2 && IsName(n - 2) && Text(n - 2) == "extern" &&
        m_stmt[n - 1].kind == Kind::kString) {
      ClearStatement();
      Push(Scope::kExternC);
      return;
    }
    int line = 0;
    std::size_t lastSize = 0;
    if (!HasTopLevelAssignment(from) && FindDefinition(from, m_written, line, lastSize)) {
      std::string& full = m_full;
      full.assign(m_prefix);
      full.append(m_written);
      if (full.size() > kMaxName) full.resize(kMaxName);
      m_sink.OnDefinition(full, line, InNamespace(full, m_written, lastSize));
      m_prev = Prev::kNone;
      Push(Scope::kFunction);
      // The names stay in the statement until it is cleared.
      for (const Stmt& c : InitializerCalls()) m_sink.OnCall(Text(c), c.line);
      ClearStatement();
      return;
    }
    bool isClass = ClassName(from, m_written);
    ClearStatement();
    if (isClass) {
      Push(Scope::kClass, m_written);
    } else {
      Push(Scope::kOther);
    }
  }

  // The calls in a constructor's initializer list: names before "(" within
  // the parentheses of a member's or base's initializer.
  std::vector<Stmt> InitializerCalls() const {
    std::vector<Stmt> calls;
    std::size_t colon = std::string::npos;
    for (std::size_t i = 1; i < m_stmt.size(); ++i)
      if (IsPunct(i, ':') && m_stmt[i].depth == 0 &&
          (IsPunct(i - 1, ')') || (IsName(i - 1) && Text(i - 1) == "noexcept"))) {
        colon = i;
        break;
      }
    if (colon == std::string::npos) return calls;
    for (std::size_t i = colon + 1; i + 1 < m_stmt.size(); ++i) {
      if (!IsName(i) || m_stmt[i].depth == 0 || !IsPunct(i + 1, '(')) continue;
      if (IsNotCallable(Text(i))) continue;
      bool seen = false;
      for (const Stmt& c : calls) seen = seen || Text(c) == Text(i);
      if (!seen) calls.push_back(m_stmt[i]);
    }
    return calls;
  }

  // Whether what qualifies full is a namespace: one this file opened, when
  // the name as written is qualified ("ns::f"), else the innermost named
  // scope around it. Both names end in the same last part, lastSize bytes
  // (an operator's may hold "::" of its own: "operator std::string").
  bool InNamespace(std::string_view full, std::string_view written, std::size_t lastSize) const {
    if (full.size() < lastSize + 3) return false;  // nothing qualifies it
    std::size_t colons = full.size() - lastSize - 2;
    bool qualified = written.size() > lastSize;
    if (qualified) {
      const std::string_view scope = full.substr(0, colons);
      for (const std::string& n : m_namespaces)
        if (n == scope) return true;
      return false;
    }
    for (std::size_t k = m_scopes.size(); k-- > 0;) {
      if (!m_scopes[k].named) continue;
      if (m_scopes[k].kind == Scope::kNamespace) return true;
      if (m_scopes[k].kind == Scope::kClass) return false;
    }
    return false;
  }

  // "template <...>" before a declaration, as often as it stands there.
  std::size_t SkipTemplatePrefix(std::size_t i) const {
    while (IsName(i) && Text(i) == "template" && IsPunct(i + 1, '<')) {
      int angles = 0;
      std::size_t k = i + 1;
      for (; k < m_stmt.size(); ++k) {
        if (IsPunct(k, '<')) ++angles;
        if (IsPunct(k, '>') && --angles == 0) break;
      }
      if (k >= m_stmt.size()) return i;
      i = k + 1;
    }
    return i;
  }

  bool HasTopLevelAssignment(std::size_t from) const {
    for (std::size_t i = from; i < m_stmt.size(); ++i) {
      if (m_stmt[i].depth != 0 || !IsPunct(i, '=')) continue;
      // operator=, operator==, operator<=...: part of a name
      std::size_t k = i;
      while (k > from && m_stmt[k - 1].kind == Kind::kPunct && m_stmt[k - 1].punct != 'Q' &&
             m_stmt[k - 1].punct != 'A' && m_stmt[k - 1].punct != ')' && m_stmt[k - 1].punct != '(')
        --k;
      if (k > from && IsName(k - 1) && Text(k - 1) == "operator") continue;
      return true;
    }
    return false;
  }

  // Finds the declarator of a definition: a name, its parameter list and
  // only what may stand between that and the body.
  bool FindDefinition(std::size_t from, std::string& name, int& line,
                      std::size_t& lastSize) const {
    for (std::size_t i = from + 1; i < m_stmt.size(); ++i) {
      if (!IsPunct(i, '(') || m_stmt[i].depth != 0) continue;
      std::size_t nameEnd = i;  // the tokens of the name end before it
      std::size_t open = i;
      // operator(): the first "()" belongs to the name.
      if (IsName(i - 1) && Text(i - 1) == "operator") {
        if (!IsPunct(i + 1, ')') || !IsPunct(i + 2, '(')) continue;
        open = i + 2;
        nameEnd = i + 2;
      }
      std::size_t close = Close(open);
      if (close == std::string::npos) return false;
      if (!TrailersFit(open, close)) {
        i = open;  // the next "(" after this one's "("
        continue;
      }
      if (DeclaratorName(from, nameEnd, name, line, lastSize)) return true;
      i = open;
    }
    return false;
  }

  bool TrailersFit(std::size_t open, std::size_t close) const {
    std::size_t k = close + 1;
    std::size_t end = m_stmt.size();
    bool oldStyle = IsOldStyleParameterList(open, close);
    while (k < end) {
      const Stmt& s = m_stmt[k];
      if (s.kind == Kind::kPunct) {
        if (s.punct == 'A' || s.punct == ':') return true;  // a return type, an initializer list
        if (s.punct == '&') {
          ++k;
          continue;
        }
        if (s.punct == '[' && IsPunct(k + 1, '[')) {  // [[attribute]]
          std::size_t c = Close(k);
          if (c == std::string::npos) return false;
          k = c + 1;
          continue;
        }
        return false;
      }
      if (s.kind != Kind::kName) return false;
      if (IsQualifier(Text(s)) || IsAnnotation(Text(s)) || Text(s) == "requires") {
        if (Text(s) == "requires") return true;
        ++k;
        if (IsPunct(k, '(')) {
          std::size_t c = Close(k);
          if (c == std::string::npos) return false;
          k = c + 1;
        }
        continue;
      }
      // Old-style parameter declarations, each ending in ";".
      if (oldStyle) return IsPunct(end - 1, ';');
      return false;
    }
    return true;
  }

  // The name whose tokens end before end: "f", "C::f", "C::~C",
  // "D<T>::k" (as "D::k"), "operator==", "operator new".
  // lastSize: the bytes of the last part, the name without its qualifiers.
  // name is written over, also when there is none.
  bool DeclaratorName(std::size_t from, std::size_t end, std::string& name, int& line,
                      std::size_t& lastSize) const {
    if (end == from) return false;
    std::size_t first = end - 1;
    std::string& last = name;
    last.clear();
    // An operator: "operator" and what stands between it and "(".
    std::size_t op = std::string::npos;
    if (end >= from + 3 && IsPunct(end - 1, ')') && IsPunct(end - 2, '(') && IsName(end - 3) &&
        Text(end - 3) == "operator")
      op = end - 3;
    for (std::size_t k = end; op == std::string::npos && k-- > from && end - k <= 6;) {
      if (IsName(k) && Text(k) == "operator") {
        op = k;
        break;
      }
      if (IsPunct(k, '(') || IsPunct(k, ')') || IsPunct(k, 'Q')) break;
    }
    if (op != std::string::npos) {
      last.append("operator");
      bool word = true;
      for (std::size_t k = op + 1; k < end; ++k) {
        const Stmt& s = m_stmt[k];
        if (s.kind == Kind::kString) {
          last += "\"\"";
          word = false;
          continue;
        }
        bool isWord = s.kind == Kind::kName;
        if (isWord && word) last += ' ';
        if (s.kind == Kind::kPunct) {
          last += PunctText(s.punct);
        } else {
          last += Text(s);
        }
        word = isWord;
      }
      line = m_stmt[op].line;
      first = op;
    } else {
      // Template arguments of the name itself: f<int>(
      std::size_t k = end - 1;
      if (IsPunct(k, '>')) {
        k = SkipBackAngles(k, from);
        if (k == std::string::npos) return false;
        if (k == from) return false;
        --k;
      }
      if (!IsName(k) || IsNotDeclaratorName(Text(k))) return false;
      line = m_stmt[k].line;
      first = k;
      if (first > from && IsPunct(first - 1, '~')) {
        last.push_back('~');
        --first;
      }
      last.append(Text(k));
    }
    lastSize = last.size();
    // Qualifiers before it: A::B<T>::
    while (first >= from + 2 && IsPunct(first - 1, 'Q')) {
      std::size_t k = first - 2;
      if (IsPunct(k, '>')) {
        k = SkipBackAngles(k, from);
        if (k == std::string::npos || k == from) break;
        --k;
      }
      if (!IsName(k)) break;
      name.insert(0, "::");
      name.insert(0, Text(k));
      first = k;
    }
    return true;
  }

  // From the ">" at k back to the "<" that opens it; npos when none.
  std::size_t SkipBackAngles(std::size_t k, std::size_t from) const {
    int angles = 0;
    for (std::size_t i = k + 1; i-- > from;) {
      if (IsPunct(i, '>')) ++angles;
      if (IsPunct(i, '<') && --angles == 0) return i;
      if (IsPunct(i, ';') || IsPunct(i, '{')) return std::string::npos;
    }
    return std::string::npos;
  }

  // class, struct or union X ... {: the class's name ("" for none).
  bool ClassName(std::size_t from, std::string& name) const {
    std::size_t k = from;
    while (k < m_stmt.size() &&
           !(IsName(k) && kClassKeys.Has(Text(k))))
      ++k;
    if (k >= m_stmt.size() || Text(k) == "enum") return false;
    name.clear();
    for (++k; k < m_stmt.size(); ++k) {
      const Stmt& s = m_stmt[k];
      if (s.kind == Kind::kPunct && (s.punct == '(' || s.punct == '[')) {
        std::size_t c = Close(k);
        if (c == std::string::npos) break;
        k = c;
        continue;
      }
      if (s.kind == Kind::kPunct && s.punct == 'Q') {
        name += "::";
        continue;
      }
      if (s.kind != Kind::kName) break;
      if (Text(s) == "final" || Text(s) == "alignas" || Text(s) == "__attribute__") continue;
      if (!name.empty() && name.size() >= 2 && name.compare(name.size() - 2, 2, "::") == 0) {
        name += Text(s);
      } else {
        name = Text(s);  // export macros stand before the name
      }
    }
    return true;
  }

  // ---- Bodies ----

  enum class Prev : unsigned char { kNone, kName, kMember, kScope, kOther };

  void InBody(const Token& t) {
    WatchPointerDeclaration(t);
    if (t.kind == Kind::kName) {
      // Whether a name is called is decided only at a "(": most are not.
      if (m_prev == Prev::kScope && m_bQualifiable) {
        m_pCallName->Append("::");
        m_pCallName->Append(t.text);
      } else {
        m_bAfterName = m_prev == Prev::kName;
        if (m_bAfterName) std::swap(m_pPrevName, m_pCallName);
        m_pCallName->Set(t.text);
        m_bMember = m_prev == Prev::kMember;
        m_bQualifiable = !m_bMember;
      }
      m_nLastPart = t.text.size();
      m_callLine = t.line;
      m_prev = Prev::kName;
      return;
    }
    if (t.kind == Kind::kPunct) {
      char p = t.punct;
      if (p == '(') {
        if (m_prev == Prev::kName && IsCall()) {
          CommitPendingCall();
          m_pending.SetFrom(*m_pCallName);
          m_pendingLine = m_callLine;
          m_watch = 1;
        }
        m_prev = Prev::kOther;
        return;
      }
      if (p == 'Q') {
        if (m_prev != Prev::kName) {
          m_pCallName->Clear();  // ::f
          m_bQualifiable = false;
        }
        m_prev = Prev::kScope;
        return;
      }
      if (p == '.' || p == 'A') {
        m_prev = Prev::kMember;
        return;
      }
      if (p == '{') {
        Push(Scope::kBlock);
      } else if (p == '}') {
        Pop();
      }
    }
    m_prev = Prev::kOther;
  }

  // The name before "(" calls a function: it is a member's, or neither a
  // word of the language nor the name declared by "Type name(args)" (a
  // variable built from args, a local prototype, a member of a local class).
  bool IsCall() const {
    if (m_bMember) return true;
    std::string_view last = m_pCallName->View();
    if (m_nLastPart < last.size()) last.remove_prefix(last.size() - m_nLastPart);
    if (kNotCallable.Has(last)) return false;
    return !m_bAfterName || kBeforeExpressions.Has(m_pPrevName->View());
  }

  // "type (*name)(" declares a pointer to a function; it calls nothing.
  // The call before the "(" waits until that is ruled out.
  void WatchPointerDeclaration(const Token& t) {
    if (m_watch == 0) return;
    bool fits = false;
    switch (m_watch) {
      case 1:
        fits = t.punct == '*';
        break;
      case 2:
        fits = t.kind == Kind::kName;
        break;
      case 3:
        fits = t.punct == ')';
        break;
      case 4:
        if (t.punct == '(') {
          m_watch = 0;
          m_pending.Clear();
          return;
        }
        break;
    }
    if (fits) {
      ++m_watch;
      return;
    }
    CommitPendingCall();
  }

  void CommitPendingCall() {
    m_watch = 0;
    if (m_pending.Empty()) return;
    if (m_nFunction > 0) m_sink.OnCall(m_pending.View(), m_pendingLine);
    m_pending.Clear();
  }

  Lexer m_lexer;
  ISyntaxReaderSink& m_sink;
  std::vector<ScopeEntry> m_scopes;
  std::size_t m_nUnstacked = 0;  // braces past the nesting kept
  int m_nFunction = 0;           // function scopes in m_scopes
  std::vector<Conditional> m_conds;
  std::size_t m_nIgnoredConds = 0;

  std::vector<std::string> m_namespaces;  // opened in the file, by full name
  std::string m_prefix;   // "ns::C::": the names of the scopes open
  std::string m_written;  // a definition's name as written, a class's name
  std::string m_full;     // a definition's name with its scopes
  Statement m_statement;  // the declaration being read
  std::vector<Stmt>& m_stmt = m_statement.tokens;
  int m_depth = 0;           // of its parentheses and brackets

  Prev m_prev = Prev::kNone;
  NameRef m_names[2];
  NameRef* m_pCallName = &m_names[0];  // the name before the next "(", if it is one
  NameRef* m_pPrevName = &m_names[1];  // the name before it, when m_bAfterName
  int m_callLine = 0;
  std::size_t m_nLastPart = 0;  // the length of its last part
  bool m_bMember = false;       // it follows "." or "->"
  bool m_bQualifiable = false;  // a "::" may add to it
  bool m_bAfterName = false;    // it follows another name
  NameRef m_pending;  // a call not yet reported
  int m_pendingLine = 0;
  int m_watch = 0;  // how much of "(*name)(" follows it so far
};

}  // namespace

void ReadSyntax(ISyntaxByteSource& source, ISyntaxReaderSink& sink) {
  Parser(source, sink).Run();
}
