// "関数名：", the bytes that open each function's entry: in the engine's
// first working file (Shift-JIS) and in a report, in the encoding the
// report is written in. One place, so that the two cannot drift apart.
#pragma once

#include <string_view>

#include "platform/text/text_encoding.h"

/// "関数名：" in Shift-JIS, then a line feed.
inline constexpr char kReportHeadLine[] = "\x8A\xD6\x90\x94\x96\xBC\x81\x46\n";

/// "関数名：" in the encoding of a report (Shift-JIS for ASCII).
constexpr std::string_view ReportHeadIn(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8: return "\xE9\x96\xA2\xE6\x95\xB0\xE5\x90\x8D\xEF\xBC\x9A";
    case TextEncoding::kEucJp: return "\xB4\xD8\xBF\xF4\xCC\xBE\xA1\xA7";
    default: return std::string_view(kReportHeadLine, sizeof kReportHeadLine - 2);
  }
}
