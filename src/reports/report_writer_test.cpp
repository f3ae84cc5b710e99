#include "reports/report_writer.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "tests/small_file_system.h"
#include "tests/temp_dir.h"

namespace {

const std::string kHead = "\x8A\xD6\x90\x94\x96\xBC\x81\x46";  // 関数名：

std::vector<std::string> Strings(const std::vector<CString>& v) {
  std::vector<std::string> s;
  for (const CString& c : v) s.push_back(c.str());
  return s;
}

class Reports : public ::testing::Test {
 protected:
  void Analyze(const std::vector<std::string>& files, const char* extension = "fnc") {
    std::vector<CString> paths;
    for (const std::string& f : files) paths.push_back(CString(f));
    engine.Run(paths, CString(extension), work.path());
  }
  TempDir src, work;
  CAnalysisEngine engine;
};

TEST_F(Reports, GroupsTheFunctionsOfEachOutputNameInTableOrder) {
  src.Write("a.c", "void f(void)\n{\n  g();\n  h();\n}\n");
  src.Write("b.c", "int g(void)\n{\n}\n");
  src.Write("a.cpp", "void C::m()\n{\n  k();\n}\n");
  Analyze({src.Join("a.c"), src.Join("b.c"), src.Join("a.cpp")});
  ReportPlan plan = PlanReports(engine);
  EXPECT_EQ(Strings(plan.outputs), (std::vector<std::string>{src.Join("a.fnc"), src.Join("b.fnc")}));
  EXPECT_TRUE(plan.existing.empty());
  EXPECT_TRUE(plan.skipped.empty());
  for (const CString& out : plan.outputs) WriteReport(engine, out);
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")),
            kHead + "f\n\tg\n\th\n\n" + kHead + "C::m\n\tk\n\n");
  EXPECT_EQ(ReadWholeFile(src.Join("b.fnc")), kHead + "g\n\n");
  EXPECT_EQ(ListFolder(src.path()), "a.c a.cpp a.fnc b.c b.fnc");
}

TEST_F(Reports, NeverPlansOverAFileTheRunAnalysedHoweverItIsSpelt) {
  std::string body = "void f(void)\n{\n}\n";
  src.Write("x.c", body);
  src.Write("z.cpp", body);
  src.Write("w.cpp", body);
  src.Write("w.c", "old report");
  ASSERT_EQ(mkdir(src.Join("d").c_str(), 0700), 0);
  ASSERT_EQ(symlink("../x.c", src.Join("d/y.c").c_str()), 0);  // y.cpp's report names x.c
  ASSERT_EQ(symlink("x.c", src.Join("z.c").c_str()), 0);
  src.Write("d/y.cpp", body);
  // x.c is analysed through a spelling of its own; w.c exists but was not analysed.
  Analyze({src.path() + "/./x.c", src.Join("d/y.cpp"), src.Join("z.cpp"), src.Join("w.cpp")}, "c");
  ReportPlan plan = PlanReports(engine);
  EXPECT_EQ(Strings(plan.skipped),
            (std::vector<std::string>{src.path() + "/./x.c", src.Join("d/y.c"), src.Join("z.c")}));
  EXPECT_EQ(Strings(plan.outputs), (std::vector<std::string>{src.Join("w.c")}));
  EXPECT_EQ(Strings(plan.existing), (std::vector<std::string>{src.Join("w.c")}));
}

TEST_F(Reports, AFailedWriteLeavesTheOldReportAsItWas) {
  std::string dir = src.Join("out");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  std::unique_ptr<SmallFileSystem> fs;
  if (geteuid() == 0) {
    // Permissions do not stop root: a file system made read-only does.
    std::string why;
    fs = SmallFileSystem::Mount(dir, 64 * 1024, false, &why);
    if (!fs) GTEST_SKIP() << "cannot mount a file system here: " << why;
  }
  src.Write("out/a.c", "void f(void)\n{\n}\n");
  src.Write("out/a.fnc", "old report");
  Analyze({src.Join("out/a.c")});
  if (fs) {
    ASSERT_EQ(mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  } else {
    ASSERT_EQ(chmod(dir.c_str(), 0500), 0);
  }
  try {
    WriteReport(engine, CString(src.Join("out/a.fnc")));
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.GetErrorMessage().str(), "Access to " + src.Join("out/a.fnc") + " was denied. (" +
                                             (fs ? "Read-only file system" : "Permission denied") +
                                             ")");
  }
  EXPECT_EQ(ReadWholeFile(src.Join("out/a.fnc")), "old report");
  EXPECT_EQ(ListFolder(dir), "a.c a.fnc");
}

}  // namespace
