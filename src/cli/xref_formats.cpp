// What the writers share: the selection, the rules of UTF-8 and the choice
// of writer.
#include "cli/xref_formats.h"

namespace {

// The length of the well-formed UTF-8 sequence at s[i], or, when there is
// none, -(length of the maximal part of one that starts there, at least 1).
int Utf8SequenceAt(std::string_view s, std::size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  int n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k < n; ++k) {
    if (i + k >= s.size()) return -k;
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if (c < lo || c > hi) return -k;
    lo = 0x80;
    hi = 0xBF;
  }
  return n;
}

}  // namespace

bool XrefSelection::Selects(const CFunctionTable& engine, int i) const {
  switch (kind) {
    case kAll:
      return true;
    case kCallers:
      return engine.GetCallList(i).Find(std::string_view(name)) != 0;
    case kCallees:
      return engine.GetEntryName(i) == name;
  }
  return false;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    int n = Utf8SequenceAt(s, i);
    if (n < 0) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

void AppendUtf8(std::string& out, std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    int n = Utf8SequenceAt(s, i);
    if (n > 0) {
      out.append(s.data() + i, static_cast<std::size_t>(n));
      i += static_cast<std::size_t>(n);
    } else {
      out += "\xEF\xBF\xBD";
      i += static_cast<std::size_t>(-n);
    }
  }
}

std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  switch (format) {
    case XrefOptions::kJson:
      return MakeJsonFormatter(out);
    case XrefOptions::kDot:
      return MakeDotFormatter(sel, out);
    case XrefOptions::kCtags:
      return MakeCtagsFormatter(sel, out, layout);
    case XrefOptions::kGrep:
      return MakeGrepFormatter(sel, out, layout);
    case XrefOptions::kText:
      break;
  }
  return MakeTextFormatter(sel, out, layout);
}
