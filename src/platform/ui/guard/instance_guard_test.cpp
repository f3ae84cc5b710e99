#include "platform/ui/guard/instance_guard.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/guard/guard_test_support.h"
#include "tests/temp_dir.h"

namespace {

QApplication& OffscreenApp() {
  static int argc = 1;
  static char name[] = "guard_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

class FakeFinder : public IWindowFinder {
 public:
  FakeFinder(bool answer, std::vector<std::string>* asked) : m_answer(answer), m_asked(asked) {}
  bool HasTopLevelWindow(const std::string& captionUtf8) override {
    m_asked->push_back(captionUtf8);
    return m_answer;
  }

 private:
  bool m_answer;
  std::vector<std::string>* m_asked;
};

bool SocketsShow(const std::string& caption) {
  return MakeCaptionSocketFinder()->HasTopLevelWindow(caption);
}

TEST(PreferX11Platform, ChoosesXcbOnlyWhenADisplayIsSetAndTheUserChoseNothing) {
  std::optional<std::string> unset;
  struct Row {
    std::optional<std::string> display, platform;
    std::vector<const char*> args;
    std::optional<std::string> result;
  } rows[] = {
      {":0", unset, {}, "xcb;wayland"},
      {":0", "", {"-style", "fusion"}, "xcb;wayland"},
      {":0", "offscreen", {}, "offscreen"},
      {":0", unset, {"-platform", "offscreen"}, unset},
      {":0", unset, {"--platform", "vnc"}, unset},
      {"", unset, {}, unset},
      {unset, unset, {}, unset},
  };
  for (const Row& row : rows) {
    ScopedEnv display("DISPLAY", row.display);
    ScopedEnv platform("QT_QPA_PLATFORM", row.platform);
    std::vector<const char*> argv = {"tolvane"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    bool changed = PreferX11Platform(static_cast<int>(argv.size()), argv.data());
    const char* now = std::getenv("QT_QPA_PLATFORM");
    EXPECT_EQ(now ? std::optional<std::string>(now) : unset, row.result)
        << row.display.value_or("(unset)") << " " << row.args.size();
    EXPECT_EQ(changed, row.result == "xcb;wayland");
  }
}

TEST(CInstanceGuard, ServesTheCaptionOnlyWhenNoOtherCopyWasFound) {
  OffscreenApp();
  TempDir base;
  ScopedEnv env("XDG_RUNTIME_DIR", base.path());
  std::vector<std::string> asked;
  {
    CInstanceGuard refused(std::make_unique<FakeFinder>(true, &asked));
    EXPECT_TRUE(refused.IsAnotherCopyRunning(kMainCaption));
    EXPECT_EQ(refused.Server().GetPath(), "");
  }
  CInstanceGuard guard(std::make_unique<FakeFinder>(false, &asked));
  EXPECT_FALSE(guard.IsAnotherCopyRunning(kMainCaption));
  EXPECT_EQ(asked, (std::vector<std::string>{kMainCaption, kMainCaption}));
  EXPECT_TRUE(SocketsShow(kMainCaption));

  QWidget window;
  window.setWindowTitle(kMainCaption);
  guard.FollowCaption(&window);
  window.setWindowTitle(kFileCaption);
  EXPECT_FALSE(SocketsShow(kMainCaption));
  EXPECT_TRUE(SocketsShow(kFileCaption));
}

TEST(ShowDoubleStartMessage, ShowsThePlainRefusalUntilOkIsClicked) {
  OffscreenApp();
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = true;
    EXPECT_EQ(box->text().toStdString(), "２重起動は出来ません");
    EXPECT_EQ(box->windowTitle().toStdString(), "メッセージ");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box->parent(), nullptr);
    EXPECT_TRUE(box->button(QMessageBox::Ok)->icon().isNull());
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  ShowDoubleStartMessage();  // returns only once OK was clicked
  EXPECT_TRUE(shown);
}

// Copies without an X display find each other through their sockets only.
class OffscreenCopies : public ::testing::Test {
 protected:
  std::unique_ptr<LineChild> Start() {
    return std::make_unique<LineChild>(std::vector<std::string>{
        "/usr/bin/env", "-u", "DISPLAY", "QT_QPA_PLATFORM=offscreen", "GUARD_COPY_NO_BOX=1",
        "XDG_RUNTIME_DIR=" + m_base.path(), kGuardCopy});
  }
  TempDir m_base;
};

TEST_F(OffscreenCopies, ASecondCopyIsRefusedWhileAnyCopyShowsTheFirstCaption) {
  auto first = Start();
  ASSERT_EQ(first->ReadLine(), "running offscreen");
  auto refused = Start();
  EXPECT_EQ(refused->ReadLine(), "refused");
  EXPECT_EQ(refused->Wait(), 0);

  first->WriteLine(std::string("title ") + kFileCaption);  // a file was opened
  ASSERT_EQ(first->ReadLine(), "ok");
  auto second = Start();
  ASSERT_EQ(second->ReadLine(), "running offscreen");
  auto third = Start();
  EXPECT_EQ(third->ReadLine(), "refused");  // the second copy shows it now
  EXPECT_EQ(third->Wait(), 0);

  EXPECT_EQ(first->Wait(), 0);
  EXPECT_EQ(second->Wait(), 0);
}

TEST_F(OffscreenCopies, OfCopiesStartedTogetherExactlyOneRuns) {
  std::vector<std::unique_ptr<LineChild>> copies;
  for (int i = 0; i < 3; ++i) copies.push_back(Start());
  std::vector<std::string> said;
  for (auto& copy : copies) said.push_back(copy->ReadLine().value_or("(nothing)"));
  std::sort(said.begin(), said.end());
  EXPECT_EQ(said, (std::vector<std::string>{"refused", "refused", "running offscreen"}));
}

}  // namespace
