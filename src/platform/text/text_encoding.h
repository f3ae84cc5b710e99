// The encodings a source file can be read in, and their names as the
// program shows and accepts them.
#pragma once

#include <string>
#include <string_view>

/// What a file's bytes were found (or told) to be.
enum class TextEncoding : unsigned char {
  kAscii,  // no byte above 0x7F: every encoding reads it alike
  kCp932,  // Shift-JIS, code page 932
  kUtf8,
  kEucJp,
};

/// How a run chooses each file's encoding: from its bytes, or one for all.
enum class EncodingChoice : unsigned char { kAuto, kCp932, kUtf8, kEucJp };

/// "ascii", "cp932", "utf-8" or "euc-jp".
const char* EncodingName(TextEncoding encoding);
/// The choice named "auto", "cp932", "utf-8" or "euc-jp" (exactly). Returns
/// false and leaves choice as it was for any other text.
bool ParseEncodingChoice(std::string_view name, EncodingChoice& choice);

/// Whether text in this encoding pairs a Shift-JIS lead byte with the byte
/// after it. UTF-8 and EUC-JP never put a byte below 0x80 inside a
/// character, so they are read byte by byte.
constexpr bool PairsLeadBytes(TextEncoding encoding) {
  return encoding == TextEncoding::kCp932 || encoding == TextEncoding::kAscii;
}

/// Appends code point c (at most U+10FFFF) to out as UTF-8.
void AppendCodePoint(std::string& out, char32_t c);
