// Times the form's add-folder command (offscreen) over a generated tree:
// the whole command, and the longest stretch in which the event loop was not
// served, which is how long the form could not repaint.
//   tolvane-bench-add-folder [FILES]     (default 100000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/ui/frame.h"
#include "platform/ui/ui_colors.h"
#include "res/resources.h"
#include "view/tolvane_view.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  AfxSetResources(&TolvaneResources());
  AfxSetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
  int files = argc > 1 ? std::atoi(argv[1]) : 100000;

  // 100 files a folder, 100 folders a level.
  namespace fs = std::filesystem;
  fs::path top = fs::temp_directory_path() / ("tolvane-bench-add-folder-" + std::to_string(::getpid()));
  for (int i = 0; i < files; ++i) {
    fs::path dir = top / ("d" + std::to_string(i / 10000)) / ("e" + std::to_string(i / 100 % 100));
    if (i % 100 == 0) fs::create_directories(dir);
    std::ofstream(dir / ("f" + std::to_string(i) + (i % 2 ? ".c" : ".cpp")));
  }

  CFrameWnd frame;
  frame.CreateFrame("ソース選択 - Tolvane For Windows95");
  auto* view = new CTolvaneView;
  view->Create(&frame);
  frame.SetActiveView(view);
  view->OnInitialUpdate();
  frame.ShowWindow(SW_SHOW);
  QApplication::processEvents();

  QElapsedTimer clock, sinceTick;
  qint64 longest = 0;
  QTimer tick;
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longest = std::max(longest, sinceTick.restart());
  });
  clock.start();
  sinceTick.start();
  tick.start();
  view->AddFolder(CString(top.string()));
  longest = std::max(longest, sinceTick.elapsed());
  tick.stop();
  std::printf("files %d  chosen %d\n", files, view->m_listChosen.GetCount());
  std::printf("add folder: %.3f s; the event loop waited at most %lld ms\n", clock.elapsed() / 1000.0,
              static_cast<long long>(longest));
  fs::remove_all(top);
  return 0;
}
