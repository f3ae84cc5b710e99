// Paths that a fatal signal removes before the process ends with that
// signal: the working files of a run, and the temporary file of a report or
// of tolvane-xref's output being written beside the user's files. Each
// would otherwise be left behind by Ctrl-C, a closed terminal, a kill, a
// CPU time limit or a crash.
//
// A folder is made and registered by a thread that blocks the signals
// meanwhile (CSignalsBlocked), so that no handler can run before it knows
// the folder. The program's own threads are started with those signals
// blocked for good (StartThreadWithoutSignals), so that only the main
// thread takes them; threads a toolkit starts on its own (Qt's) may take
// one too, and their handler then waits for the registration to end.
#pragma once

#include <csignal>
#include <cstddef>
#include <string>
#include <thread>
#include <utility>

class CRemovedOnSignal {
 public:
  enum Kind { kFile, kFolder };

  /// From now until destroyed, a fatal signal (SIGINT, SIGTERM, SIGHUP,
  /// SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
  /// SIGPWR; SIGABRT, SIGSEGV, SIGBUS) removes path: files first, then
  /// (empty) folders, then the process ends with the signal as it would
  /// have without the handler. A signal that was ignored when the first path
  /// was registered stays ignored. A path longer than kMaxPath, or one past
  /// kSlots registered at once, is not registered. Any thread.
  CRemovedOnSignal(const std::string& path, Kind kind);
  ~CRemovedOnSignal();
  CRemovedOnSignal(const CRemovedOnSignal&) = delete;
  CRemovedOnSignal& operator=(const CRemovedOnSignal&) = delete;

  // Enough for the working files of 256 analysing threads (two files and
  // a folder each) and the program's other paths.
  static constexpr int kSlots = 800;
  static constexpr std::size_t kMaxPath = 4095;

 private:
  int m_nSlot = -1;
};

/// The signals sent from outside that remove the registered paths (the
/// list above less SIGABRT, SIGSEGV and SIGBUS, which a thread raises on
/// itself).
sigset_t SignalsFromOutside();

/// Blocks SignalsFromOutside() on the calling thread for its lifetime;
/// a thread started meanwhile keeps them blocked for good.
class CSignalsBlocked {
 public:
  CSignalsBlocked();
  ~CSignalsBlocked();
  CSignalsBlocked(const CSignalsBlocked&) = delete;
  CSignalsBlocked& operator=(const CSignalsBlocked&) = delete;

 private:
  sigset_t m_old;
};

/// Starts a thread running f(args...) with SignalsFromOutside() blocked in
/// it, so that they reach the main thread only. Every thread of the
/// program other than the main one is started this way. Throws
/// std::system_error as std::thread does.
template <class F, class... Args>
std::thread StartThreadWithoutSignals(F&& f, Args&&... args) {
  CSignalsBlocked blocked;
  return std::thread(std::forward<F>(f), std::forward<Args>(args)...);
}
