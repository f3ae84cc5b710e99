#include "platform/files/working_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "tests/temp_dir.h"

namespace {

// Sets (or, with nullopt, unsets) an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old) setenv(m_name, m_old->c_str(), 1);
    else unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

std::string Uid() { return std::to_string(geteuid()); }

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(CWorkingDir, UserFolderFollowsTheEnvironment) {
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", "/run/user/7");
    EXPECT_EQ(CWorkingDir::UserFolder(), "/run/user/7/tolvane");
  }
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(CWorkingDir::UserFolder(), "/var/tmp/tolvane-" + Uid());
  }
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", "");
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(CWorkingDir::UserFolder(), "/tmp/tolvane-" + Uid());
  }
}

TEST(CWorkingDir, CreatesAFreshPrivateFolderPerCallAndRemovesItAfterwards) {
  TempDir base;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path());
  std::string first, second;
  {
    auto a = CWorkingDir::Create();
    auto b = CWorkingDir::Create();
    first = a->GetPath();
    second = b->GetPath();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(base.path() + "/tolvane/run-", 0), 0u) << first;
    EXPECT_EQ(ModeOf(base.Join("tolvane")), 0700u);
    EXPECT_EQ(ModeOf(first), 0700u);
    WriteWholeFile(first + "/tmp1.fnc", "left over");
  }
  EXPECT_EQ(access(first.c_str(), F_OK), -1);
  EXPECT_EQ(access(second.c_str(), F_OK), -1);
  EXPECT_EQ(ListFolder(base.Join("tolvane")), "");
}

std::string RefusalOf(const std::string& userFolder) {
  try {
    CWorkingDir::Create();
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::notPrivate);
    EXPECT_EQ(e.m_strFileName, CString(userFolder.c_str()));
    return e.GetErrorMessage().str();
  }
  return "(accepted)";
}

TEST(CWorkingDir, RefusesAUserFolderOthersCouldTamperWith) {
  TempDir base;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path());
  std::string user = base.Join("tolvane");

  ASSERT_EQ(symlink(base.path().c_str(), user.c_str()), 0);
  EXPECT_EQ(RefusalOf(user),
            user + " is not a private folder of this user. (it is a symbolic link)");
  ASSERT_EQ(unlink(user.c_str()), 0);

  ASSERT_EQ(mkdir(user.c_str(), 0700), 0);
  ASSERT_EQ(chmod(user.c_str(), 0750), 0);
  EXPECT_EQ(RefusalOf(user),
            user + " is not a private folder of this user. (group or others have access to it)");

  if (geteuid() == 0) {
    ASSERT_EQ(chmod(user.c_str(), 0700), 0);
    ASSERT_EQ(chown(user.c_str(), 4242, 4242), 0);
    EXPECT_EQ(RefusalOf(user),
              user + " is not a private folder of this user. (it belongs to another user)");
  }
}

}  // namespace
