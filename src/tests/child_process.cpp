#include "tests/child_process.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

Child::Child(const std::vector<std::string>& argv, bool captureErr) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int in[2], out[2], err[2] = {-1, -1};
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
      (captureErr && pipe2(err, O_CLOEXEC) != 0))
    throw std::runtime_error("pipe failed");
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    if (err[1] >= 0) dup2(err[1], 2);
    signal(SIGPIPE, SIG_DFL);
    execv(args[0], args.data());
    _exit(127);
  }
  for (int fd : {in[0], out[1], err[1]})
    if (fd >= 0) close(fd);
  m_in = in[1];
  m_out = out[0];
  m_err = err[0];
}

Child::~Child() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    Wait();
  }
}

std::optional<std::string> Child::ReadLine(int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t nl;
  while ((nl = m_read.find('\n')) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    pollfd p{m_out, POLLIN, 0};
    char buf[4096];
    ssize_t n = 0;
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
        (n = read(m_out, buf, sizeof buf)) <= 0)
      return std::nullopt;
    m_read.append(buf, static_cast<std::size_t>(n));
  }
  std::string line = m_read.substr(0, nl);
  m_read.erase(0, nl + 1);
  return line;
}

void Child::WriteLine(const std::string& line) {
  std::string s = line + "\n";
  if (write(m_in, s.data(), s.size()) != static_cast<ssize_t>(s.size()))
    throw std::runtime_error("write to child failed");
}

ChildResult Child::Wait() {
  ChildResult r;
  r.out = std::move(m_read);
  close(m_in);
  // Both pipes are read as output comes, so that neither fills up.
  pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    int ready = poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
  int status = 0;
  while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
  }
  m_pid = m_in = m_out = m_err = -1;
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

ChildResult RunChild(const std::vector<std::string>& argv) {
  return Child(argv).Wait();
}
