// The files of a tolvane-xref run: the FILE arguments, the paths of the
// lists, and the source files below the folders of a recursive run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/xref_options.h"

/// One file to analyse.
struct XrefSource {
  std::string path;  // full path
  bool named;        // a FILE argument: a failure ends the run, not just this file
};

/// Receives a message naming something skipped (a folder that cannot be
/// read, a path holding a line feed, ...), without the program's name.
using XrefComplain = std::function<void(const std::string& message)>;

/// Gathers the files of a run in order: each list's paths (empty ones
/// skipped), then the FILEs; with options.recursive, a folder among them
/// stands for the files WalkSourceTree finds below it. Relative paths are
/// taken from cwd. A CR that ends a line of a list is dropped. Paths holding
/// a line feed are skipped. Everything skipped
/// goes to complain. stdinFd is read for the list "-".
/// Returns false, with *fatal saying why, when a list cannot be read or a
/// relative path is met and cwd is "" (unknown): nothing is to be analysed.
bool GatherXrefSources(const XrefOptions& options, const std::string& cwd, int stdinFd,
                       const XrefComplain& complain, std::vector<XrefSource>* sources,
                       std::string* fatal);

/// Every file below dir whose name ends in one of suffixes (".c", ...,
/// compared byte for byte), in byte-wise order of the path, as the desktop
/// program's add-folder command finds them. Symbolic links to folders are
/// not followed; other links are taken by their name. A folder that cannot
/// be read, wholly or in part, goes to complain once the walk is done.
std::vector<std::string> WalkSourceTree(const std::string& dir,
                                        const std::vector<std::string>& suffixes,
                                        const XrefComplain& complain);

