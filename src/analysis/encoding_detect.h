// Deciding a source file's encoding from its bytes.
//
// The first rule that holds wins: no byte above 0x7F is ASCII; every such
// byte in 0xA1-0xDF (half-width katakana) is Shift-JIS; valid UTF-8 (a
// byte order mark included) is UTF-8; every such byte inside a valid
// EUC-JP sequence (A1-FE A1-FE, 8E A1-DF, 8F A1-FE A1-FE) is EUC-JP;
// anything else is Shift-JIS. A NUL byte is ASCII like any other.
//
// Up to a file's first byte above 0x7F every encoding reads it alike, so
// the bytes before it need not be fed at all.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/text/text_encoding.h"

class CStdioFile;

class CEncodingDetector {
 public:
  /// Feeds the next bytes of the file, in order. Returns false once the
  /// answer can no longer change, so that the rest need not be fed.
  bool Feed(const char* p, std::size_t n);
  /// The encoding of the bytes fed so far, taken as the whole file.
  TextEncoding Result() const;

  /// Tests may turn the 32-byte vectors off, to check the 16-byte ones on
  /// machines that have both.
  static void UseWideVectors(bool use);

 private:
  bool m_bHigh = false;   // a byte above 0x7F was seen
  bool m_bKana = true;    // every such byte was half-width katakana
  bool m_bUtf8 = true;    // still valid UTF-8
  bool m_bEuc = true;     // still valid EUC-JP
  int m_nUtf8Need = 0;    // continuation bytes the current UTF-8 character lacks
  unsigned char m_nUtf8Low = 0x80, m_nUtf8High = 0xBF;  // range of the next one
  int m_nEucNeed = 0;     // bytes the current EUC-JP character lacks
  unsigned char m_nEucHigh = 0xFE;  // highest value of the next one
};

/// The position of the first byte above 0x7F in p[0, n), or n.
std::size_t FirstHighByte(const char* p, std::size_t n);

/// The encoding of a file being read, decided once run, the text just read
/// from it, holds a byte above 0x7F (up to there every encoding reads it
/// alike): from that byte to the end of the file, looked at through
/// file.Peek without moving the reads. Returns false, leaving *encoding,
/// while run holds none.
bool DecideFileEncoding(std::string_view run, CStdioFile& file, TextEncoding* encoding);

/// The encoding of a whole text.
TextEncoding DetectEncoding(std::string_view bytes);
