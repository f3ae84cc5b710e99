// Text of another code page made ready for display: the contents of source
// files are Shift-JIS (code page 932, with its NEC and IBM extensions),
// while every text the program shows is in the system's encoding (UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

constexpr UINT CP_SHIFT_JIS = 932;

/// bytes in codePage (932), as UTF-8 for display. A byte sequence that is
/// no character shows as U+FFFD and takes one byte only, so it never
/// swallows what follows; control characters other than the tab show as
/// their pictures (U+2400...), so that every line stays one line.
CString AfxDisplayText(std::string_view bytes, UINT codePage = CP_SHIFT_JIS);
/// As AfxDisplayText, appending to out.
void AfxAppendDisplayText(std::string& out, std::string_view bytes, UINT codePage = CP_SHIFT_JIS);
