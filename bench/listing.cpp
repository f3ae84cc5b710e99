// Times Show source on generated C files of ordinary shape (lines of 40
// bytes on average, the function's name on 1 % of them) in the real program
// (offscreen), and the peak memory it adds. With --idle, the CPU the
// program takes at rest for SECONDS, with the form alone and then with a
// listing window of a LINES-line file open (run it on a real display).
//   tolvane-bench-listing LINES...
//   tolvane-bench-listing --idle SECONDS LINES
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/files/drives.h"
#include "platform/ui/frame.h"
#include "view/tolvane_view.h"

namespace {

long PeakKb() {
  struct rusage r;
  getrusage(RUSAGE_SELF, &r);
  return r.ru_maxrss;
}

double CpuSeconds() {
  struct rusage r;
  getrusage(RUSAGE_SELF, &r);
  return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for seconds and prints the share of a core it took.
void MeasureIdle(const char* what, double seconds) {
  // A second to settle first.
  QTimer::singleShot(1000, [] { QCoreApplication::exit(0); });
  QApplication::exec();
  double cpu0 = CpuSeconds();
  auto t0 = std::chrono::steady_clock::now();
  QTimer::singleShot(static_cast<int>(seconds * 1000), [] { QCoreApplication::exit(0); });
  QApplication::exec();
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%s: %.1f %% of a core over %.1f s\n", what, 100 * (CpuSeconds() - cpu0) / wall, wall);
}

// A file of about `lines` lines: one function, Target, called on 1 % of them.
std::size_t WriteSource(const std::string& path, int lines) {
  std::mt19937 random(lines);
  std::ofstream out(path, std::ios::binary);
  out << "void Target(void)\n{\n";
  std::size_t bytes = 0;
  for (int i = 2; i < lines; ++i) {
    std::string line = (random() % 100 == 0) ? "    Target();" : "    value = compute(value, " + std::to_string(i) + ");";
    line.resize(std::max<std::size_t>(line.size(), 8 + random() % 56), ' ');
    line += "\n";
    bytes += line.size();
    out << line;
  }
  out << "}\n";
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  char dir[] = "/tmp/tolvane-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  double idle = 0;
  int first = 1;
  if (argc > 3 && std::string(argv[1]) == "--idle") {
    idle = std::atof(argv[2]);
    first = 3;
    CMainFrame::s_nSplashMilliseconds = 1;
  }
  for (int a = first; a < argc; ++a) {
    int lines = std::atoi(argv[a]);
    std::string path = std::string(dir) + "/big" + std::to_string(lines) + ".c";
    std::size_t bytes = WriteSource(path, lines);
    SetCurrentDirectory(CString(dir));
    CTolvaneApp app;
    app.InitInstance();
    auto* view = dynamic_cast<CTolvaneView*>(dynamic_cast<CFrameWnd*>(app.m_pMainWnd)->GetActiveView());
    view->m_listChosen.AddString(CString(path));
    CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED), 0);
    view->m_listFunctions.SetCurSel(0);
    if (idle > 0) {
      MeasureIdle("the form alone", idle);
      CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_SHOW_SOURCE, BN_CLICKED), 0);
      MeasureIdle("with a listing window", idle);
      app.CloseAllDocuments();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      unlink(path.c_str());
      continue;
    }
    QApplication::processEvents();
    long before = PeakKb();
    auto t0 = std::chrono::steady_clock::now();
    CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_SHOW_SOURCE, BN_CLICKED), 0);
    QApplication::processEvents();  // shown and painted
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    long grown = PeakKb() - before;
    std::printf("%8d lines, %6.1f MB: listing window in %.3f s; peak memory +%.1f MB (%.1f x the file)\n",
                lines, bytes / 1e6, seconds, grown / 1024.0, grown * 1024.0 / bytes);
    app.CloseAllDocuments();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    unlink(path.c_str());
  }
  rmdir(dir);
  return 0;
}
