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
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "platform/files/file_exception.h"
#include "platform/files/removed_on_signal.h"
#include "platform/files/working_dir.h"
#include "platform/ui/guard/window_finder.h"

namespace {

// The start of every socket name of this display's copies; the pid follows.
std::string SocketPrefix() {
  std::string key = GuardDisplayKey();
  std::string prefix = "guard-";
  for (unsigned char c : key) {
    if (std::isalnum(c) || c == '.' || c == ':' || c == '_') {
      prefix += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      prefix += '%';
      prefix += kHex[c >> 4];
      prefix += kHex[c & 15];
    }
  }
  return key.empty() ? prefix : prefix + "-";
}

// The abstract socket names of copies that found no private folder: they
// hold the uid and a hash of the per-user folder's path, so that copies meet
// where they would have met in that folder (a session with a runtime folder
// of its own, a test run, meets nobody else). Another user can take any of
// them first. That can hide a copy from later ones; it cannot stop a start,
// since an answer counts only from a peer of this user.
std::string AbstractFolder() {
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (unsigned char c : CWorkingDir::UserFolder()) hash = (hash ^ c) * 0x100000001b3u;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return "tolvane-" + std::to_string(::geteuid()) + "-" + hex + "/";
}

// The address of name inside the folder open as dirFd. A path too long for
// sun_path is reached through the descriptor instead.
bool SocketAddress(int dirFd, const std::string& folder, const std::string& name,
                   sockaddr_un* addr, socklen_t* len) {
  std::string path = folder + "/" + name;
  if (path.size() >= sizeof addr->sun_path)
    path = "/proc/self/fd/" + std::to_string(dirFd) + "/" + name;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  *len = sizeof *addr;
  return true;
}

bool AbstractAddress(const std::string& name, sockaddr_un* addr, socklen_t* len) {
  std::string path = AbstractFolder() + name;
  if (path.size() + 1 > sizeof addr->sun_path) return false;
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path + 1, path.data(), path.size());  // sun_path[0] == 0: abstract
  *len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
  return true;
}

// The pid in a socket's name, or 0 when the name is not one of this display's.
pid_t PidOfSocketName(const char* name, const std::string& prefix) {
  if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0 || name[prefix.size()] == '\0')
    return 0;
  pid_t pid = 0;
  for (const char* p = name + prefix.size(); *p; ++p) {
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

// Connects without waiting; keeps the socket only when its peer runs as
// this user. Returns -1 otherwise, errno set by a failed connect.
int ConnectToSameUser(const sockaddr_un& addr, socklen_t len) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // A local connect completes at once or fails at once; EAGAIN (a full
  // backlog) is a copy too busy to answer in time anyway.
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0) {
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  ucred cred;
  socklen_t credLen = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 ||
      cred.uid != ::geteuid()) {
    ::close(fd);
    errno = EPERM;
    return -1;
  }
  return fd;
}

using Clock = std::chrono::steady_clock;

// One search: every peer it reached, and what it may still spend. Each
// connection tried counts against the cap, and none is tried once the
// deadline has passed, so that sockets planted by the thousand cost a start
// no more than one hung copy does.
struct Search {
  Clock::time_point deadline;
  int triesLeft = kMaxCaptionPeers;
  std::vector<Peer> peers;

  bool MayTry() const { return triesLeft > 0 && Clock::now() < deadline; }
  // Connects to addr; false when the connection failed, errno set.
  bool Try(const sockaddr_un& addr, socklen_t len) {
    --triesLeft;
    int fd = ConnectToSameUser(addr, len);
    if (fd < 0) return false;
    peers.push_back(Peer{fd, std::string()});
    return true;
  }
};

class CaptionSocketFinder : public IWindowFinder {
 public:
  explicit CaptionSocketFinder(int timeoutMs) : m_nTimeoutMs(timeoutMs) {}
  bool HasTopLevelWindow(const std::string& captionUtf8) override;

 private:
  static void ConnectAll(int dirFd, const std::string& folder, Search& search);
  static void ConnectAllAbstract(Search& search);
  static bool AnyAnswers(Search& search, const std::string& captionUtf8);

  int m_nTimeoutMs;
};

void CaptionSocketFinder::ConnectAll(int dirFd, const std::string& folder, Search& search) {
  int listFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);  // closedir closes it
  DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (!dir) {
    if (listFd >= 0) ::close(listFd);
    return;
  }
  const std::string prefix = SocketPrefix();
  while (search.MayTry()) {
    dirent* e = ::readdir(dir);
    if (!e) break;
    pid_t pid = PidOfSocketName(e->d_name, prefix);
    struct stat st;
    sockaddr_un addr;
    socklen_t len;
    if (pid == 0 || ::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISSOCK(st.st_mode) || !SocketAddress(dirFd, folder, e->d_name, &addr, &len))
      continue;
    if (!search.Try(addr, len) && errno == ECONNREFUSED && IsLeftOver(pid))
      ::unlinkat(dirFd, e->d_name, 0);
  }
  ::closedir(dir);
}

// The abstract names in use are listed by the kernel, one socket a line,
// the name last, written with a leading "@".
void CaptionSocketFinder::ConnectAllAbstract(Search& search) {
  std::ifstream table("/proc/net/unix");
  const std::string lead = "@" + AbstractFolder(), prefix = SocketPrefix();
  std::string line;
  // A listening socket and the sockets it accepted share the name.
  std::unordered_set<std::string> seen;
  while (search.MayTry() && std::getline(table, line)) {
    std::size_t at = line.find(lead);
    if (at == std::string::npos || at == 0 || line[at - 1] != ' ') continue;
    std::string name = line.substr(at + lead.size());
    sockaddr_un addr;
    socklen_t len;
    if (PidOfSocketName(name.c_str(), prefix) == 0 || !AbstractAddress(name, &addr, &len) ||
        !seen.insert(name).second)
      continue;
    search.Try(addr, len);
  }
}

// Reads every peer's caption at once under the search's deadline, so that
// a copy that hangs costs the timeout once, however many there are.
bool CaptionSocketFinder::AnyAnswers(Search& search, const std::string& captionUtf8) {
  std::vector<Peer>& peers = search.peers;
  bool found = false;
  std::vector<pollfd> fds;
  for (;;) {
    fds.clear();
    for (const Peer& p : peers)
      if (p.fd >= 0) fds.push_back(pollfd{p.fd, POLLIN, 0});
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(search.deadline - Clock::now());
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

// The copies are looked for where this copy would serve: in the per-user
// folder, or under abstract names only when no private folder can be had
// (see CCaptionServer::Listen).
bool CaptionSocketFinder::HasTopLevelWindow(const std::string& captionUtf8) {
  Search search;
  search.deadline = Clock::now() + std::chrono::milliseconds(m_nTimeoutMs);
  int dirFd = -1;
  try {
    dirFd = CWorkingDir::OpenUserFolder(true);
  } catch (const CFileException&) {
    // No private folder: the copies serve under abstract names.
  }
  if (dirFd >= 0) {
    ConnectAll(dirFd, CWorkingDir::UserFolder(), search);
    ::close(dirFd);
  } else {
    ConnectAllAbstract(search);
  }
  return AnyAnswers(search, captionUtf8);
}

}  // namespace

std::string GuardDisplayKey() {
  const char* x = std::getenv("DISPLAY");
  if (x && *x) {
    // ":0" and ":0.1" are two screens of one display.
    std::string display = x;
    std::size_t colon = display.rfind(':'), dot = display.rfind('.');
    if (colon != std::string::npos && dot != std::string::npos && dot > colon)
      display.erase(dot);
    return display;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland && *wayland ? std::string("wayland:") + wayland : std::string();
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
    if (m_nFolder >= 0) ::unlinkat(m_nFolder, m_strName.c_str(), 0);
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
  std::string folderError;
  try {
    m_nFolder = CWorkingDir::OpenUserFolder(true);
  } catch (const CFileException& e) {
    folderError = e.what();
  }
  m_strName = SocketPrefix() + std::to_string(::getpid());
  sockaddr_un addr;
  socklen_t len;
  std::string where;
  if (m_nFolder >= 0) {
    if (!SocketAddress(m_nFolder, folder, m_strName, &addr, &len))
      return fail(folder + " is too long a path for a socket.");
    ::unlinkat(m_nFolder, m_strName.c_str(), 0);
    where = folder + "/" + m_strName;
  } else {
    // No folder to trust: a name in the abstract namespace serves instead.
    if (!AbstractAddress(m_strName, &addr, &len)) return fail(folderError);
    where = "@" + AbstractFolder() + m_strName;
  }
  // Non-blocking, so that a client that gave up before accept cannot stall
  // the serving thread.
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
      ::listen(fd, 16) != 0) {
    int err = errno;
    if (fd >= 0) ::close(fd);
    return fail("The socket " + where + " cannot be made (" + std::strerror(err) + ").");
  }
  if (::pipe2(m_nWake, O_CLOEXEC) != 0) {
    int err = errno;
    ::close(fd);
    if (m_nFolder >= 0) ::unlinkat(m_nFolder, m_strName.c_str(), 0);
    return fail(std::string("No pipe for the caption server (") + std::strerror(err) + ").");
  }
  m_nListen = fd;  // from here on the destructor closes and removes it
  try {
    m_thread = StartThreadWithoutSignals([this] { Serve(); });
  } catch (const std::system_error& e) {
    return fail(std::string("No thread for the caption server (") + e.what() + ").");
  }
  m_strPath = where;
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
    // The caption is this user's business only.
    ucred cred;
    socklen_t credLen = sizeof cred;
    if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0 ||
        cred.uid != ::geteuid()) {
      ::close(client);
      continue;
    }
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
    dirFd = CWorkingDir::OpenUserFolder(true);
  } catch (const CFileException&) {
    return;
  }
  std::string name = SocketPrefix();
  if (name.back() == '-') name.pop_back();
  name += ".lock";
  int fd = ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
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

std::unique_ptr<IWindowFinder> MakeCaptionSocketFinder(int timeoutMs) {
  return std::make_unique<CaptionSocketFinder>(timeoutMs);
}

std::unique_ptr<IWindowFinder> MakeCaptionSocketFinder() {
  return MakeCaptionSocketFinder(kCaptionReplyTimeoutMs);
}
