// Command-line parsing of tolvane-xref.
#pragma once

#include <string>
#include <vector>

struct XrefOptions {
  enum Action { kRun, kHelp, kUsageError };
  Action action = kRun;
  std::string extension = "fnc";
  std::vector<std::string> files;  // as given on the command line
  std::string error;               // why, for kUsageError
};

/// Reads the arguments after the program name. Options come first and are
/// read left to right: "--ext EXT" or "--ext=EXT" (EXT: 1 to 3 ASCII letters
/// or digits; a later one replaces an earlier one), "--help", and "--",
/// which ends them. From the first FILE on, every argument is a FILE. A bad
/// EXT, a missing FILE, a FILE holding a line feed, or any other argument
/// before the FILEs that begins with "-" is a usage error.
XrefOptions ParseXrefOptions(const std::vector<std::string>& args);

/// The usage text, ending in a line feed.
const char* XrefUsage();

/// FILE as a full path: a relative one is prefixed with cwd and "/" (one
/// "/" only when cwd is the root), with no normalisation.
std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd);
