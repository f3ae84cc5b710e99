// Takes the screenshots of docs/: the program on the current display (an
// Xvfb with a window manager, see scripts/screenshots.sh), driven through
// its real widgets, each scene shot with ImageMagick's import.
//   tolvane-screenshots OUTDIR    (run in the examples folder)
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/widgets.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  g_outDir = argc > 1 ? argv[1] : ".";
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
    listing->MoveWindow(main.left + 120, main.top + 150, 620, 520);
    Settle();
    if (listing->m_listLines.GetCount() > 1) Click(listing->m_listLines, 1, true);
    Settle();
    CRect r;
    listing->GetWindowRect(&r);
    Shoot("listing.png", Union(main, r));
  }
  app.CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
