#include "platform/ui/code_page.h"

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <array>
#include <memory>
#include <vector>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What the system's converter makes of each of the byte sequences, each
// followed by a line feed to part them: one code point each, or 0 where its
// answer is no character (U+FFFD, U+001A, or ASCII).
std::vector<char32_t> DecodeEach(const char* converter, const std::vector<std::string>& seqs) {
  QByteArray all;
  for (const std::string& s : seqs) all.append(s.data(), static_cast<qsizetype>(s.size())).append('\n');
  QStringDecoder decode(converter);
  QString text = decode(all);
  const QList<QStringView> parts = QStringView(text).split(u'\n');
  std::vector<char32_t> out(seqs.size(), 0);
  for (std::size_t k = 0; k < seqs.size() && k < static_cast<std::size_t>(parts.size()); ++k) {
    QStringView p = parts[static_cast<qsizetype>(k)];
    char32_t c = 0;
    if (p.size() == 1 && !p[0].isSurrogate())
      c = p[0].unicode();
    else if (p.size() == 2 && p[0].isHighSurrogate())
      c = QChar::surrogateToUcs4(p[0], p[1]);
    if (c == kReplacement || c == 0x1A || c < 0x80) c = 0;
    out[k] = c;
  }
  return out;
}

// Code page 932 as a table, built once from the system's converter: what
// each single byte and each lead-trail pair stands for (0: nothing).
struct Cp932 {
  std::array<char32_t, 256> single{};
  std::array<std::array<char32_t, 256>, 256> pair{};  // [lead][trail], only leads filled

  Cp932() {
    for (int b = 0; b < 0x80; ++b) single[b] = static_cast<char32_t>(b);
    for (int b = 0xA1; b <= 0xDF; ++b) single[b] = 0xFF61 + static_cast<char32_t>(b - 0xA1);
    std::vector<std::string> seqs;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLead(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail)
        seqs.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
    std::vector<char32_t> chars = DecodeEach("windows-31j", seqs);
    for (std::size_t k = 0; k < seqs.size(); ++k)
      pair[static_cast<unsigned char>(seqs[k][0])][static_cast<unsigned char>(seqs[k][1])] = chars[k];
  }
};

// EUC-JP's two- and three-byte characters (JIS X 0208 and JIS X 0212) as
// tables indexed by their last two bytes less 0xA1.
struct EucJp {
  std::array<std::array<char32_t, 94>, 94> two{};
  std::array<std::array<char32_t, 94>, 94> three{};

  EucJp() {
    std::vector<std::string> seqs;
    for (int a = 0; a < 94; ++a)
      for (int b = 0; b < 94; ++b)
        seqs.push_back({static_cast<char>(0xA1 + a), static_cast<char>(0xA1 + b)});
    for (int a = 0; a < 94; ++a)
      for (int b = 0; b < 94; ++b)
        seqs.push_back({'\x8F', static_cast<char>(0xA1 + a), static_cast<char>(0xA1 + b)});
    std::vector<char32_t> chars = DecodeEach("EUC-JP", seqs);
    for (int k = 0; k < 94 * 94; ++k) {
      two[k / 94][k % 94] = chars[k];
      three[k / 94][k % 94] = chars[94 * 94 + k];
    }
  }
};

const Cp932& Cp932Table() {
  static const Cp932 table;
  return table;
}

const EucJp& EucJpTable() {
  static const EucJp table;
  return table;
}

// One character at p[i] (i < n, p[i] >= 0x80): its code point (0 when the
// bytes are no character) and how many bytes it takes. cut: the text ends
// inside a character that more bytes could still complete.
struct Char {
  char32_t c = 0;
  std::size_t len = 1;
  bool cut = false;
};

Char Cp932At(const unsigned char* p, std::size_t i, std::size_t n) {
  const Cp932& t = Cp932Table();
  Char r{t.single[p[i]], 1, false};
  if (IsLead(p[i])) {
    if (i + 1 == n) {
      r.cut = true;
    } else if (char32_t c = t.pair[p[i]][p[i + 1]]) {
      r = {c, 2, false};
    }
  }
  return r;
}

Char Utf8At(const unsigned char* p, std::size_t i, std::size_t n) {
  const unsigned char b = p[i];
  std::size_t need;
  char32_t c;
  unsigned char low = 0x80, high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) need = 1, c = b & 0x1F;
  else if (b >= 0xE0 && b <= 0xEF) need = 2, c = b & 0x0F;
  else if (b >= 0xF0 && b <= 0xF4) need = 3, c = b & 0x07;
  else return {};
  if (b == 0xE0) low = 0xA0;
  else if (b == 0xED) high = 0x9F;
  else if (b == 0xF0) low = 0x90;
  else if (b == 0xF4) high = 0x8F;
  // The longest start of a character that the bytes make: a broken one is
  // one U+FFFD over just those bytes.
  std::size_t len = 1;
  for (; len <= need; ++len) {
    if (i + len == n) return {0, len, true};
    const unsigned char t = p[i + len];
    if (t < low || t > high) return {0, len, false};
    c = (c << 6) | (t & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {c, len, false};
}

Char EucJpAt(const unsigned char* p, std::size_t i, std::size_t n) {
  const unsigned char b = p[i];
  auto trail = [&](std::size_t k, unsigned char high) {
    return i + k < n && p[i + k] >= 0xA1 && p[i + k] <= high;
  };
  if (b == 0x8E) {
    if (i + 1 == n) return {0, 1, true};
    if (!trail(1, 0xDF)) return {};
    return {0xFF61 + static_cast<char32_t>(p[i + 1] - 0xA1), 2, false};
  }
  if (b == 0x8F) {
    for (std::size_t k = 1; k <= 2; ++k) {
      if (i + k == n) return {0, k, true};
      if (!trail(k, 0xFE)) return {0, k, false};
    }
    return {EucJpTable().three[p[i + 1] - 0xA1][p[i + 2] - 0xA1], 3, false};
  }
  if (b >= 0xA1 && b <= 0xFE) {
    if (i + 1 == n) return {0, 1, true};
    if (!trail(1, 0xFE)) return {};
    return {EucJpTable().two[b - 0xA1][p[i + 1] - 0xA1], 2, false};
  }
  return {};
}

// Appends bytes as UTF-8. Returns where a character cut by the end of the
// text starts (for the caller to keep), or bytes.size() when keepCut is
// false or there is none.
std::size_t Decode(std::string& out, std::string_view bytes, UINT codePage, bool keepCut) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  out.reserve(out.size() + n + n / 2);
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = p[i];
    if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b < 0x80) {
      // Control characters as their pictures, so that every line stays one.
      AppendCodePoint(out, b == '\t' ? b : b == 0x7F ? 0x2421 : 0x2400 + b);
      ++i;
      continue;
    }
    Char ch = codePage == CP_UTF8    ? Utf8At(p, i, n)
              : codePage == CP_EUC_JP ? EucJpAt(p, i, n)
                                      : Cp932At(p, i, n);
    if (ch.cut && keepCut) return i;
    AppendCodePoint(out, ch.c ? ch.c : kReplacement);
    i += ch.len;
  }
  return n;
}

}  // namespace

UINT CodePageOf(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8: return CP_UTF8;
    case TextEncoding::kEucJp: return CP_EUC_JP;
    default: return CP_SHIFT_JIS;
  }
}

void AfxAppendDisplayText(std::string& out, std::string_view bytes, UINT codePage) {
  Decode(out, bytes, codePage, false);
}

CString AfxDisplayText(std::string_view bytes, UINT codePage) {
  std::string out;
  AfxAppendDisplayText(out, bytes, codePage);
  return CString(std::move(out));
}

void CDisplayDecoder::Append(std::string& out, std::string_view piece, bool more) {
  if (m_held.empty()) {
    std::size_t kept = Decode(out, piece, m_nCodePage, more);
    m_held.assign(piece.substr(kept));
    return;
  }
  std::string text = m_held + std::string(piece);
  std::size_t kept = Decode(out, text, m_nCodePage, more);
  m_held = text.substr(kept);
}
