#include "platform/files/drives.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_find.h"
#include "tests/temp_dir.h"

namespace {

std::string Letters(const std::vector<DriveEntry>& table) {
  std::string s;
  for (const DriveEntry& d : table) s += std::string(1, d.letter) + "=" + d.root + ";";
  return s;
}

TEST(DriveTable, ComesFromTheVariableOrFromTheMountsBelowTheMediaFolders) {
  struct Case {
    const char* value;
    const char* want;
  } cases[] = {
      {"a=/mnt/floppy:c=/:d=/srv/src", "a=/mnt/floppy;c=/;d=/srv/src;"},
      {"D=/x:c=/:d=/y", "c=/;d=/y;"},    // upper case letters count; a later pair wins
      {"c=/:nonsense:e=relative:1=/x", "c=/;"},  // malformed pairs are left out
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Letters(ParseDriveTable(c.value)), c.want);
  }
  const char* mounts =
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
      "/dev/sdc1 /mnt/data ext4 rw 0 0\n"
      "tmpfs /mnt tmpfs rw 0 0\n"
      "/dev/sdd1 /run/media/u/CD iso9660 ro 0 0\n"
      "/dev/sde1 /home ext4 rw 0 0\n"
      "/dev/sdc1 /mnt/data ext4 rw 0 0\n";
  EXPECT_EQ(Letters(DriveTableFromMounts(mounts, "u")),
            "c=/;d=/media/u/USB STICK;e=/mnt/data;f=/run/media/u/CD;");
}

class CurrentDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    old = GetCurrentDirectory().str();
    std::filesystem::create_directories(tree.Join("one/deep"));
    std::filesystem::create_directories(tree.Join("two"));
    std::string drives = "a=" + tree.Join("one") + ":b=" + tree.Join("two") + ":c=/:e=/no/such/folder";
    setenv("TOLVANE_DRIVES", drives.c_str(), 1);
    ReloadDriveTable();
  }
  void TearDown() override {
    unsetenv("TOLVANE_DRIVES");
    ReloadDriveTable();
    EXPECT_EQ(chdir(old.c_str()), 0);
  }
  std::string Cwd() { return GetCurrentDirectory().str(); }

  TempDir tree;
  std::string old;
};

TEST_F(CurrentDirectory, EachDriveRemembersTheDirectoryLastMadeCurrentOnIt) {
  ASSERT_TRUE(SetCurrentDirectory(CString("A:")));  // never visited: its root
  EXPECT_EQ(Cwd(), tree.Join("one"));
  ASSERT_TRUE(SetCurrentDirectory(CString(tree.Join("one/deep"))));
  ASSERT_TRUE(SetCurrentDirectory(CString("b:")));
  EXPECT_EQ(Cwd(), tree.Join("two"));
  ASSERT_TRUE(SetCurrentDirectory(CString("a:")));
  EXPECT_EQ(Cwd(), tree.Join("one/deep"));
  // /tmp/... lies on c too, but a's root is the longest prefix.
  ASSERT_TRUE(SetCurrentDirectory(CString("C:")));
  EXPECT_EQ(Cwd(), "/");
}

TEST_F(CurrentDirectory, FailsAndStaysPutForDrivesMissingOrNotReadyAndBadFolders) {
  ASSERT_TRUE(SetCurrentDirectory(CString(tree.path())));
  for (const char* bad : {"d:", "e:", "no-such-folder", "", "-c-"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(SetCurrentDirectory(CString(bad)));
    EXPECT_EQ(Cwd(), tree.path());
  }
  EXPECT_FALSE(SetCurrentDirectory(CString(std::string("one\0x", 5))));
}

TEST_F(CurrentDirectory, FindVisitsEveryEntryWithPathsOffTheSearchRoot) {
  tree.Write("one/a.c", "");
  symlink("../two", tree.Join("one/link").c_str());
  ASSERT_TRUE(SetCurrentDirectory(CString(tree.Join("one"))));
  CFileFind find;
  std::set<std::string> seen;
  ASSERT_TRUE(find.FindFile("*"));
  BOOL more;
  do {
    more = find.FindNextFile();
    seen.insert(find.GetFilePath().str() + (find.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) ? "/" : ""));
  } while (more);
  std::string root = tree.Join("one");
  EXPECT_EQ(seen, (std::set<std::string>{root + "/./", root + "/../", root + "/a.c",
                                         root + "/deep/", root + "/link/"}));

  ASSERT_TRUE(SetCurrentDirectory(CString("/")));
  ASSERT_TRUE(find.FindFile("*"));
  find.FindNextFile();
  EXPECT_EQ(find.GetFilePath().str().substr(0, 1), "/");
  EXPECT_NE(find.GetFilePath().str().substr(0, 2), "//");
}

}  // namespace
