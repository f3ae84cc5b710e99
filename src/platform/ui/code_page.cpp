#include "platform/ui/code_page.h"

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <array>
#include <memory>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/text/euc_jp.h"
#include "platform/text/shift_jis.h"
#include "platform/text/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

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

// EUC-JP's two- and three-byte characters (JIS X 0208 and JIS X 0212) as
// tables indexed by their last two bytes less 0xA1, built once from the
// system's converter. Nothing else in the program decodes EUC-JP, so there
// is no second table to disagree with; a committed one would have to come
// from another converter, whose readings of JIS X 0208 and 0212 need not
// be these.
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
  Char r{Cp932Char(p[i]), 1, false};
  if (IsShiftJisLead(p[i])) {
    if (i + 1 == n) {
      r.cut = true;
    } else if (char32_t c = Cp932Char(p[i], p[i + 1])) {
      r = {c, 2, false};
    }
  }
  return r;
}

Char Utf8At(const unsigned char* p, std::size_t i, std::size_t n) {
  const Utf8Lead lead = Utf8LeadOf(p[i]);
  if (lead.need == 0) return {};
  char32_t c = p[i] & (0x7F >> (lead.need + 1));
  unsigned char low = lead.low, high = lead.high;
  // The longest start of a character that the bytes make: a broken one is
  // one U+FFFD over just those bytes.
  std::size_t len = 1;
  for (; len <= static_cast<std::size_t>(lead.need); ++len) {
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
  const EucJpLead lead = EucJpLeadOf(p[i]);
  if (lead.need == 0) return {};
  unsigned char high = lead.high;
  for (std::size_t k = 1; k <= static_cast<std::size_t>(lead.need); ++k, high = 0xFE) {
    if (i + k == n) return {0, k, true};
    if (p[i + k] < kEucJpTrailLow || p[i + k] > high) return {0, lead.need == 1 ? 1 : k, false};
  }
  const unsigned char a = p[i + lead.need - 1], b = p[i + lead.need];
  if (p[i] == 0x8E) return {0xFF61 + static_cast<char32_t>(b - kEucJpTrailLow), 2, false};
  if (p[i] == 0x8F) return {EucJpTable().three[a - kEucJpTrailLow][b - kEucJpTrailLow], 3, false};
  return {EucJpTable().two[a - kEucJpTrailLow][b - kEucJpTrailLow], 2, false};
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

void CDisplayLines::Add(std::string_view piece) {
  const std::size_t i = m_starts.size();
  std::uint32_t held = 0;
  if (i > 0 && m_bytes.back() != '\n') {
    // The piece before continues its line: a character it ends inside of
    // shows with this one.
    std::string_view before = Decoded(i - 1);
    m_scratch.clear();
    held = static_cast<std::uint32_t>(before.size() - Decode(m_scratch, before, m_nCodePage, true));
  }
  if ((i & ((std::size_t{1} << kBlockBits) - 1)) == 0) m_blocks.push_back(m_bytes.size());
  m_starts.push_back(static_cast<std::uint32_t>(m_bytes.size() - m_blocks.back()) | held << kHeldShift);
  m_bytes.append(piece);
}

std::string_view CDisplayLines::Piece(std::size_t i) const {
  std::string_view p(m_bytes.data() + Start(i), End(i) - Start(i));
  if (!p.empty() && p.back() == '\n') p.remove_suffix(1);
  return p;
}

std::string_view CDisplayLines::Decoded(std::size_t i) const {
  std::size_t held = m_starts[i] >> kHeldShift;
  std::size_t start = Start(i) - held;
  std::string_view p(m_bytes.data() + start, End(i) - start);
  if (p.back() == '\n') p.remove_suffix(1);
  return p;
}

void CDisplayLines::AppendShown(std::string& out, std::size_t i) const {
  const bool more = i + 1 < m_starts.size() && m_bytes[End(i) - 1] != '\n';
  Decode(out, Decoded(i), m_nCodePage, more);
}
