#include "reports/report_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/pipeline.h"
#include "platform/files/file_exception.h"
#include "platform/files/write_all_testing.h"
#include "reports/report_writer_testing.h"
#include "tests/small_file_system.h"
#include "tests/temp_dir.h"

namespace {

const std::string kHead = "\x8A\xD6\x90\x94\x96\xBC\x81\x46";  // 関数名：

class Reports : public ::testing::Test {
 protected:
  // Analyses files of src as one run and plans its reports: "outputs ...;
  // existing ...; skipped ...", each name relative to src.
  // The message WriteReport fails with, or "(none)".
  std::string Failure(const CString& out, bool replace) {
    return FileErrorOf([&] { WriteReport(engine.GetTable(), out, replace); });
  }
  std::string Plan(const std::vector<std::string>& files, const char* extension = "fnc") {
    std::vector<CString> paths;
    for (const std::string& f : files) paths.push_back(CString(src.Join(f)));
    CSourceList sources(paths);
    AnalysisRequest request;
    request.extension = CString(extension);
    EXPECT_FALSE(engine.Run(sources, request).failure);
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
  TempDir src;
  CAnalysisEngine engine;
  ReportPlan plan;
};

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

TEST_F(Reports, AreWrittenInTheEncodingTheirSourcesShare) {
  const std::string kUtf8 = "\xE3\x81\x82", kEuc = "\xB8\xEC", kSjis = "\x95\x5C";  // あ 語 表
  const std::string kHeadUtf8 = "\xE9\x96\xA2\xE6\x95\xB0\xE5\x90\x8D\xEF\xBC\x9A";
  const std::string kHeadEuc = "\xB4\xD8\xBF\xF4\xCC\xBE\xA1\xA7";
  struct Case {
    std::string c, cpp;  // what the comments of a.c and a.cpp hold
    std::string head;
  } cases[] = {
      {kUtf8, "", kHeadUtf8},   // ASCII goes with anything
      {kEuc, kEuc, kHeadEuc},
      {"", "", kHead},          // ASCII alone: as ever
      {kSjis, "", kHead},
      {kUtf8, kSjis, kHead},    // sources differ: Shift-JIS, whichever comes first
      {kSjis, kUtf8, kHead},
      {kEuc, kUtf8, kHead},
  };
  for (const Case& k : cases) {
    src.Write("a.c", "/* " + k.c + " */\nvoid f(void)\n{\n}\n");
    src.Write("a.cpp", "/* " + k.cpp + " */\nvoid g(void)\n{\n}\n");
    Plan({"a.c", "a.cpp"});
    const CFunctionTable& table = engine.GetTable();
    EXPECT_EQ(ReportText(table, CString(src.Join("a.fnc"))), k.head + "f\n\n" + k.head + "g\n\n")
        << EncodingName(table.GetFileEncoding(0)) << " and " << EncodingName(table.GetFileEncoding(1));
  }
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
  EXPECT_EQ(Failure(plan.outputs[0], true), "Access to " + src.Join("out/a.fnc") + " was denied. (" +
                         (fs ? "Read-only file system" : "Permission denied") + ")");
  EXPECT_EQ(ReadWholeFile(src.Join("out/a.fnc")), "old report");
  EXPECT_EQ(ListFolder(dir), "a.c a.fnc");
}

TEST_F(Reports, AFullDiskLeavesTheOldReportAndNoTemporaryFile) {
  std::string dir = src.Join("out");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  std::string why;
  auto fs = SmallFileSystem::Mount(dir, 64 * 1024, false, &why);
  if (!fs) GTEST_SKIP() << "cannot mount a file system here: " << why;
  std::string source;
  for (int i = 0; i < 2000; ++i) source += "void f" + std::to_string(i) + "(void)\n{\n  g();\n}\n";
  src.Write("out/a.c", source);
  src.Write("out/a.fnc", "old report");
  ASSERT_EQ(Plan({"out/a.c"}), "outputs out/a.fnc; existing out/a.fnc; skipped");
  const CString out(src.Join("out/a.fnc"));
  // Fills the disk to the last byte.
  int fd = open(src.Join("out/filler").c_str(), O_WRONLY | O_CREAT, 0600);
  std::string block(4096, 'x');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  while (write(fd, "x", 1) > 0) {
  }
  close(fd);
  EXPECT_EQ(Failure(out, true),
            "Disk full while writing " + out.str() + ". (No space left on device)");
  EXPECT_EQ(ReadWholeFile(out.str()), "old report");
  EXPECT_EQ(ListFolder(dir), "a.c a.fnc filler");
}

// The steps that put a complete report on disk: one that fails leaves the
// old report, not a short one in its place. A group the user may not give
// is no failure.
TEST_F(Reports, AReportNotSafelyOnDiskLeavesTheOldOne) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  Plan({"a.c"});
  const std::string report = src.Join("a.fnc");
  struct Row {
    const char* step;
    int err;
    std::string failure;
  } rows[] = {
      {"fchown", EIO, "A write error occurred on " + report + ". (Input/output error)"},
      {"fchmod", EIO, "A write error occurred on " + report + ". (Input/output error)"},
      {"fsync", EIO, "A write error occurred on " + report + ". (Input/output error)"},
      {"fsync", ENOSPC, "Disk full while writing " + report + ". (No space left on device)"},
      {"fchown", EPERM, "(none)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.step);
    WriteWholeFile(report, "old report");
    FailSealStepForTesting(row.step, row.err);
    EXPECT_EQ(Failure(CString(report), true), row.failure);
    FailSealStepForTesting(nullptr, 0);
    EXPECT_EQ(ReadWholeFile(report), row.failure == "(none)" ? kHead + "f\n\n" : "old report");
    EXPECT_EQ(ListFolder(src.path()), "a.c a.fnc");
  }
}

TEST_F(Reports, KeepAReplacedReportsModeAndGiveANewOneTheUmasks) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  Plan({"a.c"});
  const std::string report = src.Join("a.fnc");
  struct Row {
    int oldMode;  // -1: no report yet
    mode_t umask;
    mode_t mode;
  } rows[] = {
      {-1, 022, 0644}, {-1, 077, 0600}, {-1, 002, 0664},
      {0640, 022, 0640}, {0604, 077, 0604},
      {04755, 022, 0755}, {02775, 022, 0775}, {01666, 022, 0666},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.oldMode) + " " + std::to_string(row.umask));
    std::remove(report.c_str());
    if (row.oldMode >= 0) {
      WriteWholeFile(report, "old");
      ASSERT_EQ(chmod(report.c_str(), static_cast<mode_t>(row.oldMode)), 0);
    }
    mode_t old = umask(row.umask);
    EXPECT_EQ(Failure(CString(report), true), "(none)");
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(report.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, row.mode);
  }
  // Its group too, where the user may give it: root any, others their own.
  gid_t groups[64];
  int n = getgroups(64, groups);
  gid_t other = geteuid() == 0 ? 4242 : n > 0 ? groups[n - 1] : getegid();
  ASSERT_EQ(chown(report.c_str(), static_cast<uid_t>(-1), other), 0);
  ASSERT_EQ(chmod(report.c_str(), 0640), 0);
  EXPECT_EQ(Failure(CString(report), true), "(none)");
  struct stat st;
  ASSERT_EQ(stat(report.c_str(), &st), 0);
  EXPECT_EQ(st.st_gid, other);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A file made by someone else between the plan and the rename is kept and
// named, unless replacing was asked for.
TEST_F(Reports, AReportThatTurnsUpMeanwhileIsReplacedOnlyWhenAskedTo) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  EXPECT_EQ(Plan({"a.c"}), "outputs a.fnc; existing; skipped");
  SetBeforeRenameHookForTesting([](const std::string& path) { WriteWholeFile(path, "theirs"); });
  EXPECT_EQ(Failure(plan.outputs[0], false), src.Join("a.fnc") + " exists already.");
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), "theirs");
  EXPECT_EQ(ListFolder(src.path()), "a.c a.fnc");
  EXPECT_EQ(Failure(plan.outputs[0], true), "(none)");
  SetBeforeRenameHookForTesting(nullptr);
  EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), kHead + "f\n\n");
}

TEST_F(Reports, AFatalSignalWhileWritingLeavesNoTemporaryFile) {
  src.Write("a.c", "void f(void)\n{\n}\n");
  src.Write("a.fnc", "old report");
  Plan({"a.c"});
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(sig);
    pid_t child = fork();
    if (child == 0) {
      SetBeforeRenameHookForTesting([sig](const std::string&) { raise(sig); });
      WriteReport(engine.GetTable(), plan.outputs[0], true);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(ListFolder(src.path()), "a.c a.fnc");
    EXPECT_EQ(ReadWholeFile(src.Join("a.fnc")), "old report");
  }
}

}  // namespace
