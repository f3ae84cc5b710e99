// Drives and the current directory of the process.
//
// Linux has no drive letters, so the program keeps a drive table: each
// letter a-z may stand for a root folder. By default "c" is "/" and "d",
// "e", ... are the removable and mounted media (the mount points below
// /media/<user>, /run/media/<user>, /media and /mnt), in sorted order. The
// environment variable TOLVANE_DRIVES, for example
// "a=/mnt/floppy:c=/:d=/srv/src", replaces the table.
//
// As on a system with drives, every drive remembers the directory last made
// current on it, and the path "X:" (a letter and a colon) names that
// directory (the drive's root if it was never visited).
#pragma once

#include <string>
#include <vector>

#include "platform/text/basic_types.h"
#include "platform/text/cstring.h"

struct DriveEntry {
  char letter;       // 'a' to 'z'
  std::string root;  // an absolute folder
};

/// The drive table in drive order, read from TOLVANE_DRIVES or the mounts at
/// the first call.
const std::vector<DriveEntry>& GetDriveTable();

/// Forgets the table and the directories remembered on each drive, so that
/// the next use reads the table again (for tests that change TOLVANE_DRIVES).
void ReloadDriveTable();

/// Parses a TOLVANE_DRIVES value: letter=folder pairs separated by ":".
/// Pairs that are not of that form are left out; a later pair for a letter
/// replaces an earlier one. The table comes sorted by letter.
std::vector<DriveEntry> ParseDriveTable(const std::string& value);

/// The default table for the given /proc/self/mounts text and user name.
std::vector<DriveEntry> DriveTableFromMounts(const std::string& mounts,
                                             const std::string& user);

/// Makes path the current directory. "X:" (either case) goes to the
/// directory last made current on drive X, and fails when X is not in the
/// table. Every successful change is remembered for the drive whose root is
/// the longest prefix of the new directory. Returns FALSE on failure, the
/// current directory unchanged.
BOOL SetCurrentDirectory(const CString& path);

/// The current directory as an absolute path ("" when it cannot be told).
CString GetCurrentDirectory();
