// Text of another code page made ready for display: the contents of source
// files are Shift-JIS (code page 932, with its NEC and IBM extensions),
// UTF-8 or EUC-JP, while every text the program shows is in the system's
// encoding (UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"
#include "platform/ui/ui_types.h"

constexpr UINT CP_SHIFT_JIS = 932;
constexpr UINT CP_EUC_JP = 51932;
constexpr UINT CP_UTF8 = 65001;

/// The code page text in that encoding is shown with (ASCII as 932).
UINT CodePageOf(TextEncoding encoding);

/// bytes in codePage (932, 65001 or 51932), as UTF-8 for display. A broken
/// byte sequence shows as one U+FFFD and takes only its own bytes, so it
/// never swallows what follows (in code page 932, a lead byte whose pair is
/// no character takes one byte); control characters other than the tab
/// show as their pictures (U+2400...), so that every line stays one line.
CString AfxDisplayText(std::string_view bytes, UINT codePage = CP_SHIFT_JIS);
/// As AfxDisplayText, appending to out.
void AfxAppendDisplayText(std::string& out, std::string_view bytes, UINT codePage = CP_SHIFT_JIS);

/// Shows a file's text piece by piece, as AfxAppendDisplayText does, where
/// a character may be cut between two pieces of one line: the bytes of a
/// character the piece ends inside of are held back and shown with the
/// next piece.
class CDisplayDecoder {
 public:
  explicit CDisplayDecoder(UINT codePage) : m_nCodePage(codePage) {}
  /// Appends the piece to out. more: the next piece continues the same
  /// line, so a cut character is held back for it; otherwise it shows as
  /// one U+FFFD.
  void Append(std::string& out, std::string_view piece, bool more);

 private:
  UINT m_nCodePage;
  std::string m_held;
};
