// Test helpers for the single-instance guard: a child process spoken to line
// by line, and a private Xvfb display.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

/// A running child with pipes on its standard input and output.
class LineChild {
 public:
  /// env: changes to this process's environment; nullopt unsets a variable.
  LineChild(const std::vector<std::string>& argv,
            const std::map<std::string, std::optional<std::string>>& env = {});
  /// Closes its input; kills it when it has not ended a second later.
  ~LineChild();
  LineChild(const LineChild&) = delete;
  LineChild& operator=(const LineChild&) = delete;

  /// The next line of its output without the line feed; nullopt when none
  /// comes within timeoutMs or the output ended.
  std::optional<std::string> ReadLine(int timeoutMs = 10000);
  void WriteLine(const std::string& line);
  /// Closes its input and waits at most timeoutMs for its exit status
  /// (-1: killed by a signal or still running).
  int Wait(int timeoutMs = 10000);
  pid_t pid() const { return m_pid; }

 private:
  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  std::string m_buffered;
};

/// An Xvfb server on a display number it picks itself; DISPLAY is pointed at
/// it while the object lives. IsUp() is false when Xvfb is not installed.
class XvfbDisplay {
 public:
  XvfbDisplay();
  ~XvfbDisplay();
  bool IsUp() const { return !m_name.empty(); }
  const std::string& name() const { return m_name; }

 private:
  std::unique_ptr<LineChild> m_pServer;
  std::string m_name;
  std::optional<std::string> m_oldDisplay;
};

/// Sets (or, with nullopt, unsets) an environment variable while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

/// The main window's first caption, which a second copy must not find.
extern const char kMainCaption[];
/// The caption once a file is open: it must not block a start.
extern const char kFileCaption[];

/// Polls until pred() holds, for at most timeoutMs; returns pred()'s last value.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 10000);

/// Where the guard_copy test program is.
std::string GuardCopyPath();

#include <chrono>
#include <thread>
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}
