#include "platform/ui/guard/caption_socket.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/files/file_exception.h"
#include "platform/files/working_dir.h"
#include "platform/ui/guard/window_finder.h"

namespace {

constexpr char kSocketPrefix[] = "guard-";

[[noreturn]] void ThrowNotPrivate(const std::string& folder, const char* why) {
  throw CFileException(CFileException::notPrivate, CString(folder), 0, why);
}

[[noreturn]] void ThrowOsError(const std::string& folder, int err) {
  throw CFileException(CFileException::CauseFromOpenError(err), CString(folder), err);
}

// The address of name inside the folder open as dirFd. A path too long for
// sun_path is reached through the descriptor instead.
bool SocketAddress(int dirFd, const std::string& folder, const std::string& name,
                   sockaddr_un* addr) {
  std::string path = folder + "/" + name;
  if (path.size() >= sizeof addr->sun_path)
    path = "/proc/self/fd/" + std::to_string(dirFd) + "/" + name;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// The pid in a socket's name, or 0 when the name is not one of ours.
pid_t PidOfSocketName(const char* name) {
  size_t n = std::strlen(kSocketPrefix);
  if (std::strncmp(name, kSocketPrefix, n) != 0 || name[n] == '\0') return 0;
  pid_t pid = 0;
  for (const char* p = name + n; *p; ++p) {
    if (*p < '0' || *p > '9' || pid > 99999999) return 0;
    pid = pid * 10 + (*p - '0');
  }
  return pid;
}

// A socket nobody listens on is removed only when its process is gone:
// a copy between bind and listen refuses too, for a moment.
bool IsLeftOver(pid_t pid) {
  return pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
}

struct Peer {
  int fd;
  std::string reply;
};

class CaptionSocketFinder : public IWindowFinder {
 public:
  bool HasTopLevelWindow(const std::string& captionUtf8) override;

 private:
  static std::vector<Peer> ConnectAll(int dirFd, const std::string& folder);
  static bool AnyAnswers(std::vector<Peer>& peers, const std::string& captionUtf8);
};

std::vector<Peer> CaptionSocketFinder::ConnectAll(int dirFd, const std::string& folder) {
  std::vector<Peer> peers;
  int listFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);  // closedir closes it
  DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (!dir) {
    if (listFd >= 0) ::close(listFd);
    return peers;
  }
  while (dirent* e = ::readdir(dir)) {
    pid_t pid = PidOfSocketName(e->d_name);
    struct stat st;
    sockaddr_un addr;
    if (pid == 0 || ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISSOCK(st.st_mode) || !SocketAddress(dirFd, folder, e->d_name, &addr))
      continue;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) break;
    // A local connect completes at once or fails at once; EAGAIN (a full
    // backlog) is a copy too busy to answer in time anyway.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      peers.push_back(Peer{fd, std::string()});
      continue;
    }
    if (errno == ECONNREFUSED && IsLeftOver(pid)) ::unlinkat(dirFd, e->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
  return peers;
}

// Reads every peer's caption at once under one deadline, so that a copy
// that hangs costs the timeout once, however many there are.
bool CaptionSocketFinder::AnyAnswers(std::vector<Peer>& peers,
                                     const std::string& captionUtf8) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kCaptionReplyTimeoutMs);
  bool found = false;
  std::vector<pollfd> fds;
  for (;;) {
    fds.clear();
    for (const Peer& p : peers)
      if (p.fd >= 0) fds.push_back(pollfd{p.fd, POLLIN, 0});
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (found || fds.empty() || left.count() <= 0) break;
    if (::poll(fds.data(), fds.size(), static_cast<int>(left.count()) + 1) < 0 && errno != EINTR)
      break;
    for (Peer& p : peers) {
      if (p.fd < 0) continue;
      char buf[512];
      ssize_t n = ::read(p.fd, buf, sizeof buf);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n > 0) p.reply.append(buf, static_cast<size_t>(n));
      // A reply longer than the caption already differs from it.
      if (n <= 0 || p.reply.size() > captionUtf8.size()) {
        if (n == 0 && p.reply == captionUtf8) found = true;
        ::close(p.fd);
        p.fd = -1;
      }
    }
  }
  for (Peer& p : peers)
    if (p.fd >= 0) ::close(p.fd);
  return found;
}

bool CaptionSocketFinder::HasTopLevelWindow(const std::string& captionUtf8) {
  int dirFd = -1;
  try {
    dirFd = OpenUserFolder(false);
  } catch (const CFileException&) {
    return false;  // a folder others could plant sockets in is not asked
  }
  if (dirFd < 0) return false;
  std::vector<Peer> peers = ConnectAll(dirFd, CWorkingDir::UserFolder());
  ::close(dirFd);
  return AnyAnswers(peers, captionUtf8);
}

}  // namespace

int OpenUserFolder(bool create) {
  std::string folder = CWorkingDir::UserFolder();
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
      ThrowNotPrivate(folder, S_ISLNK(st.st_mode) ? "it is a symbolic link" : "it is not a folder");
    ThrowOsError(folder, err);
  }
  struct stat st;
  const char* why = nullptr;
  if (::fstat(fd, &st) != 0) why = "it cannot be examined";
  else if (st.st_uid != ::geteuid()) why = "it belongs to another user";
  else if (st.st_mode & 077) why = "group or others have access to it";
  if (why) {
    ::close(fd);
    ThrowNotPrivate(folder, why);
  }
  return fd;
}

CCaptionServer::~CCaptionServer() {
  if (m_thread.joinable()) {
    char c = 0;
    while (::write(m_nWake[1], &c, 1) < 0 && errno == EINTR) {
    }
    m_thread.join();
  }
  if (m_nListen >= 0) {
    ::close(m_nListen);
    ::unlinkat(m_nFolder, m_strName.c_str(), 0);
  }
  for (int fd : {m_nWake[0], m_nWake[1], m_nFolder})
    if (fd >= 0) ::close(fd);
}

bool CCaptionServer::Listen(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::string folder = CWorkingDir::UserFolder();
  try {
    m_nFolder = OpenUserFolder(true);
  } catch (const CFileException& e) {
    return fail(e.what());
  }
  m_strName = kSocketPrefix + std::to_string(::getpid());
  sockaddr_un addr;
  if (!SocketAddress(m_nFolder, folder, m_strName, &addr))
    return fail(folder + " is too long a path for a socket.");
  ::unlinkat(m_nFolder, m_strName.c_str(), 0);
  // Non-blocking, so that a client that gave up before accept cannot stall
  // the serving thread.
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd, 16) != 0) {
    int err = errno;
    if (fd >= 0) ::close(fd);
    return fail("The socket " + folder + "/" + m_strName + " cannot be made (" +
                std::strerror(err) + ").");
  }
  if (::pipe2(m_nWake, O_CLOEXEC) != 0) {
    int err = errno;
    ::close(fd);
    ::unlinkat(m_nFolder, m_strName.c_str(), 0);
    return fail(std::string("No pipe for the caption server (") + std::strerror(err) + ").");
  }
  m_nListen = fd;  // from here on the destructor closes and removes it
  try {
    m_thread = std::thread([this] { Serve(); });
  } catch (const std::system_error& e) {
    return fail(std::string("No thread for the caption server (") + e.what() + ").");
  }
  m_strPath = folder + "/" + m_strName;
  return true;
}

void CCaptionServer::SetCaption(const std::string& utf8) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strCaption = utf8;
}

void CCaptionServer::Serve() {
  for (;;) {
    pollfd fds[2] = {{m_nListen, POLLIN, 0}, {m_nWake[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    int client = ::accept4(m_nListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0) continue;
    std::string caption;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      caption = m_strCaption;
    }
    // A caption fits the socket buffer whole; MSG_NOSIGNAL, because a client
    // that already gave up must not end this process with SIGPIPE.
    ::send(client, caption.data(), caption.size(), MSG_NOSIGNAL);
    ::close(client);
  }
}

CStartLock::CStartLock(int waitMs) {
  int dirFd = -1;
  try {
    dirFd = OpenUserFolder(true);
  } catch (const CFileException&) {
    return;
  }
  int fd = ::openat(dirFd, "guard.lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  ::close(dirFd);
  if (fd < 0) return;
  for (int waited = 0;; waited += 5) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      m_nFd = fd;
      return;
    }
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) break;
    ::usleep(5000);
  }
  ::close(fd);
}

CStartLock::~CStartLock() {
  if (m_nFd >= 0) ::close(m_nFd);  // closing releases the lock
}

std::unique_ptr<IWindowFinder> MakeCaptionSocketFinder() {
  return std::make_unique<CaptionSocketFinder>();
}
