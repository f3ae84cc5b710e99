#include "cli/xref_options.h"

#include <utility>

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

// "c,cpp,h" as the endings ".c", ".cpp", ".h". An ending may hold any byte
// but "/" and ","; one leading "." is allowed ("-R --suffixes=.c").
bool ReadSuffixes(const std::string& list, std::vector<std::string>* suffixes) {
  std::vector<std::string> read;
  std::size_t from = 0;
  for (;;) {
    std::size_t end = list.find(',', from);
    std::string item = list.substr(from, end == std::string::npos ? end : end - from);
    if (!item.empty() && item[0] == '.') item.erase(0, 1);
    if (item.empty() || item.find('/') != std::string::npos) return false;
    read.push_back("." + item);
    if (end == std::string::npos) break;
    from = end + 1;
  }
  *suffixes = std::move(read);
  return true;
}

}  // namespace

const char* XrefUsage() {
  return "Usage: tolvane-xref [OPTION]... [--] FILE...\n"
         "       tolvane-xref [OPTION]... -L LIST [FILE]...\n"
         "Analyse C and C++ source files (Shift-JIS, UTF-8 or EUC-JP) as one run and\n"
         "print every function found as <OUTPUT-NAME>NAME, each followed by the\n"
         "distinct names it calls, one per line after a tab. OUTPUT-NAME is the file's\n"
         "full path with its extension replaced by .EXT. Options may stand anywhere.\n"
         "\n"
         "Which files:\n"
         "  -L, --files-from=LIST  also analyse the paths in LIST, one a line (\"-\":\n"
         "                         standard input), before the FILEs\n"
         "  -0, --null             the lists are NUL-separated (find -print0)\n"
         "  -R, --recursive        a FILE that is a folder stands for every .c, .cpp, .C\n"
         "                         and .CPP file below it, in sorted order\n"
         "  --suffixes=LIST        the name endings -R takes instead, comma-separated\n"
         "                         (c,cpp,cc,cxx,h,hpp)\n"
         "  --encoding=ENCODING    read every source as cp932, utf-8 or euc-jp; auto\n"
         "                         (the default) decides for each file from its bytes\n"
         "What to print:\n"
         "  --callers=NAME         only the functions that call NAME (their entries)\n"
         "  --callees=NAME         only the functions named NAME, with their calls\n"
         "  --format=FORMAT        text (the default), json, dot (Graphviz), ctags (a\n"
         "                         tags file) or grep (FILE:LINE: NAME, for quickfix)\n"
         "  -n, --line-numbers     text: \":LINE\" after each entry and each call\n"
         "  --ext=EXT              extension of the output names: 1 to 3 ASCII letters\n"
         "                         or digits (default fnc)\n"
         "  -o, --output=FILE      write to FILE, replaced only once complete (\"-\":\n"
         "                         standard output, the default)\n"
         "Reports:\n"
         "  --reports              then write each output name's report file\n"
         "  --force                let --reports replace existing files\n"
         "Other:\n"
         "  -q, --quiet            no progress display on a terminal\n"
         "  -h, --help             show this text and exit\n"
         "  --version              show the version and exit\n"
         "  --                     end of options; every argument after it is a FILE\n"
         "\n"
         "Examples:\n"
         "  tolvane-xref src/main.c src/util.cpp\n"
         "  tolvane-xref -R -q src > xref.txt\n"
         "  tolvane-xref -L files.txt\n"
         "  find src -name '*.c' -print0 | tolvane-xref -0 -L -\n"
         "  tolvane-xref -R src --suffixes=c,cpp,cc,cxx,h,hpp\n"
         "  tolvane-xref -R --encoding=cp932 src\n"
         "  tolvane-xref -R --callers=malloc src\n"
         "  tolvane-xref -R --callees=main --format=json src\n"
         "  tolvane-xref -R --format=dot src | dot -Tsvg > calls.svg\n"
         "  tolvane-xref -R --format=ctags -o tags src\n"
         "  tolvane-xref -R --format=grep --callers=malloc src > calls.txt; vim -q calls.txt\n"
         "  tolvane-xref -n src/main.c\n"
         "  tolvane-xref -R src -o xref.json --format=json\n"
         "  tolvane-xref --ext=lst --reports --force src/*.c\n"
         "  tolvane-xref -- -odd-name.c\n"
         "  tolvane-xref --version\n"
         "\n"
         "Files from a list or a folder that cannot be read are named and skipped; a\n"
         "FILE argument that cannot be read ends the run.\n"
         "Exit status: 0 done; 1 a file, list or folder could not be read (the functions\n"
         "found are printed), the output or a report could not be written, or a report\n"
         "was refused; 2 wrong arguments.\n";
}

XrefOptions ParseXrefOptions(const std::vector<std::string>& args) {
  XrefOptions o;
  bool suffixesGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      o.files.insert(o.files.end(), args.begin() + i + 1, args.end());
      break;
    }
    if (a.empty() || a[0] != '-') {
      o.files.push_back(a);
      continue;
    }
    std::optional<std::string> value;
    if (a == "--help" || a == "-h") {
      o.action = XrefOptions::kHelp;
      return o;
    } else if (a == "--version") {
      o.action = XrefOptions::kVersion;
      return o;
    } else if (a == "-0" || a == "--null") {
      o.nullSeparated = true;
    } else if (a == "-R" || a == "--recursive") {
      o.recursive = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "-n" || a == "--line-numbers") {
      o.lineNumbers = true;
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
    } else if (TakeValue(args, i, "-o", "--output", &value)) {
      if (!value || value->empty()) return UsageError("--output needs a FILE");
      o.output = *value == "-" ? std::string() : *value;
    } else if (TakeValue(args, i, nullptr, "--suffixes", &value)) {
      if (!value) return UsageError("--suffixes needs a value");
      if (!ReadSuffixes(*value, &o.suffixes))
        return UsageError("bad suffixes '" + *value +
                          "': name endings such as c,cpp,h separated by commas");
      suffixesGiven = true;
    } else if (TakeValue(args, i, nullptr, "--encoding", &value)) {
      if (!value) return UsageError("--encoding needs a value");
      if (!ParseEncodingChoice(*value, o.encoding))
        return UsageError("bad encoding '" + *value + "': auto, cp932, utf-8 or euc-jp");
    } else if (TakeValue(args, i, nullptr, "--format", &value)) {
      if (!value) return UsageError("--format needs a value");
      static const std::pair<const char*, XrefOptions::Format> kFormats[] = {
          {"text", XrefOptions::kText},   {"json", XrefOptions::kJson},
          {"dot", XrefOptions::kDot},     {"ctags", XrefOptions::kCtags},
          {"grep", XrefOptions::kGrep}};
      bool known = false;
      for (const auto& [name, format] : kFormats) {
        if (*value != name) continue;
        o.format = format;
        known = true;
      }
      if (!known) return UsageError("bad format '" + *value + "': text, json, dot, ctags or grep");
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
  // The output is one entry or name per line: a line feed in a path could
  // not be read back.
  for (const std::string& f : o.files)
    if (f.find('\n') != std::string::npos) return UsageError("a FILE holds a line feed");
  if (o.files.empty() && o.lists.empty()) return UsageError("no FILE given");
  if (o.callers && o.callees) return UsageError("--callers and --callees do not go together");
  if (o.force && !o.reports) return UsageError("--force goes only with --reports");
  if (o.nullSeparated && o.lists.empty()) return UsageError("--null goes only with --files-from");
  if (suffixesGiven && !o.recursive) return UsageError("--suffixes goes only with --recursive");
  if (o.lineNumbers && o.format != XrefOptions::kText)
    return UsageError("--line-numbers goes only with --format=text");
  return o;
}

std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd) {
  if (!file.empty() && file[0] == '/') return file;
  if (!cwd.empty() && cwd.back() == '/') return cwd + file;
  return cwd + "/" + file;
}
