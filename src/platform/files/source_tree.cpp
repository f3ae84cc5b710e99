#include "platform/files/source_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

bool HasSourceName(const std::string& name) {
  for (const char* ext : {".c", ".cpp", ".C", ".CPP"}) {
    std::size_t n = std::strlen(ext);
    if (name.size() >= n && name.compare(name.size() - n, n, ext) == 0) return true;
  }
  return false;
}

// One folder being read. Only one is open at a time, so the depth of a tree
// costs no file descriptors.
struct CSourceTreeWalk::OpenFolder {
  DIR* dir = nullptr;
  std::string prefix;  // the folder's path with a '/' at its end
  ~OpenFolder() {
    if (dir) ::closedir(dir);
  }
};

CSourceTreeWalk::CSourceTreeWalk(std::string root) { m_todo.push_back(std::move(root)); }

CSourceTreeWalk::~CSourceTreeWalk() = default;

namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool CSourceTreeWalk::Step(int budget) {
  while (!m_bDone && budget-- > 0) {
    if (!m_open) {
      if (m_todo.empty()) {
        m_bDone = true;
        m_folder.clear();
        std::sort(m_found.begin(), m_found.end());
        break;
      }
      m_folder = std::move(m_todo.back());
      m_todo.pop_back();
      auto open = std::make_unique<OpenFolder>();
      open->dir = ::opendir(m_folder.c_str());
      if (!open->dir) {
        m_unreadable.push_back(m_folder);
        continue;
      }
      open->prefix = !m_folder.empty() && m_folder.back() == '/' ? m_folder : m_folder + "/";
      m_open = std::move(open);
    }
    errno = 0;
    struct dirent* e = ::readdir(m_open->dir);
    if (!e) {
      if (errno) m_unreadable.push_back(m_folder);
      m_open.reset();
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
      m_todo.push_back(std::move(path));
    } else if (HasSourceName(name) && !(type == DT_LNK && IsFolder(path))) {
      m_found.push_back(std::move(path));
    }
  }
  return !m_bDone;
}

std::vector<std::string> FindSourcesBelow(const std::string& root, std::vector<std::string>* unreadable) {
  CSourceTreeWalk walk(root);
  while (walk.Step(4096)) {
  }
  if (unreadable) *unreadable = walk.Unreadable();
  return walk.Sources();
}
