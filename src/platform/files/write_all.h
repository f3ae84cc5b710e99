// WriteAll: the one loop that writes a block of bytes to a file descriptor,
// for the file layer, the reports and tolvane-xref alike; and the last steps
// of a file written to replace another (permissions, group, on disk).
#pragma once

#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

/// Writes all of text to fd: at *offset (pwrite), which moves past what was
/// written, when offset is given, else at the descriptor's own position. An
/// interrupted write is tried again. Returns 0, or the errno value of the
/// failure (ENOSPC when the system wrote nothing).
int WriteAll(int fd, std::string_view text, off_t* offset = nullptr);

/// The permissions for a new file that takes the place of existing (null
/// when there is none): its permissions, less setuid, setgid and sticky,
/// which a written text has no use for; else 0666 less the umask.
mode_t ReplacementMode(const struct stat* existing);

/// Readies the complete temporary file fd to take the place of existing
/// (null when there is none): the group of existing where this user may
/// set it, ReplacementMode(existing), and the data on disk (fsync), so that
/// a crash after the rename leaves the whole new file, never a short one.
/// Returns 0, or the errno value of the step that failed.
int SealReplacement(int fd, const struct stat* existing);
