#include "tests/plain_run.h"

#include <cstring>

namespace {

// Whether the text being analysed is read byte by byte.
bool g_byteWise = false;

bool IsLead(unsigned char b) {
  return !g_byteWise && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}

// The first match at a character boundary, or -1.
int Find(const std::string& t, const std::string& pat) {
  std::size_t i = 0;
  while (i < t.size()) {
    if (t.compare(i, pat.size(), pat) == 0) return static_cast<int>(i);
    i += (IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) ? 2 : 1;
  }
  return -1;
}

// Text mode: CR LF reads as LF; then pieces end after LF or at 255 bytes.
std::vector<std::string> Pieces(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
  std::vector<std::string> pieces;
  std::string cur;
  for (char c : text) {
    cur += c;
    if (c == '\n' || cur.size() == 255) {
      pieces.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) pieces.push_back(cur);
  return pieces;
}

bool IsWordChar(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

bool CutLineComment(std::string& line) {
  int p = Find(line, "//");
  if (p < 0) return true;
  for (int i = p - 1; i >= 0; --i) {
    if (IsWordChar(static_cast<unsigned char>(line[i]))) {
      line = line.substr(0, p) + "\r\n";
      return true;
    }
  }
  return false;
}

bool HasBracket(const std::string& line) {
  return Find(line, "(") >= 0 || Find(line, ")") >= 0 || Find(line, "{") >= 0 ||
         Find(line, "}") >= 0;
}

std::string OutName(const std::string& path, const std::string& ext) {
  std::size_t slash = path.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string file = path.substr(start);
  std::size_t dot = file.rfind('.');
  if (file != "." && file != ".." && dot != std::string::npos && dot > 0)
    file = file.substr(0, dot);
  return path.substr(0, start) + file + "." + ext;
}

class Table {
 public:
  std::string outName;

  bool GetFunctionName(const std::string& t, int pos, std::string& out) {
    auto isName = [](unsigned char b) { return IsWordChar(b) || b == ':' || b == '~'; };
    int low = -1, high = -1;
    for (int i = pos; i >= 0; --i) {
      unsigned char b = static_cast<unsigned char>(t[i]);
      if (isName(b)) {
        if (!g_byteWise && i > 0 && static_cast<unsigned char>(t[i - 1]) >= 0x80) break;
        low = i;
        if (high < 0) high = i;
      } else if (b == ' ' || b == '\t' || b == '(') {
        if (high >= 0) break;
      } else {
        break;
      }
    }
    if (high < 0) return false;
    out = t.substr(low, high - low + 1).substr(0, 63);
    return true;
  }

  static bool IsCallName(const std::string& n) {
    for (const char* w : {"for", "while", "if", "switch", "return", "exit", "sizeof", ":"})
      if (n == w) return false;
    return true;
  }

  void AddFunction(const std::string& name) {
    entries.push_back("<" + outName + ">" + name);
    calls.emplace_back();
  }

  bool RecognizeHead(const std::string& s) {
    std::string name;
    for (const char* k : {"void", "int", "char", "long", "short", "float", "unsigned", "BOOL"}) {
      int sp = Find(s, std::string(k) + " "), tb = Find(s, std::string(k) + "\t");
      int open = Find(s, "("), close = Find(s, ")");
      if ((sp >= 0 || tb >= 0) && open >= 0 && close >= 0 && (sp < 0 || sp < open)) {
        if (Find(s, "{") < 0) return true;
        if (GetFunctionName(s, open, name)) AddFunction(name);
        return true;
      }
    }
    int open = Find(s, "("), close = Find(s, ")");
    if (open < 0 || close < 0) return false;
    if (Find(s, "BOOL ") >= 0) return false;
    int brace = Find(s, "{");
    if (brace < 0 || brace <= close) return false;
    if (!GetFunctionName(s, open, name) || !IsCallName(name)) return false;
    std::size_t sep = name.find("::");
    if (sep != std::string::npos) {
      std::string cls = name.substr(0, sep), member = name.substr(sep + 2);
      if (member != cls && member != "~" + cls) return false;
    }
    AddFunction(name);
    return true;
  }

  void ExtractCalls(const std::string& s) {
    std::string work = s, name;
    for (int pos; (pos = Find(work, "(")) >= 0;) {
      work[pos] = '/';
      if (!GetFunctionName(s, pos, name) || entries.empty() || !IsCallName(name)) continue;
      auto& list = calls.back();
      bool seen = false;
      for (const auto& n : list) seen = seen || n == name;
      if (!seen) list.push_back(name);
    }
  }

  std::string Text() const {
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      out += entries[i] + "\n";
      for (const auto& c : calls[i]) out += "\t" + c + "\n";
    }
    return out;
  }

 private:
  std::vector<std::string> entries;
  std::vector<std::vector<std::string>> calls;
};

}  // namespace

PlainRun RunPlain(const std::vector<std::pair<std::string, std::string>>& files,
                  const std::string& extension, bool byteWise) {
  g_byteWise = byteWise;
  PlainRun run;
  Table table;
  for (const auto& [path, bytes] : files) {
    table.outName = OutName(path, extension);

    std::string work1 = "\x8A\xD6\x90\x94\x96\xBC\x81\x46\n";
    for (std::string line : Pieces(bytes)) {
      if (!CutLineComment(line)) continue;
      for (const char* m : {"IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE", "BEGIN_MESSAGE_MAP",
                            "END_MESSAGE_MAP"})
        if (Find(line, m) >= 0) line += "{}\n";
      work1 += line;
    }

    std::string work2;
    bool inComment = false;
    for (const std::string& line : Pieces(work1)) {
      if (inComment) {
        if (Find(line, "*/") >= 0) inComment = false;
      } else if (Find(line, "/*") < 0) {
        if (HasBracket(line)) work2 += line;
      } else if (Find(line, "*/") < 0) {
        inComment = true;
      } else {
        work2 += line.substr(0, Find(line, "/*")) + line.substr(Find(line, "*/") + 2);
      }
    }

    std::vector<std::string> lines = Pieces(work2);
    for (std::size_t i = 0; i < lines.size();) {
      std::string statement = lines[i++];
      while (Find(statement, "{") < 0 && Find(statement, ";") < 0 && Find(statement, "}") < 0 &&
             i < lines.size())
        statement += lines[i++];
      statement = statement.substr(0, 255);
      if (!table.RecognizeHead(statement)) table.ExtractCalls(statement);
    }
    run.work1 = work1;
    run.work2 = work2;
  }
  run.table = table.Text();
  return run;
}
