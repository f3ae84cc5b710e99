// The analysis written as plainly as the rules read: every test a search
// over the whole text, the working files strings in memory, statements
// joined in full. Slow and easy to check by eye; the engine, which is
// built for speed, must give byte for byte the same results.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct PlainRun {
  /// The table: each entry on a line, each of its calls on a line after a tab.
  std::string table;
  /// Where each entry's name stands, as "file:line" (the file's index in the
  /// run, the line counted from 1), each on a line; after each, where each
  /// of its calls is first made, on a line after a tab.
  std::string lines;
  /// The two working files as the last file left them.
  std::string work1, work2;
};

/// Analyses files (full path, bytes) in order as one run.
PlainRun RunPlain(const std::vector<std::pair<std::string, std::string>>& files,
                  const std::string& extension);
