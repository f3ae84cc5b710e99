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

// Sets (or, given null, unsets) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    Set(name, value);
  }
  ~ScopedEnv() { Set(m_name, m_old ? m_old->c_str() : nullptr); }

 private:
  static void Set(const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  const char* m_name;
  std::optional<std::string> m_old;
};

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

TEST(CWorkingDir, RefusesAUserFolderOthersCouldTamperWith) {
  TempDir base;
  ScopedEnv xdg("XDG_RUNTIME_DIR", base.path().c_str());
  const std::string user = base.Join("tolvane");
  auto refusal = [] {
    try {
      CWorkingDir::Create();
    } catch (const CFileException& e) {
      return e.GetErrorMessage().str();
    }
    return std::string("(accepted)");
  };
  const std::string refused = user + " is not a private folder of this user. ";

  ASSERT_EQ(symlink(base.path().c_str(), user.c_str()), 0);
  EXPECT_EQ(refusal(), refused + "(it is a symbolic link)");
  ASSERT_EQ(unlink(user.c_str()), 0);

  ASSERT_EQ(mkdir(user.c_str(), 0700), 0);
  ASSERT_EQ(chmod(user.c_str(), 0750), 0);
  EXPECT_EQ(refusal(), refused + "(group or others have access to it)");

  if (geteuid() == 0) {
    ASSERT_EQ(chmod(user.c_str(), 0700), 0);
    ASSERT_EQ(chown(user.c_str(), 4242, 4242), 0);
    EXPECT_EQ(refusal(), refused + "(it belongs to another user)");
  }
}

}  // namespace
