// The desktop program's command line: tolvane [FOLDER | FILE...], and the
// two options that answer without starting the program.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
  enum Action {
    kStart,    // start the program with paths
    kHelp,     // --help: the usage on stdout, status 0
    kVersion,  // --version: the version on stdout, status 0
    kMisuse    // any other option: the error and where help is on stderr, status 2
  };
  Action action = kStart;
  std::vector<std::string> paths;  // as given
  std::string error;               // kMisuse: what was wrong
};

/// Reads argv[1...]. "--" ends the options: what follows is a path even
/// when it begins with "-". Qt's own "-platform NAME" passes through.
CommandLine ParseCommandLine(int argc, const char* const* argv);

/// What --help prints.
std::string UsageText();
/// What --version prints: "tolvane 3.0 (1.0.0.1)" and a line feed, from
/// the version block.
std::string VersionText();

/// Where the program starts for the paths of a command line.
struct StartPlace {
  std::string folder;                // "" when the current folder stays
  std::vector<std::string> sources;  // files to choose at once, in order
  std::vector<std::string> missing;  // paths that do not exist, in order
};

/// A folder starts the program there; files start it in the first one's
/// folder, the sources among them chosen. Paths that exist are taken in
/// order: the first decides the folder, later folders are passed over.
/// Paths that do not exist are listed in missing and otherwise left out.
StartPlace FindStartPlace(const std::vector<std::string>& paths);
