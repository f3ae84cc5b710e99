// Times Show source on generated C files of ordinary shape (lines of 40
// bytes on average, the function's name on 1 % of them) in the real program
// (offscreen), and the peak memory it adds.
//   tolvane-bench-listing LINES...
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

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
  for (int a = 1; a < argc; ++a) {
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
