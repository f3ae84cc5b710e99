// The caption sockets: every running copy of the desktop program serves its
// main window's current caption on a socket of its own, guard-<display>-<pid>,
// in the private per-user folder (CWorkingDir::UserFolder()). A starting copy
// asks those of its own display (MakeCaptionSocketFinder), so that it finds
// the others even where no window system shows it their windows (offscreen,
// Wayland), and a copy on another display (ssh -X, a second seat) does not
// count. A client connects and reads the caption, UTF-8, up to the end of
// the stream. Either side trusts only a peer of the same user.
//
// When no private per-user folder can be had, the socket takes a name in the
// abstract namespace, tolvane-<uid>-<hash of the folder's path>/guard-<display>-<pid>,
// and only then does a starting copy look for such names. Another user can
// take such a name first, or plant any number of them: that can hide a copy
// from later ones, never refuse a start, and never make one wait longer than
// kCaptionReplyTimeoutMs.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

/// How long a starting copy's whole search takes at most: finding the other
/// copies' sockets, connecting and waiting for all of their answers.
constexpr int kCaptionReplyTimeoutMs = 200;
/// How many sockets one search connects to at most.
constexpr int kMaxCaptionPeers = 64;

class IWindowFinder;

/// The finder of MakeCaptionSocketFinder() with a search that ends timeoutMs
/// after it starts (with 0, before the first connection).
std::unique_ptr<IWindowFinder> MakeCaptionSocketFinder(int timeoutMs);

/// The display whose copies a start looks for: DISPLAY without its screen
/// number, else "wayland:" and WAYLAND_DISPLAY, else "" (no display).
std::string GuardDisplayKey();

/// Serves one caption on this process's socket until destroyed.
class CCaptionServer {
 public:
  CCaptionServer() = default;
  /// Stops serving and removes the socket.
  ~CCaptionServer();
  CCaptionServer(const CCaptionServer&) = delete;
  CCaptionServer& operator=(const CCaptionServer&) = delete;

  /// Binds guard-<display>-<pid> in the per-user folder (created when
  /// missing; a file of that name left by an earlier process is replaced),
  /// or in the abstract namespace when that folder cannot be trusted, and
  /// answers peers of this user from a
  /// thread of its own, so that a busy GUI thread does not keep a starting
  /// copy waiting. Returns false, with the reason in *error, when the socket
  /// cannot be made. REQUIRES: not listening.
  bool Listen(std::string* error = nullptr);

  /// The caption served from now on ("" until called). Any thread, any time.
  void SetCaption(const std::string& utf8);

  /// The socket's path ("@" and the name for an abstract one); "" when not
  /// listening.
  const std::string& GetPath() const { return m_strPath; }

 private:
  void Serve();

  std::mutex m_mutex;
  std::string m_strCaption;  // guarded by m_mutex
  std::string m_strPath;
  std::string m_strName;
  int m_nFolder = -1;
  int m_nListen = -1;
  int m_nWake[2] = {-1, -1};  // written to stop Serve()
  std::thread m_thread;
};

/// Holds the display's start-up lock (guard-<display>.lock in the per-user folder)
/// while it lives, so that two copies started together do not both find no
/// other copy: the second asks only once the first serves its caption. Waits
/// at most waitMs for a holder, then goes on without the lock rather than
/// hang behind a stopped process. Without a usable folder it holds nothing.
class CStartLock {
 public:
  explicit CStartLock(int waitMs = 1000);
  ~CStartLock();
  CStartLock(const CStartLock&) = delete;
  CStartLock& operator=(const CStartLock&) = delete;

 private:
  int m_nFd = -1;
};
