// Paths that a fatal signal (SIGINT, SIGTERM, SIGHUP, SIGQUIT) removes before
// the process ends with that signal: the working files of a run, and the
// temporary file of a report being written beside the user's sources. Either
// would otherwise be left behind by Ctrl-C or a closed terminal.
#pragma once

#include <cstddef>
#include <string>

class CRemovedOnSignal {
 public:
  enum Kind { kFile, kFolder };

  /// From now until destroyed, a fatal signal removes path: files first,
  /// then (empty) folders, then the process ends with the signal as it would
  /// have without the handler. A signal that was ignored when the first path
  /// was registered stays ignored. A path longer than kMaxPath, or one past
  /// kSlots registered at once, is not registered. Any thread.
  CRemovedOnSignal(const std::string& path, Kind kind);
  ~CRemovedOnSignal();
  CRemovedOnSignal(const CRemovedOnSignal&) = delete;
  CRemovedOnSignal& operator=(const CRemovedOnSignal&) = delete;

  static constexpr int kSlots = 16;
  static constexpr std::size_t kMaxPath = 4095;

 private:
  int m_nSlot = -1;
};
