// CBusyWait: for a handler that keeps the event loop waiting while work
// goes on elsewhere, on other threads.
#pragma once

#include <memory>

class InputBlocker;

/// While it lives, the program's windows take no input: clicks, keys, the
/// wheel, menus and accelerators are dropped, not kept for later, so that
/// nothing starts while the handler waits. A request to close a window
/// waits too: the window closes once the handler has returned to the event
/// loop (after any message box it shows on the way).
class CBusyWait {
 public:
  CBusyWait();
  ~CBusyWait();
  CBusyWait(const CBusyWait&) = delete;
  CBusyWait& operator=(const CBusyWait&) = delete;

  /// Serves the events waiting, input aside: the windows paint, move and
  /// take their new sizes.
  void Pump();

 private:
  std::unique_ptr<InputBlocker> m_pBlocker;
};
