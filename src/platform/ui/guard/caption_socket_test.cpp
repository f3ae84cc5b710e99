#include "platform/ui/guard/caption_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <optional>
#include <cstdio>
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
  const std::string abstract = "@tolvane-" + std::to_string(geteuid()) + "/guard-" + pid;
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
      EXPECT_EQ(socket, trusted ? runtime + "/tolvane/guard-" + pid : abstract);
      EXPECT_TRUE(Finds(kMainCaption));
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

  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Finds(kMainCaption));
  EXPECT_FALSE(Finds(kFileCaption));
  // Each search waits once for the hung peer, not once per peer.
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(3 * kCaptionReplyTimeoutMs));
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

// Another user who takes the abstract names first, and answers with the
// caption, neither refuses a start nor is believed.
TEST_F(CaptionSockets, BelieveOnlyPeersOfThisUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
  std::string folder = m_base.Join("tolvane");
  ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  std::string name = "tolvane-" + std::to_string(geteuid()) + "/guard-" + std::to_string(getpid());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t other = fork();
  if (other == 0) {
    if (setgid(4242) != 0 || setuid(4242) != 0) _exit(1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{AF_UNIX, {}};
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())) != 0 ||
        listen(fd, 4) != 0 || write(ready[1], "k", 1) != 1)
      _exit(1);
    for (;;) {
      int c = accept(fd, nullptr, nullptr);
      if (write(c, kMainCaption, std::strlen(kMainCaption)) < 0) _exit(1);
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
