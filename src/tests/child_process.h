// Test helper: runs a program with pipes on its standard input and output
// and, unless told otherwise, its standard error. A child started through
// /usr/bin/env gets an environment and a working folder of its own.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct ChildResult {
  int exitCode = -1;  // -1 when the child was killed by a signal
  int signal = 0;     // the signal that ended it, 0 if it exited
  std::string out;
  std::string err;
};

/// A running child, killed when destroyed unless Wait() saw it end. argv[0]
/// is a full path. Its output is read only by ReadLine() and Wait(), so a
/// child that writes much blocks meanwhile. Without captureErr it writes
/// to the test's standard error.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv, bool captureErr = true);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return m_pid; }
  /// The next line of its output, without the line feed; nullopt when none
  /// comes within timeoutMs or the output ends.
  std::optional<std::string> ReadLine(int timeoutMs = 10000);
  void WriteLine(const std::string& line);
  /// Closes its input, reads the rest of its output and waits for it to end.
  ChildResult Wait();

 private:
  pid_t m_pid = -1;
  int m_in = -1, m_out = -1, m_err = -1;
  std::string m_read;  // output read but not yet returned
};

/// Runs argv to its end, its input empty.
ChildResult RunChild(const std::vector<std::string>& argv);
