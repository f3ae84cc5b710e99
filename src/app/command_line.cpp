#include "app/command_line.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/files/source_tree.h"
#include "platform/text/terminal_escape.h"
#include "res/images.h"

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "--help") {
      cl.action = CommandLine::kHelp;
      return cl;
    } else if (options && arg == "--version") {
      cl.action = CommandLine::kVersion;
      return cl;
    } else if (options && arg == "-platform" && i + 1 < argc) {
      ++i;  // Qt's, read by the GUI library
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      cl.action = CommandLine::kMisuse;
      // Told on a terminal: the option as typed cannot steer it.
      cl.error = "unknown option '" + EscapedForTerminal(arg) + "'";
      return cl;
    } else {
      cl.paths.push_back(arg);
    }
  }
  return cl;
}

std::string UsageText() {
  return "Usage: tolvane [FOLDER | FILE...]\n"
         "Lists the functions of C and C++ sources (Shift-JIS, UTF-8 or EUC-JP) and the functions each one calls.\n"
         "\n"
         "  FOLDER     start in FOLDER\n"
         "  FILE...    start in the first FILE's folder, with the sources among the FILEs chosen\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string VersionText() { return TolvaneVersionText("tolvane"); }

namespace {

// A folder's full path with links resolved, as the browser shows folders.
std::string FullFolder(const std::string& folder) {
  char buf[PATH_MAX];
  return ::realpath(folder.c_str(), buf) ? std::string(buf) : folder;
}

}  // namespace

StartPlace FindStartPlace(const std::vector<std::string>& paths) {
  StartPlace place;
  bool placed = false;
  for (const std::string& path : paths) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
      place.missing.push_back(path);
      continue;
    }
    bool folder = S_ISDIR(st.st_mode);
    std::string full;  // a file's full path, named as the browser names it
    if (!folder) {
      std::size_t slash = path.rfind('/');
      std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
      std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
      dir = FullFolder(dir);
      full = (dir == "/" ? dir : dir + "/") + name;
    }
    if (!placed) {
      placed = true;
      place.folder = folder ? FullFolder(path) : full.substr(0, std::max<std::size_t>(full.rfind('/'), 1));
    }
    if (!folder && HasSourceName(path)) place.sources.push_back(full);
  }
  return place;
}
