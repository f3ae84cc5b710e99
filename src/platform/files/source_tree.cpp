#include "platform/files/source_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

const std::vector<std::string>& SourceSuffixes() {
  static const std::vector<std::string> suffixes = {".c", ".cpp", ".C", ".CPP"};
  return suffixes;
}

bool HasSuffix(std::string_view name, const std::vector<std::string>& suffixes) {
  for (std::string_view ext : suffixes)
    if (name.size() >= ext.size() && name.substr(name.size() - ext.size()) == ext) return true;
  return false;
}

bool HasSourceName(const std::string& name) { return HasSuffix(name, SourceSuffixes()); }

// One folder being read. Only one is open at a time, so the depth of a tree
// costs no file descriptors.
struct CSourceTreeWalk::OpenFolder {
  DIR* dir = nullptr;
  std::string prefix;  // the folder's path with a '/' at its end
  std::vector<Item> children;  // its sources and folders read so far
  ~OpenFolder() {
    if (dir) ::closedir(dir);
  }
};

CSourceTreeWalk::CSourceTreeWalk(std::string root, std::vector<std::string> suffixes)
    : m_suffixes(std::move(suffixes)) {
  m_todo.push_back({std::move(root), true});
}

CSourceTreeWalk::~CSourceTreeWalk() = default;

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// The paths below a folder in byte order are those of its children, taken
// in the order of their names, a folder's name with a '/' after it: what
// follows in the path of a file below it cannot change how it compares
// with a sibling. Emitting them that way needs no sort at the end, which
// for a big tree would stop the caller for a while.
void CSourceTreeWalk::EndFolder() {
  std::vector<Item>& children = m_open->children;
  std::size_t from = m_open->prefix.size();  // where the names start
  std::sort(children.begin(), children.end(), [from](const Item& a, const Item& b) {
    std::string_view x = std::string_view(a.path).substr(from);
    std::string_view y = std::string_view(b.path).substr(from);
    std::size_t n = std::min(x.size(), y.size());
    if (int c = x.substr(0, n).compare(y.substr(0, n))) return c < 0;
    // One name starts the other: what follows it decides, a folder's '/'
    // or nothing.
    auto next = [n](std::string_view s, bool folder) -> int {
      return n < s.size() ? static_cast<unsigned char>(s[n]) : folder ? '/' : -1;
    };
    return next(x, a.folder) < next(y, b.folder);
  });
  for (auto it = children.rbegin(); it != children.rend(); ++it) m_todo.push_back(std::move(*it));
  m_open.reset();
}

bool CSourceTreeWalk::Step(int budget) {
  while (!m_bDone && budget-- > 0) {
    if (!m_open) {
      if (m_todo.empty()) {
        m_bDone = true;
        m_folder.clear();
        break;
      }
      Item next = std::move(m_todo.back());
      m_todo.pop_back();
      if (!next.folder) {
        m_found.push_back(std::move(next.path));
        continue;
      }
      m_folder = std::move(next.path);
      auto open = std::make_unique<OpenFolder>();
      open->dir = ::opendir(m_folder.c_str());
      if (!open->dir) {
        m_failures.push_back({m_folder, errno, false});
        continue;
      }
      open->prefix = !m_folder.empty() && m_folder.back() == '/' ? m_folder : m_folder + "/";
      m_open = std::move(open);
    }
    errno = 0;
    struct dirent* e = ::readdir(m_open->dir);
    if (!e) {
      if (errno) m_failures.push_back({m_folder, errno, true});
      EndFolder();
      continue;
    }
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    std::string path = m_open->prefix + name;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (::lstat(path.c_str(), &st) != 0) continue;  // gone meanwhile
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      m_open->children.push_back({std::move(path), true});
    } else if (HasSuffix(name, m_suffixes) && !(type == DT_LNK && IsFolder(path))) {
      m_open->children.push_back({std::move(path), false});
    }
  }
  return !m_bDone;
}

std::vector<std::string> FindSourcesBelow(const std::string& root,
                                          const std::vector<std::string>& suffixes,
                                          std::vector<CSourceTreeWalk::Failure>* failures) {
  CSourceTreeWalk walk(root, suffixes);
  while (walk.Step(4096)) {
  }
  if (failures) *failures = walk.Failures();
  return walk.TakeSources();
}
