// WriteAll: the one loop that writes a block of bytes to a file descriptor,
// for the file layer, the reports and tolvane-xref alike.
#pragma once

#include <string_view>
#include <sys/types.h>

/// Writes all of text to fd: at *offset (pwrite), which moves past what was
/// written, when offset is given, else at the descriptor's own position. An
/// interrupted write is tried again. Returns 0, or the errno value of the
/// failure (ENOSPC when the system wrote nothing).
int WriteAll(int fd, std::string_view text, off_t* offset = nullptr);
