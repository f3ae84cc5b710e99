#include "reports/report_writer.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/pipeline.h"
#include "platform/files/file_exception.h"
#include "tests/small_file_system.h"
#include "tests/temp_dir.h"

namespace {

const std::string kHead = "\x8A\xD6\x90\x94\x96\xBC\x81\x46";  // 関数名：

class Reports : public ::testing::Test {
 protected:
  // Analyses files of src as one run and plans its reports: "outputs ...;
  // existing ...; skipped ...", each name relative to src.
  std::string Plan(const std::vector<std::string>& files, const char* extension = "fnc") {
    std::vector<CString> paths;
    for (const std::string& f : files) paths.push_back(CString(src.Join(f)));
    engine.Run(paths, CString(extension), work.path());
    plan = PlanReports(engine.GetTable());
    std::string s;
    for (auto [label, names] : {std::pair{"outputs", &plan.outputs},
                                std::pair{"; existing", &plan.existing},
                                std::pair{"; skipped", &plan.skipped}}) {
      s += label;
      for (const CString& name : *names) s += " " + name.str().substr(src.path().size() + 1);
    }
    return s;
  }
  TempDir src, work;
  CAnalysisEngine engine;
  ReportPlan plan;
};

TEST_F(Reports, GroupsTheFunctionsOfEachOutputNameInTableOrder) {
  src.Write("a.c", "void f(void)\n{\n  g();\n  h();\n}\n");
  src.Write("b.c", "int g(void)\n{\n}\n");
  src.Write("a.cpp", "void C::m()\n{\n  k();\n}\n");
  EXPECT_EQ(Plan({"a.c", "b.c", "a.cpp"}), "outputs a.fnc b.fnc; existing; skipped");
  for (const CString& out : plan.outputs) WriteReport(engine.GetTable(), out);
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), kHead + "f\n\tg\n\th\n\n" + kHead + "C::m\n\tk\n\n");
  EXPECT_EQ(ReadWholeFile(src.Join("b.fnc")), kHead + "g\n\n");
  EXPECT_EQ(ListFolder(src.path()), "a.c a.cpp a.fnc b.c b.fnc");
}

TEST_F(Reports, NeverPlansOverAFileTheRunAnalysedHoweverItIsSpelt) {
  ASSERT_EQ(mkdir(src.Join("d").c_str(), 0700), 0);
  for (const char* file : {"x.c", "z.cpp", "w.cpp", "d/y.cpp"})
    src.Write(file, "void f(void)\n{\n}\n");
  src.Write("w.c", "old report");
  ASSERT_EQ(symlink("../x.c", src.Join("d/y.c").c_str()), 0);  // y.cpp's report names x.c
  ASSERT_EQ(symlink("x.c", src.Join("z.c").c_str()), 0);
  // x.c is analysed through a spelling of its own; w.c exists but was not analysed.
  EXPECT_EQ(Plan({"./x.c", "d/y.cpp", "z.cpp", "w.cpp"}, "c"),
            "outputs w.c; existing w.c; skipped ./x.c d/y.c z.c");
}

TEST_F(Reports, AFailedWriteLeavesTheOldReportAsItWas) {
  std::string dir = src.Join("out");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  std::unique_ptr<SmallFileSystem> fs;
  std::string why;
  // Permissions do not stop root: a file system made read-only does.
  if (geteuid() == 0 && !(fs = SmallFileSystem::Mount(dir, 64 * 1024, false, &why)))
    GTEST_SKIP() << "cannot mount a file system here: " << why;
  src.Write("out/a.c", "void f(void)\n{\n}\n");
  src.Write("out/a.fnc", "old report");
  EXPECT_EQ(Plan({"out/a.c"}), "outputs out/a.fnc; existing out/a.fnc; skipped");
  if (fs)
    ASSERT_EQ(mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  else
    ASSERT_EQ(chmod(dir.c_str(), 0500), 0);
  std::string message = "no exception";
  try {
    WriteReport(engine.GetTable(), plan.outputs[0]);
  } catch (const CFileException& e) {
    message = e.GetErrorMessage().str();
  }
  EXPECT_EQ(message, "Access to " + src.Join("out/a.fnc") + " was denied. (" +
                         (fs ? "Read-only file system" : "Permission denied") + ")");
  EXPECT_EQ(ReadWholeFile(src.Join("out/a.fnc")), "old report");
  EXPECT_EQ(ListFolder(dir), "a.c a.fnc");
}

}  // namespace
