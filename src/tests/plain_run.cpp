#include "tests/plain_run.h"

#include <algorithm>
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

// A text with, for each byte, the source line it came from (0 for the
// bytes the passes add).
struct Text {
  std::string s;
  std::vector<int> at;
  void Add(const Text& t, std::size_t from = 0, std::size_t n = std::string::npos) {
    n = std::min(n, t.s.size() - from);
    s.append(t.s, from, n);
    at.insert(at.end(), t.at.begin() + from, t.at.begin() + from + n);
  }
  void Add(const std::string& added) {
    s += added;
    at.resize(s.size(), 0);
  }
};

// Text mode: CR LF reads as LF; then pieces end after LF or at 255 bytes.
std::vector<Text> Pieces(const Text& bytes) {
  Text text;
  for (std::size_t i = 0; i < bytes.s.size(); ++i)
    if (!(bytes.s[i] == '\r' && i + 1 < bytes.s.size() && bytes.s[i + 1] == '\n')) text.Add(bytes, i, 1);
  std::vector<Text> pieces;
  Text cur;
  for (std::size_t i = 0; i < text.s.size(); ++i) {
    cur.Add(text, i, 1);
    if (text.s[i] == '\n' || cur.s.size() == 255) {
      pieces.push_back(cur);
      cur = Text();
    }
  }
  if (!cur.s.empty()) pieces.push_back(cur);
  return pieces;
}

bool IsWordChar(unsigned char b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

bool CutLineComment(Text& line) {
  int p = Find(line.s, "//");
  if (p < 0) return true;
  for (int i = p - 1; i >= 0; --i) {
    if (IsWordChar(static_cast<unsigned char>(line.s[i]))) {
      Text cut;
      cut.Add(line, 0, p);
      cut.Add("\r\n");
      line = cut;
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

  // The name before the "(" at pos, and the line of its first byte.
  bool GetFunctionName(const Text& text, int pos, std::string& out, int& line) {
    const std::string& t = text.s;
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
    line = text.at[low];
    return true;
  }

  static bool IsCallName(const std::string& n) {
    for (const char* w : {"for", "while", "if", "switch", "return", "exit", "sizeof", ":"})
      if (n == w) return false;
    return true;
  }

  void AddFunction(const std::string& name, int line) {
    entries.push_back("<" + outName + ">" + name);
    calls.emplace_back();
    lines += std::to_string(file) + ":" + std::to_string(line) + "\n";
  }

  bool RecognizeHead(const Text& text) {
    const std::string& s = text.s;
    std::string name;
    int line;
    for (const char* k : {"void", "int", "char", "long", "short", "float", "unsigned", "BOOL"}) {
      int sp = Find(s, std::string(k) + " "), tb = Find(s, std::string(k) + "\t");
      int open = Find(s, "("), close = Find(s, ")");
      if ((sp >= 0 || tb >= 0) && open >= 0 && close >= 0 && (sp < 0 || sp < open)) {
        if (Find(s, "{") < 0) return true;
        if (GetFunctionName(text, open, name, line)) AddFunction(name, line);
        return true;
      }
    }
    int open = Find(s, "("), close = Find(s, ")");
    if (open < 0 || close < 0) return false;
    if (Find(s, "BOOL ") >= 0) return false;
    int brace = Find(s, "{");
    if (brace < 0 || brace <= close) return false;
    if (!GetFunctionName(text, open, name, line) || !IsCallName(name)) return false;
    std::size_t sep = name.find("::");
    if (sep != std::string::npos) {
      std::string cls = name.substr(0, sep), member = name.substr(sep + 2);
      if (member != cls && member != "~" + cls) return false;
    }
    AddFunction(name, line);
    return true;
  }

  void ExtractCalls(const Text& text) {
    std::string work = text.s, name;
    int line;
    for (int pos; (pos = Find(work, "(")) >= 0;) {
      work[pos] = '/';
      if (!GetFunctionName(text, pos, name, line) || entries.empty() || !IsCallName(name)) continue;
      auto& list = calls.back();
      if (std::find(list.begin(), list.end(), name) != list.end()) continue;
      list.push_back(name);
      lines += "\t" + std::to_string(file) + ":" + std::to_string(line) + "\n";
    }
  }

  int file = -1;  // the file being analysed

  std::string TableText() const {
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      out += entries[i] + "\n";
      for (const auto& c : calls[i]) out += "\t" + c + "\n";
    }
    return out;
  }

  std::string lines;  // each entry's line, then its calls'

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
    ++table.file;

    // Every byte of the source file with its line: one more after each LF.
    Text source{bytes, {}};
    int line = 1;
    for (char c : bytes) {
      source.at.push_back(line);
      if (c == '\n') ++line;
    }

    Text work1;
    work1.Add("\x8A\xD6\x90\x94\x96\xBC\x81\x46\n");
    for (Text piece : Pieces(source)) {
      if (!CutLineComment(piece)) continue;
      for (const char* m : {"IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE", "BEGIN_MESSAGE_MAP",
                            "END_MESSAGE_MAP"})
        if (Find(piece.s, m) >= 0) piece.Add("{}\n");
      work1.Add(piece);
    }

    Text work2;
    bool inComment = false;
    for (const Text& piece : Pieces(work1)) {
      const std::string& l = piece.s;
      if (inComment) {
        if (Find(l, "*/") >= 0) inComment = false;
      } else if (Find(l, "/*") < 0) {
        if (HasBracket(l)) work2.Add(piece);
      } else if (Find(l, "*/") < 0) {
        inComment = true;
      } else {
        work2.Add(piece, 0, Find(l, "/*"));
        work2.Add(piece, Find(l, "*/") + 2);
      }
    }

    std::vector<Text> pieces = Pieces(work2);
    for (std::size_t i = 0; i < pieces.size();) {
      Text statement = pieces[i++];
      while (Find(statement.s, "{") < 0 && Find(statement.s, ";") < 0 &&
             Find(statement.s, "}") < 0 && i < pieces.size())
        statement.Add(pieces[i++]);
      Text cut;
      cut.Add(statement, 0, 255);
      if (!table.RecognizeHead(cut)) table.ExtractCalls(cut);
    }
    run.work1 = work1.s;
    run.work2 = work2.s;
  }
  run.table = table.TableText();
  run.lines = table.lines;
  return run;
}
