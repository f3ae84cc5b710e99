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

// Reads an option that takes a value, as "NAME VALUE" or, for a long NAME,
// "NAME=VALUE". Returns false when args[i] is not that option; otherwise
// moves i to the last argument it used. A missing value leaves *value unset.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const char* shortName,
               const char* longName, std::optional<std::string>* value) {
  const std::string& a = args[i];
  std::string eq = std::string(longName) + "=";
  if (a.compare(0, eq.size(), eq) == 0) {
    *value = a.substr(eq.size());
    return true;
  }
  if (a != longName && (!shortName || a != shortName)) return false;
  if (i + 1 < args.size()) *value = args[++i];
  return true;
}

}  // namespace

const char* XrefUsage() {
  return "Usage: tolvane-xref [OPTION]... [--] FILE...\n"
         "       tolvane-xref [OPTION]... -L LIST [FILE]...\n"
         "Analyse C and C++ source files (Shift-JIS) as one run and print every\n"
         "function found as <OUTPUT-NAME>NAME, each followed by the distinct names it\n"
         "calls, one per line after a tab. OUTPUT-NAME is the file's full path with its\n"
         "extension replaced by .EXT.\n"
         "\n"
         "Which files:\n"
         "  -L, --files-from=LIST  also analyse the paths in LIST, one a line (\"-\":\n"
         "                         standard input), before the FILEs\n"
         "  -0, --null             the lists are NUL-separated (find -print0)\n"
         "  -R, --recursive        a FILE that is a folder stands for every .c, .cpp, .C\n"
         "                         and .CPP file below it, in sorted order\n"
         "What to print:\n"
         "  --callers=NAME         only the functions that call NAME (their entries)\n"
         "  --callees=NAME         only the functions named NAME, with their calls\n"
         "  --format=FORMAT        text (the default), json or dot (Graphviz)\n"
         "  --ext=EXT              extension of the output names: 1 to 3 ASCII letters\n"
         "                         or digits (default fnc)\n"
         "Reports:\n"
         "  --reports              then write each output name's report file\n"
         "  --force                let --reports replace existing files\n"
         "Other:\n"
         "  -q, --quiet            no progress display on a terminal\n"
         "  --help                 show this text and exit\n"
         "  --                     end of options; every argument after it is a FILE\n"
         "\n"
         "Examples:\n"
         "  tolvane-xref src/main.c src/util.cpp\n"
         "  tolvane-xref -R -q src > xref.txt\n"
         "  tolvane-xref -L files.txt\n"
         "  find src -name '*.c' -print0 | tolvane-xref -0 -L -\n"
         "  tolvane-xref -R --callers=malloc src\n"
         "  tolvane-xref -R --callees=main --format=json src\n"
         "  tolvane-xref -R --format=dot src | dot -Tsvg > calls.svg\n"
         "  tolvane-xref --ext=lst --reports --force src/*.c\n"
         "  tolvane-xref -- -odd-name.c\n"
         "\n"
         "Files from a list or a folder that cannot be read are named and skipped; a\n"
         "FILE argument that cannot be read ends the run.\n"
         "Exit status: 0 done; 1 a file, list or folder could not be read (the functions\n"
         "found are printed), the output or a report could not be written, or a report\n"
         "was refused; 2 wrong arguments.\n";
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
    if (a.empty() || a[0] != '-') break;  // the first FILE
    std::optional<std::string> value;
    if (a == "--help") {
      o.action = XrefOptions::kHelp;
      return o;
    } else if (a == "-0" || a == "--null") {
      o.nullSeparated = true;
    } else if (a == "-R" || a == "--recursive") {
      o.recursive = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "--reports") {
      o.reports = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (TakeValue(args, i, nullptr, "--ext", &value)) {
      if (!value) return UsageError("--ext needs a value");
      if (!IsValidExtension(*value))
        return UsageError("bad extension '" + *value + "': 1 to 3 ASCII letters or digits");
      o.extension = *value;
    } else if (TakeValue(args, i, "-L", "--files-from", &value)) {
      if (!value || value->empty()) return UsageError("--files-from needs a LIST");
      o.lists.push_back(*value);
    } else if (TakeValue(args, i, nullptr, "--format", &value)) {
      if (!value) return UsageError("--format needs a value");
      if (*value == "text") {
        o.format = XrefOptions::kText;
      } else if (*value == "json") {
        o.format = XrefOptions::kJson;
      } else if (*value == "dot") {
        o.format = XrefOptions::kDot;
      } else {
        return UsageError("bad format '" + *value + "': text, json or dot");
      }
    } else if (TakeValue(args, i, nullptr, "--callers", &value)) {
      if (!value || value->empty()) return UsageError("--callers needs a NAME");
      o.callers = value;
    } else if (TakeValue(args, i, nullptr, "--callees", &value)) {
      if (!value || value->empty()) return UsageError("--callees needs a NAME");
      o.callees = value;
    } else {
      return UsageError("unknown option " + a);
    }
  }
  for (; i < args.size(); ++i) {
    // The output is one entry or name per line: a line feed in a path
    // could not be read back.
    if (args[i].find('\n') != std::string::npos)
      return UsageError("a FILE holds a line feed");
    o.files.push_back(args[i]);
  }
  if (o.files.empty() && o.lists.empty()) return UsageError("no FILE given");
  if (o.callers && o.callees) return UsageError("--callers and --callees do not go together");
  if (o.force && !o.reports) return UsageError("--force goes only with --reports");
  if (o.nullSeparated && o.lists.empty()) return UsageError("--null goes only with --files-from");
  return o;
}

std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd) {
  if (!file.empty() && file[0] == '/') return file;
  if (!cwd.empty() && cwd.back() == '/') return cwd + file;
  return cwd + "/" + file;
}
