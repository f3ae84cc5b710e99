// The shell offscreen: the application started as the program starts it
// (without the single-instance guard), its menus, accelerators, commands,
// splash and About box.
#include "app/tolvane_app.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "app/main_frame.h"
#include "platform/files/drives.h"
#include "platform/ui/qt_string.h"
#include "tests/gui_support.h"
#include "tests/program_fixture.h"
#include "view/tolvane_view.h"

namespace {

QMainWindow* Main(CWnd* frame) { return qobject_cast<QMainWindow*>(frame->m_hWnd); }

// The captions of the menu bar and of each menu's items, as shown.
QStringList MenuTexts(QMainWindow* w) {
  QStringList texts;
  for (QAction* top : w->menuBar()->actions()) {
    texts << top->text();
    for (QAction* item : top->menu()->actions()) texts << "  " + item->text();
  }
  return texts;
}

QAction* MenuItem(QMainWindow* w, int menu, int item) {
  return w->menuBar()->actions()[menu]->menu()->actions()[item];
}

}  // namespace

class TolvaneAppTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Program> p;
  std::chrono::steady_clock::time_point started;
  // The splash of these tests shows for this long, not the program's three
  // seconds.
  static constexpr UINT kSplashMilliseconds = 1000;

  CMainFrame* Frame() { return p->Frame(); }
  CTolvaneView* View() { return p->View(); }
  // Keys go to the main window, active again after any dialog.
  void Keys(int key, Qt::KeyboardModifiers mods) {
    QVERIFY(p->Activate());
    QTest::keyClick(Frame()->m_hWnd, static_cast<Qt::Key>(key), mods);
  }

 private slots:
  void init() {
    CMainFrame::s_nSplashMilliseconds = kSplashMilliseconds;
    p.reset(new Program);
    p->tree.Write("main.c", "int main(void)\n{\n}\n");
    started = std::chrono::steady_clock::now();
    QVERIFY(p->Start());
  }
  void cleanup() { p.reset(); }

  void opensItsCentredMainWindowWithTwoMenus() {
    QCOMPARE(Text(*Frame()), QString("ソース選択 - Tolvane For Windows95"));
    QCOMPARE(MenuTexts(Main(Frame())),
             QStringList({"ﾌｧｲﾙ(&F)", "  終了(&X)", "ﾍﾙﾌﾟ(&H)", "  バージョン情報Tolvane3(&A)..."}));
    CRect r;
    Frame()->GetWindowRect(&r);
    QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(std::abs((r.left + r.right) / 2 - area.center().x()) <= 1);
    QVERIFY(std::abs((r.top + r.bottom) / 2 - area.center().y()) <= 1);
    QCOMPARE(Items(View()->m_listFound).count(Q(p->tree.Join("main.c"))), 1);
  }

  void theSplashShowsForItsTimeThenNeverAgain() {
    CSplashWnd& splash = Frame()->m_wndSplash;
    QVERIFY(splash.IsWindowVisible());
    QVERIFY(!splash.IsWindowEnabled());
    CRect r;
    splash.GetWindowRect(&r);
    QCOMPARE(QSize(r.Width(), r.Height()), QSize(385, 208));
    QCOMPARE(QSize(splash.m_nWidth, splash.m_nHeight), QSize(383, 207));
    QTRY_VERIFY_WITH_TIMEOUT(splash.m_hWnd == nullptr, 5000);
    QVERIFY(std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(kSplashMilliseconds));
    QVERIFY(splash.m_pBitmap == nullptr);
    QTest::qWait(200);
    QVERIFY(splash.m_hWnd == nullptr);
  }

  void aboutOpensAFreshModalBoxEachTime() {
    for (int i = 0; i < 2; ++i) {
      QStringList texts;
      ModalAnswerer answer([&texts](QDialog* d) {
        for (QLabel* l : d->findChildren<QLabel*>()) texts << l->text();
        QTest::keyClick(d, Qt::Key_Escape);
      });
      MenuItem(Main(Frame()), 1, 0)->trigger();
      QCOMPARE(answer.titles, QStringList({"バージョン情報(Tolvane3)"}));
      QVERIFY(texts.contains("Tolvane For Windows95"));
    }
  }

  void newAndOpenStartTheFormOverAndOpenRenamesTheWindow() {
    ClickItem(View()->m_listExtension, 1);
    Keys(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(Items(View()->m_listFound).count(Q(p->tree.Join("main.c"))), 1);
    QCOMPARE(Items(View()->m_listExtension), QStringList({"fnc", "txt"}));
    QCOMPARE(Text(View()->m_editExtension), QString("txt"));
    {
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("main.c"))));
      Keys(Qt::Key_O, Qt::ControlModifier);
      QCOMPARE(answer.titles.size(), 1);
    }
    QCOMPARE(Text(*Frame()), QString("main.c - Tolvane For Windows95"));
    QCOMPARE(Items(View()->m_listFound).count(Q(p->tree.Join("main.c"))), 1);
    // Nothing was read into the document, and nothing written.
    QCOMPARE(ReadWholeFile(p->tree.Join("main.c")), std::string("int main(void)\n{\n}\n"));
  }

  void saveWritesAnEmptyFileAndNeverEmptiesOne() {
    {
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("main.c"))));
      Keys(Qt::Key_O, Qt::ControlModifier);
    }
    QString offered = "none";
    {
      // A name already taken by a file with text in it is refused.
      MessageBoxAnswerer box;
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("main.c")), &offered));
      Keys(Qt::Key_S, Qt::ControlModifier);
      QCOMPARE(box.Texts(), QStringList({Q(p->tree.Join("main.c")) + " は空のファイルではないため、置き換えられません。"}));
    }
    QCOMPARE(offered, QString());  // the source opened is never offered
    QCOMPARE(ReadWholeFile(p->tree.Join("main.c")), std::string("int main(void)\n{\n}\n"));
    {
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("doc.tol"))));
      Keys(Qt::Key_S, Qt::ControlModifier);
    }
    QVERIFY(std::filesystem::exists(p->tree.Join("doc.tol")));
    QCOMPARE(std::filesystem::file_size(p->tree.Join("doc.tol")), std::uintmax_t(0));
    QCOMPARE(Text(*Frame()), QString("doc.tol - Tolvane For Windows95"));
    for (auto reply : {QMessageBox::No, QMessageBox::Yes}) {
      MessageBoxAnswerer box(reply);
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("doc.tol"))));
      Keys(Qt::Key_S, Qt::ControlModifier);
      QCOMPARE(box.Texts(), QStringList({Q(p->tree.Join("doc.tol")) + " は既に存在します。\n置き換えますか？"}));
    }
  }

  void theOtherAcceleratorsReachNoHandlerAndExitEndsTheProgram() {
    View()->m_listFound.SetFocus();
    for (auto [key, mods] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Backspace, Qt::AltModifier},
             {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier},
             {Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ControlModifier},
             {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
             {Qt::Key_F6, Qt::NoModifier},     {Qt::Key_F6, Qt::ShiftModifier}})
      Keys(key, mods);
    QCOMPARE(Text(*Frame()), QString("ソース選択 - Tolvane For Windows95"));
    MenuItem(Main(Frame()), 0, 0)->trigger();
    QVERIFY(p->app->m_pMainWnd == nullptr);
    QCOMPARE(p->app->ExitInstance(), 0);
  }

 private:
  static QString Q(const std::string& s) { return QString::fromStdString(s); }
};

QTEST_MAIN(TolvaneAppTest)
#include "tolvane_app_test.moc"
