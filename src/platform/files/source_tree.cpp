#include "platform/files/source_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A folder already read, held open so that the folders below it are opened
// from it rather than by path: a folder swapped for a link meanwhile is then
// not followed, nor is one of its parents.
struct CSourceTreeWalk::HeldFolder {
  int fd;
  int* held;  // the walk's count of folders held
  HeldFolder(int f, int* count) : fd(f), held(count) { ++*held; }
  ~HeldFolder() {
    ::close(fd);
    --*held;
  }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
};

// One folder being read. Only one is open at a time, and of the folders
// read only those are held whose subfolders are still to be read, at most
// kMaxHeld of them: the depth of a tree costs a bounded number of file
// descriptors.
struct CSourceTreeWalk::OpenFolder {
  DIR* dir = nullptr;
  std::string prefix;  // the folder's path with a '/' at its end
  std::shared_ptr<HeldFolder> base;  // as in its Item
  std::size_t baseLength = 0;
  std::vector<Item> children;  // its sources and folders read so far
  ~OpenFolder() {
    if (dir) ::closedir(dir);
  }
};

CSourceTreeWalk::CSourceTreeWalk(std::string root, std::vector<std::string> suffixes)
    : m_suffixes(std::move(suffixes)) {
  m_todo.push_back({std::move(root), true, nullptr, 0});
}

CSourceTreeWalk::~CSourceTreeWalk() = default;

namespace {

// Opens the folder at path[from..] below the folder base, one name at a
// time and following no link. Without a base, path[..from] (the root, all
// of path when from is 0) is opened by its path as given. Returns -1 with
// errno set when it cannot.
int OpenFolderBelow(int base, const std::string& path, std::size_t from) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = base;
  if (base < 0) {
    fd = ::open((from == 0 ? path : path.substr(0, from)).c_str(), flags);
    if (fd < 0 || from == 0) return fd;
  }
  while (from < path.size()) {
    std::size_t end = path.find('/', from);
    if (end == std::string::npos) end = path.size();
    int next = ::openat(fd, path.substr(from, end - from).c_str(), flags | O_NOFOLLOW);
    int err = errno;
    if (fd != base) ::close(fd);
    if (next < 0) {
      errno = err;
      return -1;
    }
    fd = next;
    from = end + 1;
  }
  return fd;
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
  // Its subfolders are opened from it, or, when too many folders are held
  // already, from the folder its own opening started from.
  std::shared_ptr<HeldFolder> base = m_open->base;
  std::size_t baseLength = m_open->baseLength;
  if (std::any_of(children.begin(), children.end(), [](const Item& i) { return i.folder; })) {
    int fd = m_nHeld < kMaxHeld ? ::fcntl(::dirfd(m_open->dir), F_DUPFD_CLOEXEC, 0) : -1;
    if (fd >= 0) {
      base = std::make_shared<HeldFolder>(fd, &m_nHeld);
      baseLength = from;
    } else if (!base && baseLength == 0) {
      baseLength = from;  // the root, not held: opened again by its path
    }
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (it->folder) {
      it->base = base;
      it->baseLength = baseLength;
    }
    m_todo.push_back(std::move(*it));
  }
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
      int fd = OpenFolderBelow(next.base ? next.base->fd : -1, m_folder, next.baseLength);
      int err = errno;
      if (fd >= 0 && !(open->dir = ::fdopendir(fd))) {
        err = errno;
        ::close(fd);
      }
      if (!open->dir) {
        // A folder that is no longer one (a link now) is left out, as a
        // link to a folder is.
        if (next.baseLength == 0 || (err != ENOTDIR && err != ELOOP))
          m_failures.push_back({m_folder, err, false});
        continue;
      }
      open->prefix = !m_folder.empty() && m_folder.back() == '/' ? m_folder : m_folder + "/";
      open->base = std::move(next.base);
      open->baseLength = next.baseLength;
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
    const int at = ::dirfd(m_open->dir);
    struct stat st;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      if (::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      m_open->children.push_back({m_open->prefix + name, true, nullptr, 0});
    } else if (HasSuffix(name, m_suffixes) &&
               !(type == DT_LNK && ::fstatat(at, name, &st, 0) == 0 && S_ISDIR(st.st_mode))) {
      m_open->children.push_back({m_open->prefix + name, false, nullptr, 0});
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
