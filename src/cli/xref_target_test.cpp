#include "cli/xref_target.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files/write_all_testing.h"
#include "tests/temp_dir.h"

namespace {

// Whatever ends the run halfway (a signal, a failure to put the file on
// disk), the old file stays and no temporary file is left beside it. (The
// modes a replaced file keeps: the report writer's test, which shares the
// sealing steps, and the end-to-end test of -o.)
TEST(XrefTarget, LeavesTheOldFileAndNoTemporaryFileWhenTheRunEndsHalfway) {
  TempDir dir;
  const std::string out = dir.Join("out");
  WriteWholeFile(out, "old");
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                  SIGPROF, SIGXCPU, SIGPWR, SIGABRT, SIGSEGV, SIGBUS}) {
    SCOPED_TRACE(sig);
    pid_t child = fork();
    if (child == 0) {
      struct rlimit noCore = {0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
      XrefTarget target;
      std::string error;
      if (!target.Open(out, &error) || write(target.fd(), "new", 3) != 3) _exit(1);
      raise(sig);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(ListFolder(dir.path()), "out");
    EXPECT_EQ(ReadWholeFile(out), "old");
  }
  for (const char* step : {"fchmod", "fsync"}) {
    SCOPED_TRACE(step);
    FailSealStepForTesting(step, EIO);
    XrefTarget target;
    std::string error;
    ASSERT_TRUE(target.Open(out, &error)) << error;
    ASSERT_EQ(write(target.fd(), "short", 5), 5);
    EXPECT_FALSE(target.Commit(&error));
    FailSealStepForTesting(nullptr, 0);
    EXPECT_EQ(error, "A write error occurred on " + out + ". (Input/output error)");
    EXPECT_EQ(ReadWholeFile(out), "old");
    EXPECT_EQ(ListFolder(dir.path()), "out");
  }
}

}  // namespace
