// Test helpers for the single-instance guard: a child process spoken to line
// by line, a private Xvfb display, and the captions the guard compares.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/child_process.h"

/// The main window's first caption, which a second copy must not find.
extern const char kMainCaption[];
/// The caption once a file is open: it must not block a start.
extern const char kFileCaption[];
/// The guard_copy test program.
extern const char kGuardCopy[];

/// Sets (or, with nullopt, unsets) an environment variable while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value);
  ~ScopedEnv();

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

/// A child spoken to line by line, its standard error the test's own; start
/// it through /usr/bin/env to change its environment.
class LineChild : public Child {
 public:
  explicit LineChild(const std::vector<std::string>& argv) : Child(argv, false) {}
  /// Closes its input and waits for its exit status (-1: ended by a signal).
  int Wait() { return Child::Wait().exitCode; }
};

/// An Xvfb server on a display number it picks itself, with DISPLAY pointed
/// at it while the object lives. IsUp() is false when Xvfb is not installed.
class XvfbDisplay {
 public:
  XvfbDisplay();
  /// Ends the server with SIGTERM, so that it removes its lock and socket.
  ~XvfbDisplay();
  bool IsUp() const { return m_pDisplay != nullptr; }

 private:
  std::unique_ptr<LineChild> m_pServer;
  std::unique_ptr<ScopedEnv> m_pDisplay;
};

/// Polls pred() until it holds, for at most timeoutMs; returns its last value.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}
