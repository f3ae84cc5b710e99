// Times the callers window of a function called by 1,000 of 50,000 entries,
// in the real program (offscreen): the search of the table alone, and the
// window from Ctrl+R's command until it is shown and painted. The sources
// are deleted before the window is asked for: nothing is read again.
//   tolvane-bench-callers [ENTRIES [CALLERS]]
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/files/drives.h"
#include "platform/ui/frame.h"
#include "results/callers_dlg.h"
#include "results/name_lookup.h"
#include "view/tolvane_view.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// entries functions, each calling four others; every (entries / callers)-th
// one calls Target too, which the first one is.
void WriteSource(const std::string& path, int entries, int callers) {
  std::ofstream out(path, std::ios::binary);
  out << "void Target(void)\n{\n}\n";
  int every = entries / callers;
  for (int i = 1; i < entries; ++i) {
    out << "void func" << i << "(int n)\n{\n";
    for (int k = 1; k <= 4; ++k) out << "    helper" << (i * 7 + k) % 5000 << "(n);\n";
    if ((i - 1) % every == 0) out << "    Target();\n";
    out << "}\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  int entries = argc > 1 ? std::atoi(argv[1]) : 50000;
  int callers = argc > 2 ? std::atoi(argv[2]) : 1000;
  char dir[] = "/tmp/tolvane-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  std::string path = std::string(dir) + "/callers.c";
  WriteSource(path, entries, callers);
  SetCurrentDirectory(CString(dir));
  CMainFrame::s_nSplashMilliseconds = 1;
  CTolvaneApp app;
  app.InitInstance();
  auto* view = dynamic_cast<CTolvaneView*>(dynamic_cast<CFrameWnd*>(app.m_pMainWnd)->GetActiveView());
  view->m_listChosen.AddString(CString(path));
  CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED), 0);
  unlink(path.c_str());
  rmdir(dir);
  const CFunctionTable& table = view->m_engine.GetTable();

  double search = 1e9;
  std::size_t found = 0;
  for (int run = 0; run < 5; ++run) {
    auto t0 = Clock::now();
    found = FindCallers(table, "Target").size();
    search = std::min(search, Seconds(Clock::now() - t0));
  }
  view->m_listFunctions.SetCurSel(0);
  QApplication::processEvents();
  auto t0 = Clock::now();
  CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(ID_VIEW_CALLERS, 0), 0);
  QApplication::processEvents();  // shown and painted
  double window = Seconds(Clock::now() - t0);
  CCallersDlg* dlg = view->FindCallersDlg(view->m_listFunctions.GetText(0));
  std::printf("%d entries, %zu callers of Target: search %.2f ms; window %.1f ms (%d listed)\n",
              table.GetFunctionCount(), found, search * 1e3, window * 1e3,
              dlg ? dlg->m_listCallers.GetCount() : -1);
  app.CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
