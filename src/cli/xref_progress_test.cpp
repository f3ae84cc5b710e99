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
    // Nothing before a second, nor too soon after the last line.
    for (auto [ms, bytes] : {std::pair{900, 1'000'000}, {1000, 2'000'000}, {1100, 500'000},
                             {2000, 500'000}}) {
      g_now = ms * std::int64_t{1'000'000};
      p.FileDone(bytes);
    }
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
