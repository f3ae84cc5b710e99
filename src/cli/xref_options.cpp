#include "cli/xref_options.h"

namespace {

bool IsValidExtension(const std::string& ext) {
  if (ext.empty() || ext.size() > 3) return false;
  for (char c : ext) {
    bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!alnum) return false;
  }
  return true;
}

XrefOptions UsageError(std::string why) {
  XrefOptions o;
  o.action = XrefOptions::kUsageError;
  o.error = std::move(why);
  return o;
}

}  // namespace

const char* XrefUsage() {
  return "Usage: tolvane-xref [--ext EXT] [--] FILE...\n"
         "Analyse C and C++ source files (Shift-JIS) as one run and print every\n"
         "function found as <OUTPUT-NAME>NAME, each followed by the distinct names it\n"
         "calls, one per line after a tab. OUTPUT-NAME is the file's full path with its\n"
         "extension replaced by .EXT.\n"
         "\n"
         "  --ext EXT  extension of the output names: 1 to 3 ASCII letters or digits\n"
         "             (default fnc)\n"
         "  --help     show this text and exit\n"
         "  --         end of options; every argument after it is a FILE\n"
         "\n"
         "Exit status: 0 done; 1 a FILE could not be read (the functions found before it\n"
         "are printed) or the output could not be written; 2 wrong arguments.\n";
}

XrefOptions ParseXrefOptions(const std::vector<std::string>& args) {
  XrefOptions o;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--help") {
      o.action = XrefOptions::kHelp;
      return o;
    }
    std::string ext;
    if (a == "--ext") {
      if (i + 1 == args.size()) return UsageError("--ext needs a value");
      ext = args[++i];
    } else if (a.compare(0, 6, "--ext=") == 0) {
      ext = a.substr(6);
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else {
      break;  // the first FILE
    }
    if (!IsValidExtension(ext))
      return UsageError("bad extension '" + ext + "': 1 to 3 ASCII letters or digits");
    o.extension = ext;
  }
  for (; i < args.size(); ++i) {
    // The output is one entry or name per line: a line feed in a path
    // could not be read back.
    if (args[i].find('\n') != std::string::npos)
      return UsageError("a FILE holds a line feed");
    o.files.push_back(args[i]);
  }
  if (o.files.empty()) return UsageError("no FILE given");
  return o;
}

std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd) {
  if (!file.empty() && file[0] == '/') return file;
  if (!cwd.empty() && cwd.back() == '/') return cwd + file;
  return cwd + "/" + file;
}
