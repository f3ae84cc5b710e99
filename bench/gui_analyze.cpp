// Times the Analyze button of the real form (offscreen) over a list of
// files, and how much of that time the status line takes.
//   tolvane-bench-gui LIST [RUNS]
// LIST holds one path a line (relative ones from the current directory).
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/drives.h"
#include "platform/ui/frame.h"
#include "platform/ui/ui_colors.h"
#include "res/resources.h"
#include "view/tolvane_view.h"

namespace {

using Clock = std::chrono::steady_clock;

// The form; with quiet set, the names collected never reach the status
// line, which tells what the status line costs.
class CTimedView : public CTolvaneView {
 public:
  bool quiet = false;
  long callees = 0;

 protected:
  void OnEntryFinal(const CTableEntry& entry) override {
    callees += entry.calls.GetCount();
    if (!quiet) CTolvaneView::OnEntryFinal(entry);
  }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s LIST [RUNS]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  AfxSetResources(&TolvaneResources());
  AfxSetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
  std::vector<std::string> files;
  std::ifstream list(argv[1]);
  std::string cwd = GetCurrentDirectory().str();
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) files.push_back(line[0] == '/' ? line : cwd + "/" + line);
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;

  double best[2] = {1e9, 1e9};  // with the status line, without
  long callees = 0;
  int functions = 0;
  for (int run = 0; run < 2 * runs; ++run) {
    CFrameWnd frame;
    frame.CreateFrame("ソース選択 - Tolvane For Windows95");
    auto* view = new CTimedView;
    view->quiet = run % 2;
    view->Create(&frame);
    frame.SetActiveView(view);
    view->OnInitialUpdate();
    frame.ShowWindow(SW_SHOW);
    QApplication::processEvents();
    for (const std::string& f : files) view->m_listChosen.AddString(CString(f));

    Clock::time_point t0 = Clock::now();
    CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED), 0);
    double t = Seconds(Clock::now() - t0);
    best[run % 2] = std::min(best[run % 2], t);
    callees = view->callees;
    functions = view->m_listFunctions.GetCount();
  }
  std::printf("files %zu  functions %d  names collected %ld\n", files.size(), functions, callees);
  std::printf("Analyze in the form: %.3f s (best of %d); without status updates %.3f s; "
              "status line %.1f %%\n",
              best[0], runs, best[1], 100.0 * (best[0] - best[1]) / best[0]);
  return 0;
}
