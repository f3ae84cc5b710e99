// Command-line parsing of tolvane-xref.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/files/source_tree.h"
#include "platform/text/text_encoding.h"

struct XrefOptions {
  enum Action { kRun, kHelp, kVersion, kUsageError };
  enum Format { kText, kJson, kDot, kCtags, kGrep };
  enum Rules { kSyntax, kClassic };
  Action action = kRun;
  std::string extension = "fnc";
  std::vector<std::string> files;  // as given on the command line
  std::vector<std::string> lists;  // --files-from, in order ("-": standard input)
  bool nullSeparated = false;      // the lists are NUL-separated
  bool recursive = false;          // a FILE that is a directory is a tree to walk
  /// The name endings a walked tree's files are taken by, dot included.
  std::vector<std::string> suffixes = SourceSuffixes();
  bool quiet = false;              // no progress display
  Format format = kText;
  bool lineNumbers = false;            // text: ":LINE" after each entry and call
  std::string output;                  // -o FILE; "" is standard output
  EncodingChoice encoding = EncodingChoice::kAuto;  // decided per file, or one for all
  Rules rules = kSyntax;               // how sources are read: the syntax rules, or the classic
  std::optional<std::string> callers;  // print only the functions calling this
  std::optional<std::string> callees;  // print only the functions of this name
  bool reports = false;                // write the report files after the output
  bool force = false;                  // reports may replace existing files
  int jobs = 0;  // files analysed side by side (-j); 0: as many as processors to run on
  std::string error;                   // why, for kUsageError
};

/// Reads the arguments after the program name, left to right. Options and
/// FILEs may come in any order; "--" ends the options, and every argument
/// after it is a FILE. An option that takes a value takes the next argument
/// or, in its long form, "=VALUE" (a later one replaces an earlier one,
/// except that every --files-from adds a list). "--help" ("-h") and
/// "--version" answer at once. A bad value, a missing value, no FILE and no
/// list, a FILE holding a line feed, options that do not go together, or any
/// other argument that begins with "-" is a usage error.
XrefOptions ParseXrefOptions(const std::vector<std::string>& args);

/// The usage text, ending in a line feed.
const char* XrefUsage();

/// FILE as a full path: a relative one is prefixed with cwd and "/" (one
/// "/" only when cwd is the root), with no normalisation.
std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd);
