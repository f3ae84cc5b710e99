// The caption sockets: every running copy of the desktop program serves its
// main window's current caption on a socket of its own, guard-<pid>, in the
// private per-user folder (CWorkingDir::UserFolder()). A starting copy asks
// them all (MakeCaptionSocketFinder), so that it finds the others even where
// no window system shows it their windows (offscreen, Wayland). A client
// connects and reads the caption, UTF-8, up to the end of the stream.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

/// How long a starting copy waits for all the other copies together.
constexpr int kCaptionReplyTimeoutMs = 200;

/// Opens the per-user folder as a directory descriptor (close-on-exec).
/// When it is missing: creates it with mode 0700 if create is set, else
/// returns -1. Throws CFileException naming the folder when it is a symbolic
/// link, not a folder, not this user's or open to group or others
/// (notPrivate), or when it cannot be created or opened.
int OpenUserFolder(bool create);

/// Serves one caption on this process's socket until destroyed.
class CCaptionServer {
 public:
  CCaptionServer() = default;
  /// Stops serving and removes the socket.
  ~CCaptionServer();
  CCaptionServer(const CCaptionServer&) = delete;
  CCaptionServer& operator=(const CCaptionServer&) = delete;

  /// Binds guard-<pid> in the per-user folder (created when missing; a file
  /// of that name left by an earlier process is replaced) and answers from a
  /// thread of its own, so that a busy GUI thread does not keep a starting
  /// copy waiting. Returns false, with the reason in *error, when the folder
  /// is not private or the socket cannot be made. REQUIRES: not listening.
  bool Listen(std::string* error = nullptr);

  /// The caption served from now on ("" until called). Any thread, any time.
  void SetCaption(const std::string& utf8);

  /// The socket's path; "" when not listening.
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

/// Holds the per-user start-up lock (guard.lock in the per-user folder)
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
