#include "app/settings_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "reports/report_writer.h"

namespace {

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// One line of a settings file, as Load reads it and WriteSetting finds it.
struct ParsedLine {
  bool header = false;    // a "[section]" line (name "" when it has no "]")
  bool opens = false;     // a header with its "]": a section starts
  std::string name;       // its section, or the key of a "key=value" line; lower case
  std::size_t valueBegin = 0, valueEnd = 0;  // the value's bytes in the line
};

ParsedLine Parse(std::string_view line) {
  ParsedLine parsed;
  std::size_t end = std::min(line.find(';'), line.size());
  std::size_t b = line.find_first_not_of(" \t");
  if (b >= end) return parsed;
  std::size_t e = line.find_last_not_of(" \t", end - 1) + 1;
  if (line[b] == '[') {
    // A "[" line without its "]" ends a section and starts none.
    parsed.header = true;
    std::size_t close = line.find(']', b);
    parsed.opens = close < e;
    if (parsed.opens) parsed.name = Lower(Trim(std::string(line.substr(b + 1, close - b - 1))));
    return parsed;
  }
  std::size_t eq = line.find('=', b);
  if (eq >= e) return parsed;
  parsed.name = Lower(Trim(std::string(line.substr(b, eq - b))));
  std::size_t v = line.find_first_not_of(" \t", eq + 1);
  parsed.valueBegin = v < e ? v : eq + 1;
  parsed.valueEnd = v < e ? e : eq + 1;
  return parsed;
}

// The whole text of the file at path, or "" when there is none. A file that
// is there but cannot be read throws: rewriting it would lose its lines.
std::string ReadWhole(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::string();
    throw CFileException(CFileException::CauseFromOpenError(errno), CString(path), errno);
  }
  if (!S_ISREG(st.st_mode)) throw CFileException(CFileException::notRegularFile, CString(path));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CFileException(CFileException::accessDenied, CString(path), errno);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw CFileException(CFileException::readError, CString(path), EIO);
  return text;
}

// Makes the folders of path that are missing, as the user alone may enter.
void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) == 0) continue;
    int err = errno;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      throw CFileException(CFileException::CauseFromOpenError(err == EEXIST ? ENOTDIR : err), CString(path), err);
  }
}

// The text of a settings file with key in [section] set to value.
std::string WithSetting(std::string_view text, const char* section, const char* key,
                        std::string_view value) {
  const std::string wantSection = Lower(section), wantKey = Lower(key);
  std::size_t firstEnd = text.find('\n');
  std::string eol = firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r'
                        ? "\r\n" : "\n";
  std::size_t headerEnd = std::string_view::npos;  // past the first [section] line
  bool inSection = false;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t nl = text.find('\n', at);
    std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view line = text.substr(at, next - at);
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ParsedLine parsed = Parse(line);
    if (parsed.header) {
      inSection = parsed.name == wantSection;
      if (inSection && headerEnd == std::string_view::npos) headerEnd = next;
    } else if (inSection && parsed.name == wantKey) {
      std::string out(text.substr(0, at + parsed.valueBegin));
      out += value;
      out += text.substr(at + parsed.valueEnd);
      return out;
    }
    at = next;
  }
  std::string line = std::string(key) + "=" + std::string(value) + eol;
  if (headerEnd != std::string_view::npos) {
    std::string out(text.substr(0, headerEnd));
    if (out.empty() || out.back() != '\n') out += eol;
    return out + line + std::string(text.substr(headerEnd));
  }
  std::string out(text);
  if (!out.empty() && out.back() != '\n') out += eol;
  return out + "[" + section + "]" + eol + line;
}

}  // namespace

void CSettingsFile::WriteSetting(const std::string& path, const char* section, const char* key,
                                 const CString& value) {
  m_values[std::make_pair(Lower(section), Lower(key))] = value.str();
  // A settings file that is a symbolic link stays one: its target is
  // rewritten.
  std::string target = path;
  char resolved[PATH_MAX];
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(path.c_str(), resolved))
    target = resolved;
  std::string text = ReadWhole(target);
  MakeFolders(target);
  ReplaceFileWith(CString(target), WithSetting(text, section, key, value.view()), true);
}

std::string CSettingsFile::DefaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string folder = config && *config ? std::string(config) : std::string(home ? home : "") + "/.config";
  return folder + "/tolvane/tolvane.ini";
}

void CSettingsFile::Load(const std::string& path) {
  m_values.clear();
  std::ifstream in(path);
  std::string section;
  bool inSection = false;  // lines before the first section belong to none
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ParsedLine parsed = Parse(line);
    if (parsed.header) {
      inSection = parsed.opens;
      section = parsed.name;
      continue;
    }
    if (!inSection || parsed.name.empty()) continue;
    m_values.emplace(std::make_pair(section, parsed.name),
                     line.substr(parsed.valueBegin, parsed.valueEnd - parsed.valueBegin));
  }
}

CString CSettingsFile::ReadSetting(const char* section, const char* key, const CString& def) const {
  auto it = m_values.find(std::make_pair(Lower(section), Lower(key)));
  return it == m_values.end() ? def : CString(it->second);
}

CString CSettingsFile::ReadChoice(const char* section, const char* key, const char* fallback,
                                  const std::function<bool(std::string_view)>& take) const {
  CString value = ReadSetting(section, key);
  if (!value.IsEmpty() && take(value.view())) return CString();
  take(fallback);
  if (value.IsEmpty()) return CString();
  return CString("tolvane.ini の ") + key + "=" + value + " は使えません。" + fallback + " で読みます。";
}
