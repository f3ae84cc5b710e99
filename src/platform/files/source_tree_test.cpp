#include "platform/files/source_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/temp_dir.h"

namespace {

void Make(const TempDir& dir, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    std::filesystem::path p = dir.Join(name);
    std::filesystem::create_directories(p.parent_path());
    if (name.back() != '/') WriteWholeFile(p.string(), "");
  }
}

std::vector<std::string> Walk(const std::string& root, int budget) {
  CSourceTreeWalk walk(root);
  while (walk.Step(budget)) {
  }
  return walk.TakeSources();
}

int OpenDescriptors() {
  int n = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
       it != std::filesystem::directory_iterator(); ++it)
    ++n;
  return n;
}

TEST(CSourceTreeWalk, TakesSourcesAndLinksToFilesInByteOrderOfThePath) {
  // "sub-x.c", "sub.c", "sub/...", "sub0.c": '-' < '.' < '/' < '0', so a
  // folder's files come between its name's neighbours as if its name ended
  // in '/'.
  TempDir dir;
  Make(dir, {"sub0.c", "sub/c.C", "sub/deeper/d.CPP", "sub/x.cc", "sub.c", "sub-x.c", "b.h",
             "a.cpp", "lib.c/inner.c", "empty/"});
  ASSERT_EQ(symlink("a.cpp", dir.Join("link.c").c_str()), 0);
  ASSERT_EQ(symlink(".", dir.Join("loop").c_str()), 0);
  ASSERT_EQ(symlink("sub", dir.Join("folder.c").c_str()), 0);
  std::vector<std::string> want;
  for (const char* name : {"a.cpp", "lib.c/inner.c", "link.c", "sub-x.c", "sub.c", "sub/c.C",
                           "sub/deeper/d.CPP", "sub0.c"})
    want.push_back(dir.Join(name));
  for (int budget : {1, 3, 4096}) EXPECT_EQ(Walk(dir.path(), budget), want) << budget;
  EXPECT_EQ(Walk(dir.path() + "/", 4096), want);
}

TEST(CSourceTreeWalk, AFolderSwappedForALinkAfterItWasListedIsNotFollowed) {
  TempDir dir, elsewhere;
  Make(dir, {"a/in.c"});
  Make(elsewhere, {"secret.c"});
  CSourceTreeWalk walk(dir.path());
  // The root lists ".", ".." and "a", then ends: "a" is to be opened next.
  ASSERT_TRUE(walk.Step(4));
  ASSERT_TRUE(walk.Sources().empty());
  std::filesystem::rename(dir.Join("a"), dir.Join("b"));
  ASSERT_EQ(symlink(elsewhere.path().c_str(), dir.Join("a").c_str()), 0);
  while (walk.Step(1)) {
  }
  EXPECT_TRUE(walk.Sources().empty());
  EXPECT_TRUE(walk.Failures().empty());
}

TEST(CSourceTreeWalk, ADeepTreeHoldsABoundedNumberOfFolders) {
  // Each level has a second folder still to read while the first is walked,
  // deeper than the walk holds folders open.
  TempDir dir;
  std::vector<std::string> want;
  std::string level;
  for (int i = 0; i < CSourceTreeWalk::kMaxHeld + 8; ++i) {
    Make(dir, {level + "b/f.c", level + "z.c"});
    want.push_back(dir.Join(level + "b/f.c"));
    want.push_back(dir.Join(level + "z.c"));
    level += "a/";
  }
  Make(dir, {level + "last.c"});
  want.push_back(dir.Join(level + "last.c"));
  std::sort(want.begin(), want.end());
  const int before = OpenDescriptors();
  int most = before;
  CSourceTreeWalk walk(dir.path());
  while (walk.Step(1)) most = std::max(most, OpenDescriptors());
  EXPECT_EQ(walk.Sources(), want);
  EXPECT_LE(most - before, CSourceTreeWalk::kMaxHeld + 1);
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
