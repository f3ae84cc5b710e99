// Code page 932 (Shift-JIS as Windows writes it) decoded to UTF-8, by a
// table made from the code page's definition. Plain C++: tolvane-xref uses
// it to show paths whose bytes are not UTF-8.
#pragma once

#include <string>
#include <string_view>

/// When s is valid code page 932 text, appends it to out as UTF-8 and
/// returns true. Otherwise returns false and leaves out as it was: a lead
/// byte without its trail byte, a pair the code page leaves undefined, or
/// one of the bytes 0x80, 0xA0 and 0xFD-0xFF, which stand for no character.
bool AppendCp932AsUtf8(std::string& out, std::string_view s);
