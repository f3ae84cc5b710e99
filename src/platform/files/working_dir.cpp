#include "platform/files/working_dir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "platform/files/working_dir_testing.h"

namespace {

constexpr char kRunPrefix[] = "run-";
constexpr char kNewPrefix[] = "new-";  // a run folder before it is locked

std::string TempFolder() {
  const char* v = std::getenv("TMPDIR");
  return (v && *v) ? std::string(v) : std::string("/tmp");
}

// The prefix of the private folders made when the per-user folder cannot be
// trusted; mkdtemp completes the name.
std::string OwnFolderPrefix() { return "tolvane-" + std::to_string(::geteuid()) + "."; }

bool StartsWith(const char* name, const std::string& prefix) {
  return std::strncmp(name, prefix.c_str(), prefix.size()) == 0;
}

[[noreturn]] void ThrowOsError(const std::string& path, int err) {
  throw CFileException(CFileException::CauseFromOpenError(err), CString(path), err);
}

// Removes everything inside the open folder fd, never following a link: a
// link is removed, not what it points to. Returns false when something
// could not be removed.
bool RemoveContents(int fd, int depth = 0) {
  int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (!dir) {
    if (listFd >= 0) ::close(listFd);
    return false;
  }
  bool ok = true;
  while (dirent* e = ::readdir(dir)) {
    const char* n = e->d_name;
    if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
    if (::unlinkat(fd, n, 0) == 0) continue;
    if ((errno != EISDIR && errno != EPERM) || depth > 32) {
      ok = false;
      continue;
    }
    int sub = ::openat(fd, n, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ok = sub >= 0 && RemoveContents(sub, depth + 1) && ok;
    if (sub >= 0) ::close(sub);
    ok = ::unlinkat(fd, n, AT_REMOVEDIR) == 0 && ok;
  }
  ::closedir(dir);
  return ok;
}

// A folder that a starting process leaves empty for a few system calls
// only: empty and untouched for this long, its process was killed in
// between.
bool LongUntouched(const struct stat& st) {
  constexpr time_t kSeconds = 3600;
  return st.st_mtime + kSeconds < ::time(nullptr);
}

// Removes the run folders in the open folder fd whose lock nobody holds:
// their process is gone. Process ids say nothing here: they are reused, and
// another PID namespace has its own. Also removes the long untouched
// folders of runs killed before they were locked (rmdir: only when empty).
// Returns how many run folders were removed.
int RemoveAbandonedRuns(int fd) {
  int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (!dir) {
    if (listFd >= 0) ::close(listFd);
    return 0;
  }
  int removed = 0;
  while (dirent* e = ::readdir(dir)) {
    struct stat st;
    if (StartsWith(e->d_name, kNewPrefix) &&
        ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        LongUntouched(st))
      ::unlinkat(fd, e->d_name, AT_REMOVEDIR);
    if (!StartsWith(e->d_name, kRunPrefix)) continue;
    int run = ::openat(fd, e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (run < 0) continue;  // a link, or not a folder: not ours to judge
    if (::flock(run, LOCK_EX | LOCK_NB) == 0 && RemoveContents(run) &&
        ::unlinkat(fd, e->d_name, AT_REMOVEDIR) == 0)
      ++removed;
    ::close(run);
  }
  ::closedir(dir);
  return removed;
}

// The private folders made by earlier processes when the per-user folder
// could not be trusted: their abandoned runs go, and then the folder, when
// that left it empty or it was long untouched (an empty one may belong to a
// process just starting; rmdir keeps one that is not empty).
void RemoveAbandonedOwnFolders(const std::string& temp) {
  DIR* dir = ::opendir(temp.c_str());
  if (!dir) return;
  const std::string prefix = OwnFolderPrefix();
  while (dirent* e = ::readdir(dir)) {
    if (!StartsWith(e->d_name, prefix)) continue;
    int fd = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0 &&
        (RemoveAbandonedRuns(fd) > 0 || LongUntouched(st)))
      ::unlinkat(::dirfd(dir), e->d_name, AT_REMOVEDIR);
    ::close(fd);
  }
  ::closedir(dir);
}

int g_renameNoReplaceError = 0;  // for tests: renameat2 fails with it

int RenameNoReplace(int dirFd, const char* from, const char* to) {
  if (g_renameNoReplaceError) {
    errno = g_renameNoReplaceError;
    return -1;
  }
  return ::renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE);
}

// Makes a locked run folder in the open folder parentFd (named parent).
// It is made under a name the clean-up passes over and renamed only once
// locked, so that no other process can take it for abandoned meanwhile.
// Returns the open, locked folder; *path gets its path.
int MakeLockedRun(int parentFd, const std::string& parent, std::string* path) {
  for (int attempt = 0;; ++attempt) {
    std::string templ = parent + "/" + kNewPrefix + "XXXXXX";
    if (::mkdtemp(&templ[0]) == nullptr) ThrowOsError(parent, errno);
    std::string name = templ.substr(parent.size() + 1);
    std::string runName = kRunPrefix + name.substr(std::strlen(kNewPrefix));
    int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A file system without flock (some network mounts) runs unlocked: the
    // clean-up cannot lock such a folder either, so it stays.
    if (fd < 0 || (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EINVAL)) {
      int err = fd < 0 ? errno : EBUSY;
      if (fd >= 0) ::close(fd);
      ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
      if (attempt < 3) continue;
      ThrowOsError(parent, err);
    }
    // RENAME_NOREPLACE, so that a folder of that name (however unlikely) is
    // never put in place of; without it, rename would replace an empty one.
    // File systems that cannot refuse (EINVAL), and old kernels (ENOSYS),
    // get a plain rename.
    if (RenameNoReplace(parentFd, name.c_str(), runName.c_str()) != 0 &&
        !((errno == EINVAL || errno == ENOSYS) &&
          ::renameat(parentFd, name.c_str(), parentFd, runName.c_str()) == 0)) {
      int err = errno;
      ::close(fd);
      ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
      if (attempt < 3) continue;
      ThrowOsError(parent, err);
    }
    ::fchmod(fd, 0700);  // whatever the umask left
    *path = parent + "/" + runName;
    return fd;
  }
}

}  // namespace

int CWorkingDir::OpenUserFolder(bool create) {
  std::string folder = UserFolder();
  auto notPrivate = [&folder](const char* why) {
    return CFileException(CFileException::notPrivate, CString(folder), 0, why);
  };
  if (create) {
    if (::mkdir(folder.c_str(), 0700) == 0)
      ::chmod(folder.c_str(), 0700);  // whatever the umask left
    else if (errno != EEXIST)
      ThrowOsError(folder, errno);
  }
  // Checked through the descriptor that is then used, so that the folder
  // cannot be swapped between the check and the use.
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT && !create) return -1;
    struct stat st;
    if ((err == ELOOP || err == ENOTDIR) && ::lstat(folder.c_str(), &st) == 0)
      throw notPrivate(S_ISLNK(st.st_mode) ? "it is a symbolic link" : "it is not a folder");
    ThrowOsError(folder, err);
  }
  struct stat st;
  const char* why = nullptr;
  if (::fstat(fd, &st) != 0) why = "it cannot be examined";
  else if (st.st_uid != ::geteuid()) why = "it belongs to another user";
  else if (st.st_mode & 077) why = "group or others have access to it";
  if (why) {
    ::close(fd);
    throw notPrivate(why);
  }
  return fd;
}

std::string CWorkingDir::UserFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/tolvane";
  return TempFolder() + "/tolvane-" + std::to_string(::geteuid());
}

std::unique_ptr<CWorkingDir> CWorkingDir::Create() {
  std::unique_ptr<CWorkingDir> dir(new CWorkingDir);
  std::string parent = UserFolder();
  int parentFd = -1;
  try {
    parentFd = OpenUserFolder(true);
  } catch (const CFileException& e) {
    if (e.m_cause != CFileException::notPrivate) throw;
  }
  const std::string temp = TempFolder();
  RemoveAbandonedOwnFolders(temp);
  if (parentFd >= 0) {
    RemoveAbandonedRuns(parentFd);
  } else {
    // Another user got to the predictable name first, or it was opened up:
    // a folder of a name nobody can guess takes its place for this process.
    parent = temp + "/" + OwnFolderPrefix() + "XXXXXX";
    if (::mkdtemp(&parent[0]) == nullptr) ThrowOsError(temp, errno);
    dir->m_strOwnParent = parent;
    parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (parentFd < 0) ThrowOsError(parent, errno);
  }
  try {
    dir->m_nLock = MakeLockedRun(parentFd, parent, &dir->m_strPath);
  } catch (...) {
    ::close(parentFd);
    throw;
  }
  ::close(parentFd);
  return dir;
}

std::unique_ptr<CWorkingDir> CWorkingDir::CreateRemovedOnSignal(
    const std::vector<std::string>& names) {
  // From the moment the folder exists a signal always finds it to remove:
  // other threads block these signals or wait for the registration.
  CSignalsBlocked blocked;
  std::unique_ptr<CWorkingDir> dir = Create();
  for (const std::string& n : names)
    dir->m_onSignal.push_back(
        std::make_unique<CRemovedOnSignal>(dir->m_strPath + "/" + n, CRemovedOnSignal::kFile));
  dir->m_onSignal.push_back(
      std::make_unique<CRemovedOnSignal>(dir->m_strPath, CRemovedOnSignal::kFolder));
  if (!dir->m_strOwnParent.empty())
    dir->m_onSignal.push_back(
        std::make_unique<CRemovedOnSignal>(dir->m_strOwnParent, CRemovedOnSignal::kFolder));
  return dir;
}

std::string CWorkingDir::AddSubfolderRemovedOnSignal(const std::string& name,
                                                     const std::vector<std::string>& names) {
  CSignalsBlocked blocked;
  const std::string path = m_strPath + "/" + name;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) ThrowOsError(path, errno);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) ThrowOsError(path, errno);
  if (!S_ISDIR(st.st_mode)) ThrowOsError(path, ENOTDIR);
  for (const std::string& n : names)
    m_onSignal.push_back(std::make_unique<CRemovedOnSignal>(path + "/" + n, CRemovedOnSignal::kFile));
  // Registered after this folder: the handler's second round of folders
  // removes this one's parent once this one is gone.
  m_onSignal.push_back(std::make_unique<CRemovedOnSignal>(path, CRemovedOnSignal::kFolder));
  return path;
}

CWorkingDir::~CWorkingDir() {
  m_onSignal.clear();
  if (m_nLock >= 0) {
    RemoveContents(m_nLock);
    ::rmdir(m_strPath.c_str());
    ::close(m_nLock);  // the lock goes last: until then the folder is ours
  }
  if (!m_strOwnParent.empty()) ::rmdir(m_strOwnParent.c_str());
}

void FailRenameNoReplaceForTesting(int err) { g_renameNoReplaceError = err; }
