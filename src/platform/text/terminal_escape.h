// Messages made safe for a terminal: names in them (paths from a hostile
// tree among them) must not move the cursor, change colours or send the
// terminal commands.
#pragma once

#include <string>

/// text as stderr shows it: backslash, line feed, tab and CR written as
/// "\\", "\n", "\t" and "\r", the other bytes below 0x20 and DEL as "\xhh".
/// Of the bytes from 0x80 up, only C1 controls are escaped, as "\xhh": a
/// byte 0x80-0x9F that is part of no Shift-JIS pair, EUC-JP character or
/// UTF-8 character, and the UTF-8 C1 controls C2 80-C2 9F (both bytes)
/// unless their second byte is part of a Shift-JIS pair. Shift-JIS pairs
/// are taken from the start of the text; other bytes stay as they are.
std::string EscapedForTerminal(const std::string& text);
