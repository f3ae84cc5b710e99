#include "platform/ui/guard/caption_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files/working_dir.h"
#include "platform/ui/guard/guard_test_support.h"
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
};

TEST_F(CaptionSockets, ServeTheCaptionWholeUntilTheServerIsDestroyed) {
  // The second folder's socket path is too long for a socket address.
  for (const std::string& runtime : {m_base.path(), m_base.Join(std::string(120, 'd'))}) {
    SCOPED_TRACE(runtime);
    mkdir(runtime.c_str(), 0700);
    ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    std::string socket;
    {
      CCaptionServer server;
      server.SetCaption(kMainCaption);
      ASSERT_TRUE(server.Listen());
      socket = server.GetPath();
      EXPECT_EQ(socket, runtime + "/tolvane/guard-" + std::to_string(getpid()));
      EXPECT_TRUE(Finds(kMainCaption));
      EXPECT_FALSE(Finds(kFileCaption));
      EXPECT_FALSE(Finds("ソース選択"));  // a prefix of the caption
    }
    EXPECT_EQ(access(socket.c_str(), F_OK), -1);
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

TEST_F(CaptionSockets, AreNeitherServedNorAskedInAFolderOthersCouldPlantSocketsIn) {
  std::string folder = m_base.Join("tolvane");
  {
    CCaptionServer server;
    server.SetCaption(kMainCaption);
    ASSERT_TRUE(server.Listen());
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_FALSE(Finds(kMainCaption));  // a planted socket could say anything
  }
  ASSERT_EQ(rmdir(folder.c_str()), 0);
  std::string refused = folder + " is not a private folder of this user. ";
  struct Row {
    const char* setup;
    std::string message;
  } rows[] = {
      {"open", refused + "(group or others have access to it)"},
      {"link", refused + "(it is a symbolic link)"},
      {"file", refused + "(it is not a folder)"},
  };
  for (const Row& row : rows) {
    std::string setup = row.setup;
    SCOPED_TRACE(setup);
    if (setup == "open") mkdir(folder.c_str(), 0755), chmod(folder.c_str(), 0755);
    if (setup == "link") symlink(m_base.path().c_str(), folder.c_str());
    if (setup == "file") WriteWholeFile(folder, "");
    CCaptionServer server;
    server.SetCaption(kMainCaption);
    std::string error;
    EXPECT_FALSE(server.Listen(&error));
    EXPECT_EQ(error, row.message);
    std::remove(folder.c_str());
  }
}

}  // namespace
