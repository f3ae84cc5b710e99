#include "platform/files/working_dir.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files/file_exception.h"

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

void EnsurePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) {
    ::chmod(path.c_str(), 0700);  // whatever the umask left
  } else if (errno != EEXIST) {
    int err = errno;
    throw CFileException(CFileException::CauseFromOpenError(err), CString(path), err);
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    int err = errno;
    throw CFileException(CFileException::CauseFromOpenError(err), CString(path), err);
  }
  if (S_ISLNK(st.st_mode))
    throw CFileException(CFileException::notPrivate, CString(path), 0,
                         "it is a symbolic link");
  if (!S_ISDIR(st.st_mode))
    throw CFileException(CFileException::notPrivate, CString(path), 0,
                         "it is not a folder");
  if (st.st_uid != ::geteuid())
    throw CFileException(CFileException::notPrivate, CString(path), 0,
                         "it belongs to another user");
  if (st.st_mode & 077)
    throw CFileException(CFileException::notPrivate, CString(path), 0,
                         "group or others have access to it");
}

// What a fatal signal removes: files of the working folder, then the
// folder, in this order. Filled with the signals held back, and read only by
// the handler.
constexpr int kMaxRemoved = 8;
const char* g_removeOnSignal[kMaxRemoved + 1] = {};
const int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveWorkingFilesOnSignal(int sig) {
  int last = 0;
  while (last < kMaxRemoved && g_removeOnSignal[last + 1]) ++last;
  for (int i = 0; i < last; ++i) ::unlink(g_removeOnSignal[i]);
  if (g_removeOnSignal[last]) ::rmdir(g_removeOnSignal[last]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

class HeldSignals {
 public:
  HeldSignals() {
    sigset_t fatal;
    sigemptyset(&fatal);
    for (int sig : kFatalSignals) sigaddset(&fatal, sig);
    sigprocmask(SIG_BLOCK, &fatal, &m_old);
  }
  ~HeldSignals() { sigprocmask(SIG_SETMASK, &m_old, nullptr); }

 private:
  sigset_t m_old;
};

// The paths the handler reads; they outlive every call of it.
std::vector<std::string>& RemovedPaths() {
  static std::vector<std::string> paths;
  return paths;
}

}  // namespace

std::unique_ptr<CWorkingDir> CWorkingDir::CreateRemovedOnSignal(
    const std::vector<std::string>& names) {
  // From the moment the folder exists a signal always finds it to remove.
  HeldSignals held;
  std::unique_ptr<CWorkingDir> dir = Create();
  std::vector<std::string>& paths = RemovedPaths();
  paths.clear();
  for (const std::string& n : names)
    if (paths.size() < kMaxRemoved) paths.push_back(dir->GetPath() + "/" + n);
  paths.push_back(dir->GetPath());
  std::fill(std::begin(g_removeOnSignal), std::end(g_removeOnSignal), nullptr);
  for (std::size_t i = 0; i < paths.size(); ++i) g_removeOnSignal[i] = paths[i].c_str();
  dir->m_bOnSignal = true;
  for (int sig : kFatalSignals) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = RemoveWorkingFilesOnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
  return dir;
}

std::string CWorkingDir::UserFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/tolvane";
  return EnvOr("TMPDIR", "/tmp") + "/tolvane-" + std::to_string(::geteuid());
}

std::unique_ptr<CWorkingDir> CWorkingDir::Create() {
  std::string user = UserFolder();
  EnsurePrivateFolder(user);
  std::string templ = user + "/run-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) {
    int err = errno;
    throw CFileException(CFileException::CauseFromOpenError(err), CString(user), err);
  }
  return std::unique_ptr<CWorkingDir>(new CWorkingDir(std::string(buf.data())));
}

CWorkingDir::~CWorkingDir() {
  if (m_bOnSignal) {
    HeldSignals held;
    std::fill(std::begin(g_removeOnSignal), std::end(g_removeOnSignal), nullptr);
  }
  std::error_code ec;
  std::filesystem::remove_all(m_strPath, ec);
}
