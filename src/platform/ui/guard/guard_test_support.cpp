#include "platform/ui/guard/guard_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

extern char** environ;

const char kMainCaption[] = "ソース選択 - Tolvane For Windows95";
const char kFileCaption[] = "main.c - Tolvane For Windows95";
const char kGuardCopy[] = TOLVANE_GUARD_COPY_PATH;

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value)
    : m_name(name) {
  if (const char* old = std::getenv(name)) m_old = old;
  if (value) setenv(name, value->c_str(), 1);
  else unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (m_old) setenv(m_name, m_old->c_str(), 1);
  else unsetenv(m_name);
}

LineChild::LineChild(const std::vector<std::string>& argv) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  int rc = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  m_in = in[1];
  m_out = out[0];
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
}

LineChild::~LineChild() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  for (int fd : {m_in, m_out})
    if (fd >= 0) close(fd);
}

std::optional<std::string> LineChild::ReadLine(int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t nl;
  while ((nl = m_buffered.find('\n')) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    pollfd p{m_out, POLLIN, 0};
    char buf[4096];
    ssize_t n = 0;
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
        (n = read(m_out, buf, sizeof buf)) <= 0)
      return std::nullopt;
    m_buffered.append(buf, static_cast<size_t>(n));
  }
  std::string line = m_buffered.substr(0, nl);
  m_buffered.erase(0, nl + 1);
  return line;
}

void LineChild::WriteLine(const std::string& line) {
  std::string s = line + "\n";
  if (write(m_in, s.data(), s.size()) != static_cast<ssize_t>(s.size()))
    throw std::runtime_error("write to child failed");
}

int LineChild::Wait() {
  close(m_in);
  m_in = -1;
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

XvfbDisplay::XvfbDisplay() {
  const char* xvfb = "/usr/bin/Xvfb";
  if (access(xvfb, X_OK) != 0) return;
  // -displayfd: Xvfb takes the first free display number and writes it out
  // once it accepts connections. -noreset: no reset (during which connections
  // fail) each time the last client leaves.
  m_pServer.reset(new LineChild({xvfb, "-displayfd", "1", "-nolisten", "tcp", "-noreset"}));
  if (std::optional<std::string> number = m_pServer->ReadLine(20000))
    m_pDisplay = std::make_unique<ScopedEnv>("DISPLAY", ":" + *number);
}

XvfbDisplay::~XvfbDisplay() {
  if (m_pServer) {
    kill(m_pServer->pid(), SIGTERM);
    m_pServer->Wait();
  }
}
