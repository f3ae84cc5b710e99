#include "platform/ui/guard/instance_guard.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/guard/guard_test_support.h"
#include "tests/temp_dir.h"

namespace {

TEST(PreferX11Platform, ChoosesXcbOnlyWhenADisplayIsSetAndTheUserChoseNothing) {
  std::optional<std::string> unset;
  struct Row {
    std::optional<std::string> display, platform;
    std::vector<const char*> argv;
    std::optional<std::string> result;
  } rows[] = {
      {":0", unset, {"tolvane"}, "xcb;wayland"},
      {":0", "", {"tolvane", "-style", "fusion"}, "xcb;wayland"},
      {":0", "offscreen", {"tolvane"}, "offscreen"},
      {":0", unset, {"tolvane", "-platform", "offscreen"}, unset},
      {":0", unset, {"tolvane", "--platform", "vnc"}, unset},
      {"", unset, {"tolvane"}, unset},
      {unset, unset, {"tolvane"}, unset},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display.value_or("(unset)") + " " + std::to_string(row.argv.size()));
    ScopedEnv display("DISPLAY", row.display);
    ScopedEnv platform("QT_QPA_PLATFORM", row.platform);
    bool changed = PreferX11Platform(static_cast<int>(row.argv.size()), row.argv.data());
    const char* now = std::getenv("QT_QPA_PLATFORM");
    EXPECT_EQ(now ? std::optional<std::string>(now) : unset, row.result);
    EXPECT_EQ(changed, row.result == "xcb;wayland");
  }
}

TEST(ShowDoubleStartMessage, ShowsThePlainRefusalUntilOkIsClicked) {
  ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "guard_test", *argv[] = {name, nullptr};
  QApplication app(argc, argv);
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
TEST(CInstanceGuard, LetsOneCopyRunAtATimeWhileItShowsTheFirstCaption) {
  TempDir runtime;
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
  std::vector<std::unique_ptr<LineChild>> copies;
  auto start = [&] {
    copies.push_back(std::make_unique<LineChild>(std::vector<std::string>{
        "/usr/bin/env", "-u", "DISPLAY", "QT_QPA_PLATFORM=offscreen", "GUARD_COPY_NO_BOX=1",
        kGuardCopy}));
    return copies.back().get();
  };
  auto held = std::make_unique<CStartLock>();  // as if another copy were starting
  LineChild* first = start();
  EXPECT_EQ(first->ReadLine(500), std::nullopt);  // it waits for that one
  held.reset();
  ASSERT_EQ(first->ReadLine(), "running offscreen");
  EXPECT_EQ(start()->ReadLine(), "refused");
  first->WriteLine(std::string("title ") + kFileCaption);  // a file was opened
  ASSERT_EQ(first->ReadLine(), "ok");
  ASSERT_EQ(start()->ReadLine(), "running offscreen");
  EXPECT_EQ(start()->ReadLine(), "refused");  // the second copy shows it now
  for (auto& copy : copies) EXPECT_EQ(copy->Wait(), 0);
}

}  // namespace
