// The one place where the program's byte strings meet Qt's strings. The
// system's texts and every path are bytes in the file-system encoding
// (UTF-8); a byte sequence that is not valid UTF-8 shows as replacement
// characters.
#pragma once

#include <QString>

#include "platform/text/cstring.h"

QString ToQString(const CString& text);
CString FromQString(const QString& text);
/// The mnemonic notation of the templates and menus, "語(\x1E" "A" "\x1F" "ﾌ)",
/// as Qt shows it: "語(&A)". Other text is returned unchanged.
QString MnemonicToQt(const CString& text);
