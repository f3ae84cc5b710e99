// A stand-in for the desktop program's start, for the guard's tests: it runs
// the guard as main() does and, when refused, prints "refused" and shows the
// refusal unless GUARD_COPY_NO_BOX is set. Otherwise it shows a window
// captioned like the main window, prints "running", and then takes lines on
// its standard input: "title TEXT" sets the caption (answered "ok"); the end
// of input ends it.
#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/ui/guard/instance_guard.h"

int main(int argc, char** argv) {
  const std::string kMainCaption = "ソース選択 - Tolvane For Windows95";
  PreferX11Platform(argc, argv);
  QApplication app(argc, argv);
  CInstanceGuard guard;
  if (guard.IsAnotherCopyRunning(kMainCaption)) {
    std::printf("refused\n");
    std::fflush(stdout);
    if (!std::getenv("GUARD_COPY_NO_BOX")) ShowDoubleStartMessage();
    return 0;
  }
  QWidget window;
  window.setWindowTitle(QString::fromStdString(kMainCaption));
  window.show();
  guard.FollowCaption(&window);
  std::printf("running %s\n", QApplication::platformName().toStdString().c_str());
  std::fflush(stdout);

  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) {
      input.setEnabled(false);
      QApplication::quit();
      return;
    }
    if (line.rfind("title ", 0) == 0) window.setWindowTitle(QString::fromStdString(line.substr(6)));
    std::printf("ok\n");
    std::fflush(stdout);
  });
  return QApplication::exec();
}
