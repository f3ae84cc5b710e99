// Takes the screenshots of docs/: the program on the current display (an
// Xvfb with a window manager, see scripts/screenshots.sh), driven through
// its real widgets, each scene shot with ImageMagick's import.
//   tolvane-screenshots OUTDIR    (run in the examples folder)
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/files/drives.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/widgets.h"
#include "results/callers_dlg.h"
#include "results/find_dlg.h"
#include "results/source_dlg.h"
#include "view/tolvane_view.h"

namespace {

std::string g_outDir;

void Settle(int ms = 400) {
  QTest::qWait(ms);
  QApplication::processEvents();
}

// Shoots the screen around the rectangle (left, top, right, bottom) with a
// margin for the window manager's frames.
void Shoot(const char* name, CRect r) {
  constexpr int kMargin = 24;
  int x = std::max(0, r.left - kMargin), y = std::max(0, r.top - kMargin - 16);
  std::string geometry = std::to_string(r.Width() + 2 * kMargin) + "x" +
                         std::to_string(r.Height() + 2 * kMargin + 16) + "+" + std::to_string(x) + "+" +
                         std::to_string(y);
  std::string cmd = "import -window root -crop " + geometry + " +repage '" + g_outDir + "/" + name + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "screenshots: %s failed\n", cmd.c_str());
}

CRect Union(CRect a, CRect b) {
  return CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom));
}

int Row(const CListBox& list, const QString& text) {
  auto* w = dynamic_cast<ListBoxWidget*>(list.m_hWnd);
  for (int r = 0; r < w->Model().rowCount(); ++r)
    if (w->Model().data(w->Model().index(r), Qt::DisplayRole).toString().endsWith(text)) return r;
  return -1;
}

void Click(const CListBox& list, int row, bool twice = false) {
  auto* w = dynamic_cast<ListBoxWidget*>(list.m_hWnd);
  QPoint p = w->visualRect(w->Model().index(row)).center();
  QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, p);
  if (twice) QTest::mouseDClick(w->viewport(), Qt::LeftButton, {}, p);
  Settle(100);
}

// A project as a user's may be: deep folders, sources at three levels.
std::string MakeProject(const std::string& top) {
  namespace fs = std::filesystem;
  std::string module = top + "/home/yamada/projects/customer-abc/zaiko-kanri-system/src/modules/inventory";
  for (const char* sub : {"", "/stock", "/stock/ledger"}) fs::create_directories(module + sub);
  fs::copy_file("calc.c", module + "/zaiko_calc.c", fs::copy_options::overwrite_existing);
  fs::copy_file("ring.c", module + "/stock/zaiko_ring_buffer.c", fs::copy_options::overwrite_existing);
  fs::copy_file("shape.cpp", module + "/stock/ledger/zaiko_ledger_shapes.cpp",
                fs::copy_options::overwrite_existing);
  return module;
}

// A tree big enough for the add-folder walk to take a while.
std::string MakeBigTree(const std::string& top) {
  std::string big = top + "/home/yamada/projects/customer-abc/legacy-archive";
  for (int d = 0; d < 40; ++d) {
    std::string dir = big + "/lib" + std::to_string(d) + "/src";
    std::filesystem::create_directories(dir);
    for (int f = 0; f < 500; ++f) std::ofstream(dir + "/unit" + std::to_string(f) + ".c");
  }
  return big;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  g_outDir = argc > 1 ? argv[1] : ".";
  const CString examples = GetCurrentDirectory();
  CTolvaneApp app;
  app.InitInstance();
  auto* frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
  auto* view = dynamic_cast<CTolvaneView*>(frame->GetActiveView());
  CRect main;
  Settle(600);
  frame->GetWindowRect(&main);
  Shoot("splash.png", main);

  QTimer::singleShot(800, [&] {
    CRect about;
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      QRect g = d->frameGeometry();
      about = CRect(g.left(), g.top(), g.right() + 1, g.bottom() + 1);
      Shoot("about.png", Union(about, CRect(about.left - 40, about.top - 40, about.right + 40, about.bottom + 40)));
      d->reject();
    }
  });
  app.OnAppAbout();
  Settle(3000);  // the splash goes

  for (const char* f : {"/calc.c", "/ring.c", "/shape.cpp"}) Click(view->m_listFound, Row(view->m_listFound, f), true);
  QTest::mouseClick(view->m_btnAnalyze.m_hWnd, Qt::LeftButton);
  Settle();
  Click(view->m_listFunctions, Row(view->m_listFunctions, ">parse_term"));
  Settle();
  frame->GetWindowRect(&main);
  Shoot("form.png", main);

  QTest::mouseClick(view->m_btnShowSource.m_hWnd, Qt::LeftButton);
  Settle(600);
  auto* listing = dynamic_cast<CSourceDlg*>(CWnd::FromHandlePermanent(QApplication::activeWindow()));
  if (listing) {
    if (listing->m_listLines.GetCount() > 1) Click(listing->m_listLines, 1, true);
    Settle();
    CRect r;
    listing->GetWindowRect(&r);
    Shoot("listing.png", Union(main, r));
  }
  if (listing) listing->m_hWnd->hide();

  // Who calls skip_blanks: the callers window over the form (Ctrl+R).
  Click(view->m_listFunctions, Row(view->m_listFunctions, ">skip_blanks"));
  frame->m_hWnd->activateWindow();
  Settle(200);
  QTest::keyClick(frame->m_hWnd, Qt::Key_R, Qt::ControlModifier);
  Settle(600);
  if (CCallersDlg* callers = view->FindCallersDlg(view->m_listFunctions.GetText(view->m_listFunctions.GetCurSel()))) {
    callers->MoveWindow(main.left + 200, main.top + 260, 460, 260);
    Settle();
    CRect r;
    callers->GetWindowRect(&r);
    Shoot("callers.png", Union(main, r));
    callers->m_hWnd->hide();
  }

  // The find box (Ctrl+F) after finding "ring_".
  frame->m_hWnd->activateWindow();
  Settle(200);
  QTest::keyClick(frame->m_hWnd, Qt::Key_F, Qt::ControlModifier);
  Settle(400);
  if (CFindDlg* find = view->GetFindDlg()) {
    QTest::keyClicks(find->m_editText.m_hWnd, "ring_");
    QTest::mouseClick(find->m_btnFindNext.m_hWnd, Qt::LeftButton);
    Settle();
    CRect r;
    find->GetWindowRect(&r);
    Shoot("find.png", Union(main, r));
    find->m_hWnd->hide();
  }

  // A whole folder: the progress box of a long walk, which is then cancelled.
  std::string top = (std::filesystem::temp_directory_path() / "tolvane-screenshots").string();
  std::filesystem::remove_all(top);
  std::string module = MakeProject(top);
  std::string big = MakeBigTree(top);
  view->m_nProgressDelay = 0;
  view->m_nWalkStep = 1;
  QTimer poll;
  int ticks = 0;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || ++ticks < 25) return;  // the walk well under way
    poll.stop();
    Settle(300);
    QRect g = box->frameGeometry();
    frame->GetWindowRect(&main);
    Shoot("add-folder.png", Union(main, CRect(g.left(), g.top(), g.right() + 1, g.bottom() + 1)));
    for (QPushButton* b : box->findChildren<QPushButton*>()) QTest::mouseClick(b, Qt::LeftButton);
  });
  poll.start();
  view->AddFolder(CString(big));
  poll.stop();
  view->m_nProgressDelay = 1000;
  view->m_nWalkStep = 512;

  // The maximised form over that project, started afresh in its folder:
  // long entries read whole.
  view->m_listChosen.ResetContent();
  view->m_listFound.ResetContent();
  SetCurrentDirectory(CString(module));
  view->FillSourceList();
  view->AddFolder(CString(module.substr(0, module.rfind("/src/"))));
  QTest::mouseClick(view->m_btnAnalyze.m_hWnd, Qt::LeftButton);
  frame->m_hWnd->showMaximized();
  Settle(800);
  Click(view->m_listFunctions, Row(view->m_listFunctions, ">ring_put"));
  Settle();
  frame->GetWindowRect(&main);
  Shoot("form-maximised.png", main);

  // The syntax rules (ﾌｧｲﾙ → C/C++ の構文で解析) over shape.cpp, where the
  // classic rules take three message-map macros for functions (10 entries,
  // 7 here): the form at its first size with the menu open on the checked
  // item.
  frame->m_hWnd->showNormal();
  Settle(600);
  view->m_listChosen.ResetContent();
  view->m_listFound.ResetContent();
  SetCurrentDirectory(examples);
  view->FillSourceList();
  Click(view->m_listFound, Row(view->m_listFound, "/shape.cpp"), true);
  QMenuBar* bar = qobject_cast<QMainWindow*>(frame->m_hWnd)->menuBar();
  QMenu* fileMenu = bar->actions()[0]->menu();
  fileMenu->actions()[1]->trigger();
  QTest::mouseClick(view->m_btnAnalyze.m_hWnd, Qt::LeftButton);
  Settle();
  Click(view->m_listFunctions, Row(view->m_listFunctions, ">CShape::HitTest"));
  frame->m_hWnd->activateWindow();
  Settle(200);
  bar->setActiveAction(bar->actions()[0]);
  Settle();
  fileMenu->setActiveAction(fileMenu->actions()[1]);
  Settle();
  frame->GetWindowRect(&main);
  Shoot("syntax-rules.png", main);
  fileMenu->hide();

  app.CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  std::filesystem::remove_all(top);
  return 0;
}
