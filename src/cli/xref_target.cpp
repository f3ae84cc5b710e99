#include "cli/xref_target.h"

#include <cerrno>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// The descriptor that /dev/stdout, /dev/stderr or /dev/fd/N stands for, or
// -1 for any other path.
int StreamDescriptor(const std::string& path) {
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string prefix = "/dev/fd/";
  if (path.compare(0, prefix.size(), prefix) != 0) return -1;
  std::string digits = path.substr(prefix.size());
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoi(digits);
}

// Virtual consoles (major 4 below 64: above are serial lines) and
// pseudo-terminals (136-143).
bool IsTerminalDevice(dev_t rdev) {
  unsigned ma = major(rdev), mi = minor(rdev);
  return (ma == 4 && mi < 64) || (ma >= 136 && ma <= 143);
}

std::string Refusal(const std::string& path, const char* what) {
  return path + " is " + what +
         "; only a regular file, /dev/null, or a FIFO or terminal of your own takes the output.";
}

}  // namespace

XrefTarget::~XrefTarget() { Discard(); }

bool XrefTarget::Open(const std::string& path, std::string* error) {
  m_path = path;
  int stream = StreamDescriptor(path);
  if (stream >= 0) {
    // The descriptor itself, as "-" is standard output: opening the link
    // into /proc anew would start a file it names over from its beginning.
    m_fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0) *error = OpenMessage(path, errno);
    return m_fd >= 0;
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      *error = OpenMessage(path, errno);
      return false;
    }
  } else if (S_ISLNK(st.st_mode)) {
    *error = path + " is a symbolic link; name the file itself.";
    return false;
  } else if (S_ISDIR(st.st_mode)) {
    *error = Message(CFileException::notRegularFile, path, EISDIR);
    return false;
  } else if (!S_ISREG(st.st_mode)) {
    return OpenDirectly(st, error);
  } else {
    m_bReplaces = true;
    m_old = st;
  }
  std::size_t slash = path.rfind('/');
  m_temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
  m_fd = ::mkostemp(&m_temp[0], O_CLOEXEC);
  if (m_fd < 0) {
    int err = errno;
    m_temp.clear();
    // Named after the file asked for: the temporary name means nothing to the user.
    *error = OpenMessage(path, err);
    return false;
  }
  m_pRemovedOnSignal = std::make_unique<CRemovedOnSignal>(m_temp, CRemovedOnSignal::kFile);
  return true;
}

bool XrefTarget::OpenDirectly(const struct stat& st, std::string* error) {
  const std::string& path = m_path;
  // Decided from the type before opening: opening a device can act (a tape
  // rewinds, a serial line raises its signals).
  bool own = st.st_uid == ::geteuid();
  bool null = S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
  bool fifo = S_ISFIFO(st.st_mode);
  bool terminal = S_ISCHR(st.st_mode) && IsTerminalDevice(st.st_rdev);
  if (!null && !((fifo || terminal) && own)) {
    *error = Refusal(path, fifo ? "a FIFO of another user"
                           : terminal ? "a terminal of another user"
                           : S_ISSOCK(st.st_mode) ? "a socket" : "a device");
    return false;
  }
  // Not waiting: a FIFO without a reader fails at once instead of
  // blocking the run for ever.
  m_fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (m_fd < 0) {
    *error = errno == ENXIO && fifo ? path + " is a FIFO without a reader; no output written to it."
                                    : OpenMessage(path, errno);
    return false;
  }
  // The name may have been given to something else since the lstat.
  struct stat now;
  if (::fstat(m_fd, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino ||
      (terminal && !::isatty(m_fd))) {
    Discard();
    *error = Refusal(path, "a device");
    return false;
  }
  int flags = ::fcntl(m_fd, F_GETFL);
  if (flags >= 0) ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
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
  int err = SealReplacement(m_fd, m_bReplaces ? &m_old : nullptr);
  if (::close(m_fd) != 0 && errno != EINTR && !err) err = errno;
  m_fd = -1;
  if (err) {
    *error = WriteMessage(m_path, err);
    Discard();
    return false;
  }
  // rename replaces whatever has the name by now, a link included, and
  // never follows one.
  if (::rename(m_temp.c_str(), m_path.c_str()) != 0) {
    *error = OpenMessage(m_path, errno);
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
