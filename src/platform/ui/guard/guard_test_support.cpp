#include "platform/ui/guard/guard_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

LineChild::LineChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::optional<std::string>>& env) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  // Built before fork: the child of a threaded process may only exec.
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (env.count(entry.substr(0, entry.find('=')))) continue;
    envStrings.push_back(entry);
  }
  for (const auto& [name, value] : env)
    if (value) envStrings.push_back(name + "=" + *value);
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  m_in = in[1];
  m_out = out[0];
  fcntl(m_out, F_SETFL, O_NONBLOCK);
}

LineChild::~LineChild() {
  if (m_pid > 0 && Wait(1000) == -1 && m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  if (m_out >= 0) close(m_out);
}

std::optional<std::string> LineChild::ReadLine(int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t nl = m_buffered.find('\n');
    if (nl != std::string::npos) {
      std::string line = m_buffered.substr(0, nl);
      m_buffered.erase(0, nl + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{m_out, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[4096];
    ssize_t n = read(m_out, buf, sizeof buf);
    if (n == 0) return std::nullopt;
    if (n > 0) m_buffered.append(buf, static_cast<size_t>(n));
  }
}

void LineChild::WriteLine(const std::string& line) {
  std::string s = line + "\n";
  if (write(m_in, s.data(), s.size()) != static_cast<ssize_t>(s.size()))
    throw std::runtime_error("write to child failed");
}

int LineChild::Wait(int timeoutMs) {
  if (m_in >= 0) {
    close(m_in);
    m_in = -1;
  }
  if (m_pid <= 0) return -1;
  int status = 0;
  bool ended = WaitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeoutMs);
  if (!ended) return -1;
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

XvfbDisplay::XvfbDisplay() {
  const char* xvfb = "/usr/bin/Xvfb";
  if (access(xvfb, X_OK) != 0) return;
  // -displayfd: Xvfb takes the first free display number and writes it out
  // once it accepts connections.
  m_pServer = std::make_unique<LineChild>(std::vector<std::string>{xvfb, "-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                             "800x600x24"});
  std::optional<std::string> number = m_pServer->ReadLine(20000);
  if (!number || number->empty()) return;
  m_name = ":" + *number;
  if (const char* old = std::getenv("DISPLAY")) m_oldDisplay = old;
  setenv("DISPLAY", m_name.c_str(), 1);
}

XvfbDisplay::~XvfbDisplay() {
  if (m_pServer && m_pServer->pid() > 0) kill(m_pServer->pid(), SIGTERM);
  if (m_oldDisplay) setenv("DISPLAY", m_oldDisplay->c_str(), 1);
  else unsetenv("DISPLAY");
}

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

const char kMainCaption[] = "ソース選択 - Tolvane For Windows95";
const char kFileCaption[] = "main.c - Tolvane For Windows95";

std::string GuardCopyPath() { return TOLVANE_GUARD_COPY_PATH; }
