#include "cli/xref_options.h"

#include <algorithm>
#include <cstring>
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
  // -j takes its count attached too (-j8), as make does.
  if (shortName && std::strcmp(shortName, "-j") == 0 && a.size() > 2 &&
      a.compare(0, 2, shortName) == 0) {
    *value = a.substr(2);
    return true;
  }
  if (a != longName && (!shortName || a != shortName)) return false;
  if (i + 1 < args.size()) *value = args[++i];
  return true;
}

// A count of jobs: a whole number from 1, taken as at most kMaxJobs.
bool ReadJobs(const std::string& v, int* jobs) {
  constexpr int kMaxJobs = 256;
  if (v.empty()) return false;
  long n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = std::min<long>(n * 10 + (c - '0'), kMaxJobs + 1);
  }
  if (n == 0) return false;
  *jobs = static_cast<int>(std::min<long>(n, kMaxJobs));
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
         "  --rules=RULES          syntax (the default) or classic: see Rules below\n"
         "What to print:\n"
         "  --callers=NAME         only the functions that call NAME (their entries)\n"
         "  --callees=NAME         only the functions named NAME, with their calls;\n"
         "                         with the syntax rules NAME and a qualified name\n"
         "                         match by its last :: part (Add, CComboData::Add)\n"
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
         "  -j, --jobs=N           analyse N files side by side (default: as many as\n"
         "                         the processors the program may run on; 1 to 256)\n"
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
         "  tolvane-xref -R -j1 src\n"
         "  tolvane-xref -R src -o xref.json --format=json\n"
         "  tolvane-xref --ext=lst --reports --force src/*.c\n"
         "  tolvane-xref -- -odd-name.c\n"
         "  tolvane-xref --version\n"
         "  tolvane-xref -R --rules=classic src\n"
         "\n"
         "Rules: the default changed on purpose from classic to syntax, as scripts,\n"
         "editors and CI pay most for a wrong caller. --rules=classic gives the\n"
         "desktop program's default results.\n"
         "  syntax   reads C and C++: comments, literals, preprocessor lines, braces.\n"
         "           Finds heads of any return type, qualified members, K&R, operators,\n"
         "           templates; calls only inside a body, each file on its own.\n"
         "           Misses the members of a class defined inside a function.\n"
         "  classic  the desktop program's textual rules: heads that open with one of\n"
         "           eight return types or none; calls from one head to the next, across\n"
         "           files. Takes '#if defined', 'catch (...) {' and macro loops for\n"
         "           functions, names in strings for calls; misses other heads.\n"
         "Use syntax for tags, callers and scripts; classic to match the desktop\n"
         "program or earlier output.\n"
         "\n"
         "Files from a list or a folder that cannot be read are named and skipped; a\n"
         "FILE argument that cannot be read ends the run.\n"
         "Exit status: 0 done; 1 a file, list or folder could not be read (the functions\n"
         "found are printed), the output or a report could not be written, a report\n"
         "was refused, or no function has the name --callees asks for; 2 wrong\n"
         "arguments.\n";
}

namespace {

// What the arguments read so far say.
struct Reading {
  XrefOptions o;
  bool suffixesGiven = false;
};

using Apply = std::string (*)(Reading& r, const std::string& value);

// An option: its names, and what it does. One that takes a value says what
// it needs ("a value", "a FILE"), which a missing value (or an empty one,
// when emptyIsMissing) lacks; its apply returns why it refuses the value,
// or "".
struct Option {
  const char* shortName;  // nullptr: none
  const char* longName;
  const char* needs;  // nullptr: the option takes no value
  bool emptyIsMissing;
  Apply apply;
};

const Option kOptions[] = {
    {"-h", "--help", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.action = XrefOptions::kHelp;
       return std::string();
     }},
    {nullptr, "--version", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.action = XrefOptions::kVersion;
       return std::string();
     }},
    {"-0", "--null", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.nullSeparated = true;
       return std::string();
     }},
    {"-R", "--recursive", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.recursive = true;
       return std::string();
     }},
    {"-q", "--quiet", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.quiet = true;
       return std::string();
     }},
    {"-n", "--line-numbers", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.lineNumbers = true;
       return std::string();
     }},
    {nullptr, "--reports", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.reports = true;
       return std::string();
     }},
    {nullptr, "--force", nullptr, false,
     [](Reading& r, const std::string&) {
       r.o.force = true;
       return std::string();
     }},
    {nullptr, "--ext", "a value", false,
     [](Reading& r, const std::string& v) {
       if (!IsValidExtension(v))
         return "bad extension '" + v + "': 1 to 3 ASCII letters or digits";
       r.o.extension = v;
       return std::string();
     }},
    {"-L", "--files-from", "a LIST", true,
     [](Reading& r, const std::string& v) {
       r.o.lists.push_back(v);
       return std::string();
     }},
    {"-o", "--output", "a FILE", true,
     [](Reading& r, const std::string& v) {
       r.o.output = v == "-" ? std::string() : v;
       return std::string();
     }},
    {nullptr, "--suffixes", "a value", false,
     [](Reading& r, const std::string& v) {
       if (!ReadSuffixes(v, &r.o.suffixes))
         return "bad suffixes '" + v + "': name endings such as c,cpp,h separated by commas";
       r.suffixesGiven = true;
       return std::string();
     }},
    {nullptr, "--encoding", "a value", false,
     [](Reading& r, const std::string& v) {
       if (!ParseEncodingChoice(v, r.o.encoding))
         return "bad encoding '" + v + "': auto, cp932, utf-8 or euc-jp";
       return std::string();
     }},
    {nullptr, "--format", "a value", false,
     [](Reading& r, const std::string& v) {
       static const std::pair<const char*, XrefOptions::Format> kFormats[] = {
           {"text", XrefOptions::kText},   {"json", XrefOptions::kJson},
           {"dot", XrefOptions::kDot},     {"ctags", XrefOptions::kCtags},
           {"grep", XrefOptions::kGrep}};
       for (const auto& [name, format] : kFormats) {
         if (v != name) continue;
         r.o.format = format;
         return std::string();
       }
       return "bad format '" + v + "': text, json, dot, ctags or grep";
     }},
    {nullptr, "--rules", "a value", false,
     [](Reading& r, const std::string& v) {
       if (v == "syntax") {
         r.o.rules = XrefOptions::kSyntax;
       } else if (v == "classic") {
         r.o.rules = XrefOptions::kClassic;
       } else {
         return "bad rules '" + v + "': syntax or classic";
       }
       return std::string();
     }},
    {"-j", "--jobs", "a value", true,
     [](Reading& r, const std::string& v) {
       if (!ReadJobs(v, &r.o.jobs)) return "bad job count '" + v + "': a whole number from 1";
       return std::string();
     }},
    {nullptr, "--callers", "a NAME", true,
     [](Reading& r, const std::string& v) {
       r.o.callers = v;
       return std::string();
     }},
    {nullptr, "--callees", "a NAME", true,
     [](Reading& r, const std::string& v) {
       r.o.callees = v;
       return std::string();
     }},
};

// The rules between options, checked once all are read, in this order:
// each is broken when its test holds.
struct Rule {
  bool (*broken)(const Reading& r);
  const char* message;
};

const Rule kRules[] = {
    // The output is one entry or name per line: a line feed in a path could
    // not be read back.
    {[](const Reading& r) {
       for (const std::string& f : r.o.files)
         if (f.find('\n') != std::string::npos) return true;
       return false;
     },
     "a FILE holds a line feed"},
    {[](const Reading& r) { return r.o.files.empty() && r.o.lists.empty(); }, "no FILE given"},
    {[](const Reading& r) { return r.o.callers && r.o.callees; },
     "--callers and --callees do not go together"},
    {[](const Reading& r) { return r.o.force && !r.o.reports; },
     "--force goes only with --reports"},
    {[](const Reading& r) { return r.o.nullSeparated && r.o.lists.empty(); },
     "--null goes only with --files-from"},
    {[](const Reading& r) { return r.suffixesGiven && !r.o.recursive; },
     "--suffixes goes only with --recursive"},
    {[](const Reading& r) { return r.o.lineNumbers && r.o.format != XrefOptions::kText; },
     "--line-numbers goes only with --format=text"},
};

// The option args[i] is, or nullptr. For one that takes a value, moves i
// to the last argument it used and sets *value (left unset when missing).
const Option* ReadOption(const std::vector<std::string>& args, std::size_t& i,
                         std::optional<std::string>* value) {
  for (const Option& opt : kOptions) {
    if (opt.needs) {
      if (TakeValue(args, i, opt.shortName, opt.longName, value)) return &opt;
    } else if (args[i] == opt.longName || (opt.shortName && args[i] == opt.shortName)) {
      return &opt;
    }
  }
  return nullptr;
}

}  // namespace

XrefOptions ParseXrefOptions(const std::vector<std::string>& args) {
  Reading r;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      r.o.files.insert(r.o.files.end(), args.begin() + i + 1, args.end());
      break;
    }
    if (a.empty() || a[0] != '-') {
      r.o.files.push_back(a);
      continue;
    }
    std::optional<std::string> value;
    const Option* opt = ReadOption(args, i, &value);
    if (!opt) return UsageError("unknown option " + a);
    if (opt->needs && (!value || (opt->emptyIsMissing && value->empty())))
      return UsageError(std::string(opt->longName) + " needs " + opt->needs);
    std::string why = opt->apply(r, value.value_or(std::string()));
    if (!why.empty()) return UsageError(why);
    // --help and --version answer at once, whatever follows.
    if (r.o.action != XrefOptions::kRun) return r.o;
  }
  for (const Rule& rule : kRules)
    if (rule.broken(r)) return UsageError(rule.message);
  return r.o;
}

std::string AbsoluteXrefPath(const std::string& file, const std::string& cwd) {
  if (!file.empty() && file[0] == '/') return file;
  if (!cwd.empty() && cwd.back() == '/') return cwd + file;
  return cwd + "/" + file;
}
