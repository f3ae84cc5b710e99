#include "platform/files/drives.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace {

struct DriveState {
  std::vector<DriveEntry> table;
  std::map<char, std::string> remembered;  // the last directory on each drive
};

std::unique_ptr<DriveState>& State() {
  static std::unique_ptr<DriveState> state;
  return state;
}

std::string UserName() {
  if (const struct passwd* pw = ::getpwuid(::getuid())) return pw->pw_name;
  const char* user = std::getenv("USER");
  return user ? user : "";
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

DriveState& Drives() {
  std::unique_ptr<DriveState>& state = State();
  if (!state) {
    state.reset(new DriveState);
    const char* variable = std::getenv("TOLVANE_DRIVES");
    state->table = variable ? ParseDriveTable(variable)
                        : DriveTableFromMounts(ReadFile("/proc/self/mounts"), UserName());
  }
  return *state;
}

// /proc/self/mounts writes blanks, tabs, line feeds and backslashes in a
// mount point as three octal digits after a backslash.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    bool octal = s[i] == '\\' && i + 3 < s.size() &&
                 std::all_of(s.begin() + i + 1, s.begin() + i + 4,
                             [](char c) { return c >= '0' && c <= '7'; });
    if (octal) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Whether path is folder itself or lies below it, by whole components.
bool IsUnder(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

bool IsDriveSpec(const CString& path) {
  if (path.GetLength() != 2 || path[1] != ':') return false;
  char c = path[0];
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void Remember(DriveState& state, const std::string& dir) {
  const DriveEntry* best = nullptr;
  for (const DriveEntry& d : state.table)
    if (IsUnder(dir, d.root) && (!best || d.root.size() > best->root.size())) best = &d;
  if (best) state.remembered[best->letter] = dir;
}

}  // namespace

const std::vector<DriveEntry>& GetDriveTable() { return Drives().table; }

void ReloadDriveTable() { State().reset(); }

std::vector<DriveEntry> ParseDriveTable(const std::string& value) {
  std::map<char, std::string> byLetter;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(':', start);
    if (end == std::string::npos) end = value.size();
    std::string pair = value.substr(start, end - start);
    if (pair.size() >= 3 && pair[1] == '=' && pair[2] == '/') {
      char c = pair[0];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c >= 'a' && c <= 'z') byLetter[c] = pair.substr(2);
    }
    start = end + 1;
  }
  std::vector<DriveEntry> table;
  for (const auto& [letter, root] : byLetter) table.push_back({letter, root});
  return table;
}

std::vector<DriveEntry> DriveTableFromMounts(const std::string& mounts, const std::string& user) {
  std::vector<std::string> bases = {"/media", "/mnt"};
  if (!user.empty()) {
    bases.push_back("/media/" + user);
    bases.push_back("/run/media/" + user);
  }
  std::vector<std::string> points;
  std::istringstream lines(mounts);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, point;
    if (!(fields >> device >> point)) continue;
    point = Unescape(point);
    // The media folders themselves are no drives, only what is mounted
    // below them.
    bool below = false, isBase = false;
    for (const std::string& base : bases) {
      below = below || IsUnder(point, base);
      isBase = isBase || point == base;
    }
    if (below && !isBase) points.push_back(point);
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  std::vector<DriveEntry> table = {{'c', "/"}};
  char letter = 'd';
  for (const std::string& p : points) {
    if (letter > 'z') break;
    table.push_back({letter++, p});
  }
  return table;
}

BOOL SetCurrentDirectory(const CString& path) {
  DriveState& state = Drives();
  std::string target = path.str();
  if (IsDriveSpec(path)) {
    char letter = static_cast<char>(path[0] | 0x20);
    auto drive = std::find_if(state.table.begin(), state.table.end(),
                              [&](const DriveEntry& d) { return d.letter == letter; });
    if (drive == state.table.end()) return FALSE;
    auto last = state.remembered.find(letter);
    target = last != state.remembered.end() ? last->second : drive->root;
  }
  if (target.empty() || target.find('\0') != std::string::npos) return FALSE;
  if (::chdir(target.c_str()) != 0) return FALSE;
  Remember(state, GetCurrentDirectory().str());
  return TRUE;
}

CString GetCurrentDirectory() {
  std::vector<char> buf(4096);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return CString(buf.data());
    if (errno != ERANGE) return CString();
    buf.resize(buf.size() * 2);
  }
}
