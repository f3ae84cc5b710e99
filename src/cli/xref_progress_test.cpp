#include "cli/xref_progress.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::int64_t g_now = 0;
std::int64_t FakeClock() { return g_now; }

TEST(XrefProgress, DrawsAfterASecondAFewTimesASecondAndErasesItself) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  g_now = 0;
  {
    XrefProgress p(fds[1], 4, FakeClock);
    g_now = 900'000'000;
    p.FileDone(1'000'000);  // before a second: nothing
    g_now = 1'000'000'000;
    p.FileDone(2'000'000);
    g_now = 1'100'000'000;
    p.FileDone(500'000);  // too soon after the last line
    g_now = 2'000'000'000;
    p.FileDone(500'000);
    p.Finish();
  }
  char buf[512];
  ssize_t n = read(fds[0], buf, sizeof buf);
  close(fds[0]);
  close(fds[1]);
  EXPECT_EQ(std::string(buf, n > 0 ? n : 0),
            "\rtolvane-xref: 2/4 files, 3.0 MB, 3.0 MB/s\033[K"
            "\rtolvane-xref: 4/4 files, 4.0 MB, 2.0 MB/s\033[K"
            "\r\033[K");
}

}  // namespace
