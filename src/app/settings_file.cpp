#include "app/settings_file.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

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

}  // namespace

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
    std::string text = Trim(line.substr(0, line.find(';')));
    if (!text.empty() && text.front() == '[') {
      std::size_t close = text.find(']');
      inSection = close != std::string::npos;
      if (inSection) section = Lower(Trim(text.substr(1, close - 1)));
      continue;
    }
    std::size_t eq = text.find('=');
    if (!inSection || eq == std::string::npos) continue;
    std::string key = Lower(Trim(text.substr(0, eq)));
    if (!key.empty()) m_values.emplace(std::make_pair(section, key), Trim(text.substr(eq + 1)));
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
