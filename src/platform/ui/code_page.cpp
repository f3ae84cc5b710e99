#include "platform/ui/code_page.h"

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <array>
#include <memory>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Code page 932 as a table, built once from the system's converter: what
// each single byte and each lead-trail pair stands for (0: nothing).
struct Cp932 {
  std::array<char32_t, 256> single{};
  std::array<std::array<char32_t, 256>, 256> pair{};  // [lead][trail], only leads filled

  Cp932() {
    for (int b = 0; b < 0x80; ++b) single[b] = static_cast<char32_t>(b);
    for (int b = 0xA1; b <= 0xDF; ++b) single[b] = 0xFF61 + static_cast<char32_t>(b - 0xA1);
    // Every pair at once, each followed by a line feed to part them; the
    // converter's own answers for invalid input (U+FFFD, U+001A) count as
    // nothing.
    QByteArray all;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLead(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        all.append(static_cast<char>(lead)).append(static_cast<char>(trail)).append('\n');
      }
    }
    QStringDecoder decode("windows-31j");
    QString text = decode(all);
    const QList<QStringView> parts = QStringView(text).split(u'\n');
    int k = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLead(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail, ++k) {
        if (k >= parts.size()) break;
        QStringView p = parts[k];
        char32_t c = 0;
        if (p.size() == 1 && !p[0].isSurrogate())
          c = p[0].unicode();
        else if (p.size() == 2 && p[0].isHighSurrogate())
          c = QChar::surrogateToUcs4(p[0], p[1]);
        if (c == kReplacement || c == 0x1A || c < 0x80) c = 0;
        pair[lead][trail] = c;
      }
    }
  }
};

const Cp932& Table() {
  static const Cp932 table;
  return table;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

void AfxAppendDisplayText(std::string& out, std::string_view bytes, UINT) {
  const Cp932& t = Table();
  out.reserve(out.size() + bytes.size() + bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
      continue;
    }
    char32_t c = t.single[b];
    if (IsLead(b) && i + 1 < bytes.size()) {
      char32_t p = t.pair[b][static_cast<unsigned char>(bytes[i + 1])];
      if (p) {
        c = p;
        ++i;
      }
    }
    if (b < 0x20 && b != '\t')
      c = 0x2400 + b;  // the control pictures
    else if (b == 0x7F)
      c = 0x2421;
    else if (!c)
      c = kReplacement;
    AppendUtf8(out, c);
  }
}

CString AfxDisplayText(std::string_view bytes, UINT codePage) {
  std::string out;
  AfxAppendDisplayText(out, bytes, codePage);
  return CString(std::move(out));
}
