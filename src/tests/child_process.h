// Test helper: runs a program with its own environment and working folder,
// capturing its standard output and error.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct ChildOptions {
  /// Changes to the environment: a value sets the variable, nullopt unsets it.
  std::map<std::string, std::optional<std::string>> env;
  std::string cwd;  // "" keeps the current folder
};

struct ChildResult {
  int exitCode = -1;  // -1 when the child was killed by a signal
  int signal = 0;     // the signal that ended it, 0 if it exited
  std::string out;
  std::string err;
};

/// A running child. Its output pipes are read only by Wait(), so a child
/// that writes much blocks until then.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const ChildOptions& options);
  ~Child();
  pid_t pid() const { return m_pid; }
  /// Reads all output and waits for the child to end.
  ChildResult Wait();

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
};

/// Runs argv to its end.
ChildResult RunChild(const std::vector<std::string>& argv,
                     const ChildOptions& options = ChildOptions());
