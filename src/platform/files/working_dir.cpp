#include "platform/files/working_dir.h"

#include <cerrno>
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

}  // namespace

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
  std::error_code ec;
  std::filesystem::remove_all(m_strPath, ec);
}
