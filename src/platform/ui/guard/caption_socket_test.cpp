#include "platform/ui/guard/caption_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <set>
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
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
  if (listening) {
    EXPECT_EQ(listen(fd, 4), 0);
  }
  return fd;
}

pid_t DeadPid() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

TEST(CCaptionServer, ServesTheCurrentCaptionUntilDestroyed) {
  TempDir base;
  // The second folder's socket path is too long for a socket address.
  for (const std::string& runtime : {base.path(), base.path() + "/" + std::string(120, 'd')}) {
    mkdir(runtime.c_str(), 0700);
    ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    std::string socket;
    {
      CCaptionServer server;
      server.SetCaption(kMainCaption);
      std::string error;
      ASSERT_TRUE(server.Listen(&error)) << error;
      socket = server.GetPath();
      EXPECT_EQ(socket, runtime + "/tolvane/guard-" + std::to_string(getpid()));
      EXPECT_TRUE(Finds(kMainCaption));
      EXPECT_FALSE(Finds(kFileCaption));
      EXPECT_FALSE(Finds("ソース選択"));  // a prefix of the caption
      server.SetCaption(kFileCaption);
      EXPECT_FALSE(Finds(kMainCaption));
      EXPECT_TRUE(Finds(kFileCaption));
    }
    EXPECT_EQ(access(socket.c_str(), F_OK), -1);
    EXPECT_FALSE(Finds(kFileCaption));
  }
}

TEST(CaptionSocketFinder, PassesOverPeersThatCannotAnswerAndRemovesLeftOvers) {
  TempDir base;
  ScopedEnv env("XDG_RUNTIME_DIR", base.path());
  CCaptionServer server;
  server.SetCaption(kMainCaption);
  ASSERT_TRUE(server.Listen());
  std::string folder = CWorkingDir::UserFolder();
  std::string dead = "guard-" + std::to_string(DeadPid());
  std::string alive = "guard-" + std::to_string(getppid());
  int left = BoundSocket(folder + "/" + dead, false);
  close(left);  // the socket file stays behind, like that of a crashed copy
  int starting = BoundSocket(folder + "/" + alive, false);  // between bind and listen
  int hung = BoundSocket(folder + "/guard-1", true);        // never accepts
  WriteWholeFile(folder + "/guard-2", "not a socket");

  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Finds(kMainCaption));
  EXPECT_FALSE(Finds(kFileCaption));
  auto took = std::chrono::steady_clock::now() - start;
  // Each search waits once for the hung peer, not once per peer.
  EXPECT_LT(took, std::chrono::milliseconds(3 * kCaptionReplyTimeoutMs));
  std::set<std::string> kept = {"guard-1", "guard-2", alive, "guard-" + std::to_string(getpid())};
  std::string expected;
  for (const std::string& name : kept) expected += (expected.empty() ? "" : " ") + name;
  EXPECT_EQ(ListFolder(folder), expected);
  close(starting);
  close(hung);
}

TEST(CCaptionServer, RefusesAFolderOthersCouldPlantSocketsIn) {
  TempDir base;
  ScopedEnv env("XDG_RUNTIME_DIR", base.path());
  std::string folder = base.Join("tolvane");
  struct Row {
    const char* setup;
    std::string message;
  } rows[] = {
      {"open", folder + " is not a private folder of this user. "
                        "(group or others have access to it)"},
      {"link", folder + " is not a private folder of this user. (it is a symbolic link)"},
      {"file", folder + " is not a private folder of this user. (it is not a folder)"},
  };
  for (const Row& row : rows) {
    std::string setup = row.setup;
    if (setup == "open") mkdir(folder.c_str(), 0755), chmod(folder.c_str(), 0755);
    if (setup == "link") symlink(base.path().c_str(), folder.c_str());
    if (setup == "file") WriteWholeFile(folder, "");
    CCaptionServer server;
    server.SetCaption(kMainCaption);
    std::string error;
    EXPECT_FALSE(server.Listen(&error)) << setup;
    EXPECT_EQ(error, row.message);
    EXPECT_FALSE(Finds(kMainCaption)) << setup;
    std::remove(folder.c_str());
  }
}

}  // namespace
