// Command-line parsing of tolvane-xref.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct XrefOptions {
  enum Action { kRun, kHelp, kUsageError };
  enum Format { kText, kJson, kDot };
  Action action = kRun;
  std::string extension = "fnc";
  std::vector<std::string> files;  // as given on the command line
  std::vector<std::string> lists;  // --files-from, in order ("-": standard input)
  bool nullSeparated = false;      // the lists are NUL-separated
  bool recursive = false;          // a FILE that is a directory is a tree to walk
  bool quiet = false;              // no progress display
  Format format = kText;
  std::optional<std::string> callers;  // print only the functions calling this
  std::optional<std::string> callees;  // print only the functions of this name
  bool reports = false;                // write the report files after the output
  bool force = false;                  // reports may replace existing files
  std::string error;                   // why, for kUsageError
};

/// Reads the arguments after the program name. Options come first and are
/// read left to right; one that takes a value takes the next argument or,
/// in its long form, "=VALUE" (a later one replaces an earlier one, except
/// that every --files-from adds a list). "--help" answers at once; "--" ends
/// the options, and so does the first argument that does not begin with
/// "-". From there on every argument is a FILE. A bad EXT or FORMAT, a
/// missing value, no FILE and no list, a FILE holding a line feed, options
/// that do not go together, or any other argument before the FILEs that
/// begins with "-" is a usage error.
XrefOptions ParseXrefOptions(const std::vector<std::string>& args);

/// The usage text, ending in a line feed.
const char* XrefUsage();

/// FILE as a full path: a relative one is prefixed with cwd and "/" (one
/// "/" only when cwd is the root), with no normalisation.
std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd);
