// The real program on a real X display (an Xvfb of the test's own): one copy
// at a time, known by its main window's caption.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/ui/guard/guard_test_support.h"
#include "platform/ui/guard/window_finder.h"
#include "tests/temp_dir.h"

namespace {

const char kCaption[] = "ソース選択 - Tolvane For Windows95";
const char kRefusal[] = "メッセージ";

bool Shown(const std::string& caption) { return MakeX11WindowFinder()->HasTopLevelWindow(caption); }

// Runs a command and says whether it succeeded.
bool Sh(const std::string& command) { return std::system(command.c_str()) == 0; }

// Focuses the window of that caption and types keys into it (through the
// keyboard, not events sent to the window, which may close on the first).
// A window is named before it is mapped, and focusing one that is not yet
// (or no longer) viewable fails: only mapped windows are taken, and the
// focus is tried again until it holds.
bool Keys(const std::string& caption, const std::string& keys) {
  bool focused = WaitUntil([&] {
    return Sh("w=$(xdotool search --onlyvisible --name '^" + caption + "$' 2>/dev/null | head -n 1)"
              " && [ -n \"$w\" ] && xdotool windowfocus --sync \"$w\" 2>/dev/null");
  });
  return focused && Sh("xdotool key --delay 20 " + keys);
}

class SingleInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display.IsUp() || !Sh("command -v xdotool >/dev/null"))
      GTEST_SKIP() << "needs Xvfb and xdotool";
  }
  XvfbDisplay display;
  TempDir runtime;
};

// The first copy is started with its standard descriptors closed: it opens
// the display on a descriptor of its own, and the GUI library's messages
// (asked for here) go to /dev/null, not into the display connection.
TEST_F(SingleInstance, ASecondCopyIsRefusedWithItsMessageAndTheFirstGoesOn) {
  LineChild first({"/bin/sh", "-c", "exec \"$@\" <&- >&- 2>&-", "sh", "/usr/bin/env", "-u",
                   "QT_QPA_PLATFORM", "QT_LOGGING_RULES=qt.qpa.*=true",
                   "XDG_RUNTIME_DIR=" + runtime.path(), TOLVANE_PATH});
  ASSERT_TRUE(WaitUntil([] { return Shown(kCaption); }));
  for (int fd = 0; fd <= 2; ++fd) {
    char target[64] = {};
    std::string link = "/proc/" + std::to_string(first.pid()) + "/fd/" + std::to_string(fd);
    EXPECT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << link;
    EXPECT_STREQ(target, "/dev/null") << fd;
  }
  // A start folder changes nothing.
  LineChild second({"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR=" + runtime.path(),
                    TOLVANE_PATH, runtime.path()});
  ASSERT_TRUE(WaitUntil([] { return Shown(kRefusal); }));
  ASSERT_TRUE(Keys(kRefusal, "Return"));
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_TRUE(Shown(kCaption));
  EXPECT_EQ(::kill(first.pid(), 0), 0);
  // The menu's Exit ends the first copy with status 0.
  ASSERT_TRUE(Keys(kCaption, "alt+f x"));
  EXPECT_EQ(first.Wait(), 0);
}

}  // namespace
