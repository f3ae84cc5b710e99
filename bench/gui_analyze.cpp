// Times the Analyze button of the real form (offscreen) over a list of
// files, and how much of that time the status line and the insertions into
// the list of functions take.
//   tolvane-bench-gui LIST [RUNS]
// LIST holds one path a line (relative ones from the current directory).
// TOLVANE_JOBS sets the threads of the runs, as for the program.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
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

// The form, with parts of what it shows left out, which tells what they
// cost: the names collected never reach the status line, or the heads
// never reach the list.
class CTimedView : public CTolvaneView {
 public:
  enum Shows { kAll, kNoStatus, kNoList, kVariants };
  Shows shows = kAll;
  long callees = 0;

 protected:
  void OnHead(const CTableEntry& entry) override {
    if (shows != kNoList) CTolvaneView::OnHead(entry);
  }
  void OnEntryFinal(const CTableEntry& entry) override {
    callees += entry.calls.GetCount();
    if (shows != kNoStatus) CTolvaneView::OnEntryFinal(entry);
  }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The processor time of this thread, or of the whole process.
double CpuSeconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

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

  double best[CTimedView::kVariants] = {1e9, 1e9, 1e9};
  double bestCpu[2] = {1e9, 1e9};  // of the form's thread and of the process, all shown
  long callees = 0;
  int functions = 0;
  for (int run = 0; run < CTimedView::kVariants * runs; ++run) {
    CFrameWnd frame;
    frame.CreateFrame("ソース選択 - Tolvane For Windows95");
    auto* view = new CTimedView;
    view->shows = static_cast<CTimedView::Shows>(run % CTimedView::kVariants);
    view->Create(&frame);
    frame.SetActiveView(view);
    view->OnInitialUpdate();
    frame.ShowWindow(SW_SHOW);
    QApplication::processEvents();
    for (const std::string& f : files) view->m_listChosen.AddString(CString(f));

    const double thread0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID), process0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    Clock::time_point t0 = Clock::now();
    CWnd::CallWndProc(view, WM_COMMAND, MAKEWPARAM(IDC_ANALYZE, BN_CLICKED), 0);
    double t = Seconds(Clock::now() - t0);
    best[view->shows] = std::min(best[view->shows], t);
    if (view->shows == CTimedView::kAll) {
      bestCpu[0] = std::min(bestCpu[0], CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0);
      bestCpu[1] = std::min(bestCpu[1], CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0);
      callees = view->callees;
      functions = view->m_listFunctions.GetCount();
    }
  }
  auto share = [&](int without) { return 100.0 * (best[0] - best[without]) / best[0]; };
  std::printf("files %zu  functions %d  names collected %ld\n", files.size(), functions, callees);
  std::printf("Analyze in the form: %.3f s (best of %d); without status updates %.3f s; "
              "status line %.1f %%; without list insertions %.3f s; list insertions %.1f %%\n",
              best[0], runs, best[1], share(1), best[2], share(2));
  std::printf("processor time: the form's thread %.3f s, all threads %.3f s\n", bestCpu[0], bestCpu[1]);
  return 0;
}
