#include "platform/files/working_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>

#include "platform/files/file_exception.h"
#include "platform/files/working_dir_testing.h"
#include "tests/temp_dir.h"

namespace {

// Sets (or, given null, unsets) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(m_name, m_old ? m_old->c_str() : nullptr); }

 private:
  static void Set(const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); }
  const char* m_name;
  std::optional<std::string> m_old;
};

// Makes a folder last touched an hour ago, as a run killed before it could
// lock its folder leaves it.
void MakeHourOldFolder(const std::string& path) {
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  struct timespec hourAgo[2] = {{time(nullptr) - 3700, 0}, {time(nullptr) - 3700, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), hourAgo, 0), 0);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(CWorkingDir, UserFolderFollowsTheEnvironment) {
  const std::string uid = std::to_string(geteuid());
  struct Case {
    const char *xdg, *tmp;
    std::string folder;
  } cases[] = {
      {"/run/user/7", "/var/tmp", "/run/user/7/tolvane"},
      {nullptr, "/var/tmp", "/var/tmp/tolvane-" + uid},
      {"", nullptr, "/tmp/tolvane-" + uid},
  };
  for (const Case& c : cases) {
    ScopedEnv xdg("XDG_RUNTIME_DIR", c.xdg), tmp("TMPDIR", c.tmp);
    EXPECT_EQ(CWorkingDir::UserFolder(), c.folder);
  }
}

TEST(CWorkingDir, CreatesAFreshPrivateFolderPerCallAndRemovesItAfterwards) {
  TempDir base;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path().c_str());
  {
    auto a = CWorkingDir::Create(), b = CWorkingDir::Create();
    EXPECT_NE(a->GetPath(), b->GetPath());
    EXPECT_EQ(a->GetPath().rfind(base.path() + "/tolvane/run-", 0), 0u) << a->GetPath();
    EXPECT_EQ(ModeOf(base.Join("tolvane")), 0700u);
    EXPECT_EQ(ModeOf(a->GetPath()), 0700u);
    WriteWholeFile(a->GetPath() + "/tmp1.fnc", "left over");
  }
  EXPECT_EQ(ListFolder(base.Join("tolvane")), "");
}

// A file system that cannot refuse to replace a folder (EINVAL), or an old
// kernel (ENOSYS), gets a plain rename; any other failure is named, and
// leaves no half-made folder.
TEST(CWorkingDir, RenamesPlainlyWhereRenamingWithoutReplacingIsNotToBeHad) {
  TempDir base;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path().c_str());
  const std::string user = base.Join("tolvane");
  for (int err : {EINVAL, ENOSYS, EIO}) {
    SCOPED_TRACE(err);
    FailRenameNoReplaceForTesting(err);
    std::string path;
    std::string failure = FileErrorOf([&path] { path = CWorkingDir::Create()->GetPath(); });
    FailRenameNoReplaceForTesting(0);
    if (err == EIO) {
      EXPECT_EQ(failure, "An unexpected error occurred while accessing " + user +
                             ". (Input/output error)");
    } else {
      EXPECT_EQ(failure, "(none)");
      EXPECT_EQ(path.rfind(user + "/run-", 0), 0u) << path;
    }
    EXPECT_EQ(ListFolder(user), "");
  }
}

// Another local user can make the predictable folder first, or it may have
// been opened up: the run then goes on in a folder nobody could guess,
// which a fatal signal removes as well, and which the next start removes
// when its process is gone.
TEST(CWorkingDir, TakesAFolderOfItsOwnWhenTheUserFolderCannotBeTrusted) {
  TempDir tmp, elsewhere;
  ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr), tmpdir("TMPDIR", tmp.path().c_str());
  const std::string uid = std::to_string(geteuid());
  const std::string user = tmp.Join("tolvane-" + uid);
  struct Row {
    const char* setup;
    bool rootOnly;
  } rows[] = {{"link", false},   {"open to group", false}, {"open to others", false},
              {"file", false},   {"other user", true}};
  for (const Row& row : rows) {
    if (row.rootOnly && geteuid() != 0) continue;
    std::string setup = row.setup;
    SCOPED_TRACE(setup);
    if (setup == "link") symlink(elsewhere.path().c_str(), user.c_str());
    if (setup == "open to group") mkdir(user.c_str(), 0700), chmod(user.c_str(), 0750);
    if (setup == "open to others") mkdir(user.c_str(), 0700), chmod(user.c_str(), 0705);
    if (setup == "file") WriteWholeFile(user, "");
    if (setup == "other user") mkdir(user.c_str(), 0700), chown(user.c_str(), 4242, 4242);
    // What runs killed outright left: one in the middle of its work, one
    // before it made its run folder, an hour ago.
    const std::string abandoned = tmp.Join("tolvane-" + uid + ".gone42");
    MakeHourOldFolder(tmp.Join("tolvane-" + uid + ".early1"));
    mkdir(abandoned.c_str(), 0700);
    mkdir((abandoned + "/run-gone42").c_str(), 0700);
    WriteWholeFile(abandoned + "/run-gone42/tmp1.fnc", "work");
    {
      auto dir = CWorkingDir::Create();
      const std::string own = tmp.Join("tolvane-" + uid + ".");
      EXPECT_EQ(dir->GetPath().rfind(own, 0), 0u) << dir->GetPath();
      std::string parent = dir->GetPath().substr(0, dir->GetPath().rfind('/'));
      EXPECT_EQ(ModeOf(parent), 0700u);
      EXPECT_EQ(ModeOf(dir->GetPath()), 0700u);
      WriteWholeFile(dir->GetPath() + "/tmp1.fnc", "work");
    }
    EXPECT_EQ(ListFolder(tmp.path()), "tolvane-" + uid);  // the planted one alone
    pid_t child = fork();
    if (child == 0) {
      auto dir = CWorkingDir::CreateRemovedOnSignal({"tmp1.fnc"});
      WriteWholeFile(dir->GetPath() + "/tmp1.fnc", "work");
      raise(SIGTERM);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(ListFolder(tmp.path()), "tolvane-" + uid);
    EXPECT_EQ(ListFolder(elsewhere.path()), "");
    std::remove(user.c_str());
  }
}

// Only the main thread takes the signals that end the process from
// outside, so that a folder it makes with them blocked is registered
// before any handler runs.
TEST(CWorkingDir, ThreadsStartWithTheFatalSignalsBlocked) {
  sigset_t before, inThread, after;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  StartThreadWithoutSignals([&inThread] { pthread_sigmask(SIG_SETMASK, nullptr, &inThread); })
      .join();
  pthread_sigmask(SIG_SETMASK, nullptr, &after);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                  SIGPROF, SIGXCPU, SIGPWR}) {
    EXPECT_EQ(sigismember(&inThread, sig), 1) << sig;
    EXPECT_EQ(sigismember(&after, sig), sigismember(&before, sig)) << sig;
  }
  for (int sig : {SIGABRT, SIGSEGV, SIGBUS}) EXPECT_EQ(sigismember(&inThread, sig), 0) << sig;
}

// A run killed outright leaves its folder; the next start removes it, by
// the lock its process held, not by process ids, and follows no link.
// One killed before it locked its folder leaves it empty: removed once it
// has been untouched for an hour.
TEST(CWorkingDir, RemovesTheFoldersOfRunsThatAreGone) {
  TempDir base, outside;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path().c_str());
  outside.Write("keep.c", "kept");
  const std::string user = base.Join("tolvane");
  auto live = CWorkingDir::Create();
  // A child makes a folder, fills it and dies without clean-up.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    auto dir = CWorkingDir::Create();
    WriteWholeFile(dir->GetPath() + "/tmp1.fnc", "work");
    symlink(outside.path().c_str(), (dir->GetPath() + "/link").c_str());
    mkdir((dir->GetPath() + "/sub").c_str(), 0700);
    WriteWholeFile(dir->GetPath() + "/sub/f", "x");
    if (write(ready[1], "k", 1) == 1) pause();
    _exit(1);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_EQ(symlink(outside.path().c_str(), (user + "/run-link").c_str()), 0);
  std::string liveName = live->GetPath().substr(user.size() + 1);
  auto names = [&user] {
    std::set<std::string> set;
    std::istringstream list(ListFolder(user));
    for (std::string name; list >> name;) set.insert(name);
    return set;
  };
  EXPECT_EQ(names().size(), 3u);  // the live run's, the dead one's, the link
  // One killed an hour ago before it could lock its folder.
  MakeHourOldFolder(user + "/new-early1");

  auto next = CWorkingDir::Create();
  std::string nextName = next->GetPath().substr(user.size() + 1);
  EXPECT_EQ(names(), (std::set<std::string>{liveName, nextName, "run-link"}));
  EXPECT_EQ(ListFolder(outside.path()), "keep.c");
}

}  // namespace
