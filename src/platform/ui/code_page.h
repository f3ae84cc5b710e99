// Text of another code page made ready for display: the contents of source
// files are Shift-JIS (code page 932, with its NEC and IBM extensions),
// UTF-8 or EUC-JP, while every text the program shows is in the system's
// encoding (UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

/// A file's text kept as it was read, piece by piece, for a view that shows
/// a few of its pieces at a time: each piece is decoded when it is asked
/// for, and shows as CDisplayDecoder shows it when it is handed the pieces
/// in order. Beside the bytes it keeps four bytes a piece.
class CDisplayLines {
 public:
  explicit CDisplayLines(UINT codePage = CP_SHIFT_JIS) : m_nCodePage(codePage) {}
  /// Room for that many bytes of pieces, so that adding them copies none.
  void Reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
  /// Adds the next piece as read: at least one byte, ending after its LF
  /// (a piece of a line longer than the piece has none, nor may the last).
  void Add(std::string_view piece);
  std::size_t GetCount() const { return m_starts.size(); }
  /// Piece i as read, without its LF.
  std::string_view Piece(std::size_t i) const;
  /// Appends piece i as shown (UTF-8, without its LF).
  void AppendShown(std::string& out, std::size_t i) const;

 private:
  static constexpr unsigned kBlockBits = 16;  // pieces a block: 64K of at most 255 bytes
  static constexpr std::uint32_t kHeldShift = 30;
  std::size_t Start(std::size_t i) const {
    return m_blocks[i >> kBlockBits] + (m_starts[i] & ((1u << kHeldShift) - 1));
  }
  std::size_t End(std::size_t i) const { return i + 1 < m_starts.size() ? Start(i + 1) : m_bytes.size(); }
  // The bytes of piece i that it decodes: those of a character cut at the
  // end of the piece before it, then its own without the LF.
  std::string_view Decoded(std::size_t i) const;

  UINT m_nCodePage;
  std::string m_bytes;
  std::vector<std::size_t> m_blocks;  // where each block of pieces starts
  // A piece's start after its block's; the top two bits count the bytes of
  // a character cut at the end of the piece before, which it shows.
  std::vector<std::uint32_t> m_starts;
  std::string m_scratch;
};
