// Code page 932 (Shift-JIS as Windows writes it, with the NEC and IBM
// extensions) decoded, by a table made from the code page's definition.
// Plain C++: tolvane-xref shows paths whose bytes are not UTF-8 with it, and
// the listing window shows Shift-JIS sources with it.
#pragma once

#include <string>
#include <string_view>

/// When s is valid code page 932 text, appends it to out as UTF-8 and
/// returns true. Otherwise returns false and leaves out as it was: a lead
/// byte without its trail byte, a pair the code page leaves undefined, or
/// one of the bytes 0x80, 0xA0 and 0xFD-0xFF, which stand for no character.
bool AppendCp932AsUtf8(std::string& out, std::string_view s);

/// The character a single byte stands for: ASCII as it is, 0xA1-0xDF as
/// half-width katakana; 0 for any other byte.
char32_t Cp932Char(unsigned char b);
/// The character a lead and a trail byte stand for; 0 when they are no
/// pair or the code page leaves the pair undefined.
char32_t Cp932Char(unsigned char lead, unsigned char trail);
