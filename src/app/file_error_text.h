// The texts of the desktop program's error boxes: a file that could not be
// read or written, named with what went wrong, and running out of memory.
// tolvane-xref keeps the file layer's English messages.
#pragma once

#include "platform/files/file_exception.h"
#include "platform/text/cstring.h"

/// The message that names e's file and says what went wrong (UTF-8).
CString JapaneseFileErrorText(const CFileException& e);
/// The message that says memory ran out (UTF-8).
CString JapaneseOutOfMemoryText();
