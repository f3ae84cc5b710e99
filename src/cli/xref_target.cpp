#include "cli/xref_target.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "platform/files/removed_on_signal.h"
#include "platform/files/write_all.h"

namespace {

std::string Message(CFileException::Cause cause, const std::string& path, int err) {
  return CFileException(cause, CString(path), err).GetErrorMessage().str();
}

std::string OpenMessage(const std::string& path, int err) {
  return Message(CFileException::CauseFromOpenError(err), path, err);
}

std::string WriteMessage(const std::string& path, int err) {
  return Message(CFileException::CauseFromWriteError(err), path, err);
}

}  // namespace

XrefTarget::~XrefTarget() { Discard(); }

bool XrefTarget::Open(const std::string& path, std::string* error) {
  m_path = path;
  // A link is followed, so that the file it names gets the output and the
  // link stays.
  std::string real = path;
  struct stat st;
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved) {
      real = resolved;
      std::free(resolved);
    }
    exists = ::stat(real.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) {
    *error = Message(CFileException::notRegularFile, path, EISDIR);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    // Nothing to replace: a device or a pipe takes the output as it comes.
    m_fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) *error = OpenMessage(path, errno);
    return m_fd >= 0;
  }
  std::size_t slash = real.rfind('/');
  std::string folder = real.substr(0, slash + 1);
  m_temp = folder + "." + real.substr(slash + 1) + ".XXXXXX";
  m_fd = ::mkstemp(&m_temp[0]);
  if (m_fd < 0) {
    int err = errno;
    m_temp.clear();
    // Named after the file asked for: the temporary name means nothing to the user.
    *error = OpenMessage(path, err);
    return false;
  }
  ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
  m_pRemovedOnSignal = std::make_unique<CRemovedOnSignal>(m_temp, CRemovedOnSignal::kFile);
  ::fchmod(m_fd, ReplacementMode(exists ? &st : nullptr));
  m_real = real;
  return true;
}

bool XrefTarget::Commit(std::string* error) {
  if (m_temp.empty()) {
    int fd = m_fd;
    m_fd = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
      *error = WriteMessage(m_path, errno);
      return false;
    }
    return true;
  }
  // Synced before the rename: after a crash the file is the old one or the
  // whole new one, never an empty one.
  int err = 0;
  if (::fsync(m_fd) != 0 && errno != EINVAL) err = errno;
  if (::close(m_fd) != 0 && errno != EINTR && !err) err = errno;
  m_fd = -1;
  if (!err && ::rename(m_temp.c_str(), m_real.c_str()) != 0) {
    *error = OpenMessage(m_path, errno);
    Discard();
    return false;
  }
  if (err) {
    *error = WriteMessage(m_path, err);
    Discard();
    return false;
  }
  m_temp.clear();
  m_pRemovedOnSignal.reset();
  return true;
}

void XrefTarget::Discard() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_temp.clear();
  m_pRemovedOnSignal.reset();
}

std::string XrefTargetWriteError(const std::string& path, int err) { return WriteMessage(path, err); }
