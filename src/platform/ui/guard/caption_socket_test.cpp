#include "platform/ui/guard/caption_socket.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <optional>
#include <regex>
#include <cstdio>
#include <vector>
#include <cstring>
#include <string>

#include "platform/files/working_dir.h"
#include "platform/ui/guard/guard_test_support.h"
#include "platform/ui/guard/instance_guard.h"
#include "platform/ui/guard/window_finder.h"
#include "tests/temp_dir.h"

namespace {

bool Finds(const std::string& caption) {
  return MakeCaptionSocketFinder()->HasTopLevelWindow(caption);
}

// A socket bound at path; listening or not, it never accepts.
int BoundSocket(const std::string& path, bool listening) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{AF_UNIX, {}};
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
  EXPECT_TRUE(!listening || listen(fd, 4) == 0);
  return fd;
}

// Each test has a runtime folder of its own, which holds the user folder.
class CaptionSockets : public ::testing::Test {
 protected:
  TempDir m_base;
  ScopedEnv m_env{"XDG_RUNTIME_DIR", m_base.path()};
  ScopedEnv m_noWayland{"WAYLAND_DISPLAY", std::nullopt}, m_noDisplay{"DISPLAY", std::nullopt};
};

// The caption is served whole until the server is destroyed. A folder
// others could plant sockets in (open, a link, a file) is not used: the
// copies meet under abstract names instead, and never stop a start. The
// socket path below the long runtime folder is too long for an address.
TEST_F(CaptionSockets, ServeTheCaptionWholeUntilTheServerIsDestroyed) {
  const std::string pid = std::to_string(getpid()), folder = m_base.Join("tolvane");
  // The abstract names hold the uid and a hash of the runtime folder's path.
  const std::string abstract = "@tolvane-" + std::to_string(geteuid()) + "-[0-9a-f]{16}/guard-" + pid;
  for (std::string setup : {"", "long", "open", "link", "file"}) {
    SCOPED_TRACE(setup);
    std::string runtime = setup == "long" ? m_base.Join(std::string(120, 'd')) : m_base.path();
    mkdir(runtime.c_str(), 0700);
    ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    if (setup == "open") mkdir(folder.c_str(), 0777), chmod(folder.c_str(), 0777);
    if (setup == "link") symlink(m_base.path().c_str(), folder.c_str());
    if (setup == "file") WriteWholeFile(folder, "");
    const bool trusted = setup.empty() || setup == "long";
    std::string socket;
    {
      CCaptionServer server;
      server.SetCaption(kMainCaption);
      ASSERT_TRUE(server.Listen());
      socket = server.GetPath();
      if (trusted)
        EXPECT_EQ(socket, runtime + "/tolvane/guard-" + pid);
      else
        EXPECT_TRUE(std::regex_match(socket, std::regex(abstract))) << socket;
      EXPECT_TRUE(Finds(kMainCaption));
      {
        ScopedEnv elsewhere("XDG_RUNTIME_DIR", m_base.Join("elsewhere"));
        EXPECT_FALSE(Finds(kMainCaption));  // copies of another runtime folder meet elsewhere
      }
      EXPECT_FALSE(Finds(kFileCaption));
      EXPECT_FALSE(Finds("ソース選択"));  // a prefix of the caption
    }
    EXPECT_FALSE(Finds(kMainCaption));
    EXPECT_EQ(access(socket.c_str(), F_OK), -1);
    if (!trusted) std::remove(folder.c_str());
  }
}

TEST_F(CaptionSockets, PassOverPeersThatCannotAnswerAndRemoveLeftOvers) {
  CCaptionServer server;
  server.SetCaption(kMainCaption);
  ASSERT_TRUE(server.Listen());
  std::string folder = CWorkingDir::UserFolder();
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  std::string alive = "guard-" + std::to_string(getppid());
  close(BoundSocket(folder + "/guard-" + std::to_string(dead), false));  // left by a crash
  int starting = BoundSocket(folder + "/" + alive, false);  // between bind and listen
  int hung = BoundSocket(folder + "/guard-1", true);        // never accepts
  WriteWholeFile(folder + "/guard-2", "not a socket");

  EXPECT_TRUE(Finds(kMainCaption));
  EXPECT_FALSE(Finds(kFileCaption));
  EXPECT_EQ(access((folder + "/guard-" + std::to_string(dead)).c_str(), F_OK), -1);
  for (const std::string& kept : {std::string("guard-1"), std::string("guard-2"), alive})
    EXPECT_EQ(access((folder + "/" + kept).c_str(), F_OK), 0) << kept;
  close(starting);
  close(hung);
}

TEST_F(CaptionSockets, AnswerOnlyCopiesOfTheSameDisplay) {
  ScopedEnv display("DISPLAY", std::string(":7"));
  CCaptionServer server;
  server.SetCaption(kMainCaption);
  ASSERT_TRUE(server.Listen());
  EXPECT_EQ(server.GetPath(), m_base.path() + "/tolvane/guard-:7-" + std::to_string(getpid()));
  struct Row {
    std::optional<std::string> display, wayland;
    bool found;
  } rows[] = {
      {":7", std::nullopt, true},      {":7.1", std::nullopt, true},
      {":70", std::nullopt, false},    {"host:7", std::nullopt, false},
      {std::nullopt, "wayland-0", false}, {std::nullopt, std::nullopt, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display.value_or("-") + " " + row.wayland.value_or("-"));
    ScopedEnv d("DISPLAY", row.display), w("WAYLAND_DISPLAY", row.wayland);
    EXPECT_EQ(Finds(kMainCaption), row.found);
  }
}

// A listening socket of the abstract name (without the "@"), or -1.
int AbstractListener(const std::string& name) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{AF_UNIX, {}};
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr),
           static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())) != 0 ||
      listen(fd, 4) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The abstract name this process serves under while the per-user folder is
// open to others (without the "@").
std::string AbstractName(const std::string& folder) {
  mkdir(folder.c_str(), 0777);
  chmod(folder.c_str(), 0777);
  CCaptionServer server;
  EXPECT_TRUE(server.Listen());
  return server.GetPath().substr(1);
}

// Names planted by the hundred cost a start at most kMaxCaptionPeers
// connections, none once the deadline has passed, and one per name however
// often the name is listed (the listener and every connection it accepted).
TEST_F(CaptionSockets, TryAtMostTheCapOfPeersAndNoneAfterTheDeadline) {
  std::string name = AbstractName(m_base.Join("tolvane"));
  name.erase(name.rfind('-') + 1);  // the prefix of the pid
  std::vector<int> planted, accepted;
  for (int i = 0; i < kMaxCaptionPeers + 36; ++i) {
    planted.push_back(AbstractListener(name + std::to_string(10000000 + i)));
    ASSERT_GE(planted.back(), 0);
    fcntl(planted.back(), F_SETFL, O_NONBLOCK);
  }
  // How many connections each planted socket was asked for; the accepted
  // ones stay open.
  auto tried = [&] {
    std::vector<int> counts;
    for (int fd : planted) {
      int n = 0;
      for (int c; (c = accept(fd, nullptr, nullptr)) >= 0; ++n) accepted.push_back(c);
      counts.push_back(n);
    }
    return counts;
  };
  for (int round = 0; round < 2; ++round) {
    EXPECT_FALSE(Finds(kMainCaption));
    std::vector<int> counts = tried();
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), kMaxCaptionPeers);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 0), 36);
  }
  EXPECT_FALSE(MakeCaptionSocketFinder(0)->HasTopLevelWindow(kMainCaption));
  std::vector<int> counts = tried();
  EXPECT_EQ(std::count(counts.begin(), counts.end(), 0), kMaxCaptionPeers + 36);
  for (int fd : planted) close(fd);
  for (int fd : accepted) close(fd);
}

// Another user who takes the abstract names first, and answers with the
// caption, neither refuses a start nor is believed. It keeps its name
// whatever a client does: a client that hangs up before the answer is
// written must not end it.
TEST_F(CaptionSockets, BelieveOnlyPeersOfThisUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
  const std::string name = AbstractName(m_base.Join("tolvane"));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t other = fork();
  if (other == 0) {
    int fd = -1;
    if (setgid(4242) != 0 || setuid(4242) != 0 || (fd = AbstractListener(name)) < 0 ||
        write(ready[1], "k", 1) != 1)
      _exit(1);
    for (;;) {
      int c = accept(fd, nullptr, nullptr);
      send(c, kMainCaption, std::strlen(kMainCaption), MSG_NOSIGNAL);
      close(c);
    }
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_FALSE(Finds(kMainCaption));
  CCaptionServer server;  // its name is taken: it cannot serve, and that is all
  server.SetCaption(kMainCaption);
  EXPECT_FALSE(server.Listen());
  CInstanceGuard guard;
  EXPECT_FALSE(guard.IsAnotherCopyRunning(kMainCaption));
  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
