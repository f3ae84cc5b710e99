// The shell offscreen: the application started as the program starts it
// (without the single-instance guard), its menus, accelerators, commands,
// splash and About box.
#include "app/tolvane_app.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QRegularExpression>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/main_frame.h"
#include "platform/files/drives.h"
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

// Writes a file of the tree, making its folders.
void WriteIn(const TempDir& tree, const std::string& name, const std::string& bytes = "") {
  std::filesystem::create_directories(std::filesystem::path(tree.Join(name)).parent_path());
  tree.Write(name, bytes);
}

// Answers the folder dialog with folder, and presses キャンセル on the
// progress box when cancel is set.
std::function<void(QDialog*)> ChooseFolder(const QString& folder, bool cancel, QStringList* seen) {
  return [=](QDialog* d) {
    if (auto* progress = qobject_cast<QProgressDialog*>(d)) {
      if (!cancel) return;
      for (QPushButton* b : progress->findChildren<QPushButton*>()) {
        *seen << b->text();
        QTest::mouseClick(b, Qt::LeftButton);
      }
      return;
    }
    *seen << d->windowTitle();
    ChooseFile(folder)(d);
  };
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
  // Runs ﾌｫﾙﾀﾞを追加 on folder (see ChooseFolder) and returns what the
  // message boxes said.
  QStringList AddFolder(const QString& folder, bool cancel, QStringList* seen) {
    MessageBoxAnswerer box;
    ModalAnswerer answer(ChooseFolder(folder, cancel, seen));
    MenuItem(Main(Frame()), 0, 0)->trigger();
    return box.Texts();
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
             QStringList({"ﾌｧｲﾙ(&F)", "  ﾌｫﾙﾀﾞを追加(&D)...", "  C/C++ の構文で解析(&S)", "  終了(&X)", "ﾍﾙﾌﾟ(&H)",
                          "  バージョン情報Tolvane3(&A)..."}));
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
      // The version the box shows is the program's own, from its version block.
      QVERIFY(texts.contains("バージョン 3.0"));
      QVERIFY(texts.contains("(1.0.0.1)"));
    }
  }

  void newOpenAndSaveStartTheFormOverRenameTheWindowAndNeverEmptyAFile() {
    ClickItem(View()->m_listExtension, 1);
    QVERIFY(p->Keys(Qt::Key_N, Qt::ControlModifier));
    QCOMPARE(Items(View()->m_listFound).count(Q(p->tree.Join("main.c"))), 1);
    QCOMPARE(Items(View()->m_listExtension), QStringList({"fnc", "txt"}));
    QCOMPARE(Text(View()->m_editExtension), QString("txt"));
    {
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("main.c"))));
      QVERIFY(p->Keys(Qt::Key_O, Qt::ControlModifier));
      QCOMPARE(answer.titles.size(), 1);
    }
    QCOMPARE(Text(*Frame()), QString("main.c - Tolvane For Windows95"));
    QCOMPARE(Items(View()->m_listFound).count(Q(p->tree.Join("main.c"))), 1);
    // Nothing was read into the document, and nothing written.
    QCOMPARE(ReadWholeFile(p->tree.Join("main.c")), std::string("int main(void)\n{\n}\n"));

    // Save writes an empty file and never empties one.
    QString offered = "none";
    {
      // A name already taken by a file with text in it is refused.
      MessageBoxAnswerer box;
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("main.c")), &offered));
      QVERIFY(p->Keys(Qt::Key_S, Qt::ControlModifier));
      QCOMPARE(box.Texts(), QStringList({Q(p->tree.Join("main.c")) + " は空のファイルではないため、置き換えられません。"}));
    }
    QCOMPARE(offered, QString());  // the source opened is never offered
    QCOMPARE(ReadWholeFile(p->tree.Join("main.c")), std::string("int main(void)\n{\n}\n"));
    {
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("doc.tol"))));
      QVERIFY(p->Keys(Qt::Key_S, Qt::ControlModifier));
    }
    QVERIFY(std::filesystem::exists(p->tree.Join("doc.tol")));
    QCOMPARE(std::filesystem::file_size(p->tree.Join("doc.tol")), std::uintmax_t(0));
    QCOMPARE(Text(*Frame()), QString("doc.tol - Tolvane For Windows95"));
    for (auto reply : {QMessageBox::No, QMessageBox::Yes}) {
      MessageBoxAnswerer box(reply);
      ModalAnswerer answer(ChooseFile(Q(p->tree.Join("doc.tol"))));
      QVERIFY(p->Keys(Qt::Key_S, Qt::ControlModifier));
      QCOMPARE(box.Texts(), QStringList({Q(p->tree.Join("doc.tol")) + " は既に存在します。\n置き換えますか？"}));
    }
  }

  // (Which files below a folder are sources, in which order, links and
  // all: the source tree walk's own test.)
  void addFolderChoosesEverySourceBelowItOnce() {
    p.reset(new Program);
    for (const char* name : {"src/b.cpp", "src/a.c", "src/sub/c.C", "src/sub/x.h", "src/locked/f.c",
                             "src/lib.c/inner.c", "src/docs/readme.txt"})
      WriteIn(p->tree, name, "int f(void)\n{\n}\n");
    std::string src = p->tree.Join("src");
    QVERIFY(chmod((src + "/locked").c_str(), 0) == 0);
    // Start in src with a.c chosen and b.cpp selected: a.c is not chosen
    // twice, and b.cpp leaves the found-sources list as Add moves it.
    QVERIFY(chdir(src.c_str()) == 0);
    QVERIFY(p->Start({src + "/a.c"}));
    ClickItem(View()->m_listFound, Items(View()->m_listFound).indexOf(Q(src + "/b.cpp")));
    QVERIFY(View()->m_btnAdd.IsWindowEnabled());
    QStringList seen;
    {
      ScopedFilePermissions permissions;
      QCOMPARE(AddFolder(Q(src), false, &seen), QStringList({"次のフォルダは読めませんでした。\n" + Q(src) + "/locked"}));
    }
    QVERIFY(chmod((src + "/locked").c_str(), 0755) == 0);
    QCOMPARE(seen, QStringList({"ﾌｫﾙﾀﾞを追加"}));
    QStringList want;
    for (const char* name : {"a.c", "b.cpp", "lib.c/inner.c", "sub/c.C"}) want << Q(src + "/" + name);
    QCOMPARE(Items(View()->m_listChosen), want);
    // A folder named like a source stays.
    QCOMPARE(Items(View()->m_listFound).filter(QRegularExpression("\\.c$|\\.cpp$")), QStringList({Q(src + "/lib.c")}));
    QVERIFY(!View()->m_btnAdd.IsWindowEnabled());
    QVERIFY(View()->m_btnAnalyze.IsWindowEnabled());

    // Again: nothing new. A folder without sources says so.
    QCOMPARE(AddFolder(Q(src + "/sub"), false, &seen), QStringList());
    QCOMPARE(Items(View()->m_listChosen), want);
    QCOMPARE(AddFolder(Q(src + "/docs"), false, &seen), QStringList({"ソースファイルが見つかりませんでした。"}));
    QCOMPARE(Items(View()->m_listChosen), want);
  }

  void addFolderShowsItsProgressAndCancelAddsNothing() {
    for (int i = 0; i < 3000; ++i) WriteIn(p->tree, "big/f" + std::to_string(i) + ".c");
    View()->m_nProgressDelay = 0;
    View()->m_nWalkStep = 1;
    QStringList seen;
    QCOMPARE(AddFolder(p->Path("big"), true, &seen), QStringList());
    QCOMPARE(seen, QStringList({"ﾌｫﾙﾀﾞを追加", "キャンセル"}));
    QCOMPARE(View()->m_listChosen.GetCount(), 0);
    QVERIFY(!View()->m_btnAnalyze.IsWindowEnabled());
    // Without a press on it the box goes when the walk is done, and every
    // file is chosen.
    QCOMPARE(AddFolder(p->Path("big"), false, &seen), QStringList());
    QCOMPARE(View()->m_listChosen.GetCount(), 3000);
    QCOMPARE(Items(View()->m_listChosen).mid(0, 3),
             QStringList({p->Path("big/f0.c"), p->Path("big/f1.c"), p->Path("big/f10.c")}));
  }

  void theCommandLineNamesTheStartFolderAndTheFilesChosen() {
    p->tree.Write("top.c", "");
    for (const char* name : {"proj/a.c", "proj/b.cpp", "proj/notes.txt", "proj/sub/c.c", "other/o.c"})
      WriteIn(p->tree, name);
    std::string proj = p->tree.Join("proj");
    struct {
      std::vector<std::string> args;
      std::string folder;       // where the program starts
      QStringList chosen;       // and the files chosen
      QStringList boxes;        // the messages shown first
    } starts[] = {
        {{proj}, proj, {}, {}},
        {{"proj/sub/"}, proj + "/sub", {}, {}},
        {{"proj/b.cpp", "proj/notes.txt", "other/o.c", "proj/a.c", "proj/b.cpp"},
         proj,
         {Q(proj + "/b.cpp"), p->Path("other/o.c"), Q(proj + "/a.c")},
         {}},
        {{"no/such", proj + "/a.c"}, proj, {Q(proj + "/a.c")}, {NotFound("no/such")}},
        {{"missing.c"}, p->tree.path(), {}, {NotFound("missing.c")}},
    };
    for (auto& s : starts) {
      p->app->CloseAllDocuments();
      QVERIFY(chdir(p->tree.path().c_str()) == 0);
      MessageBoxAnswerer box;
      QVERIFY(p->Start(s.args));
      QCOMPARE(box.Texts(), s.boxes);
      QCOMPARE(GetCurrentDirectory().str(), s.folder);
      QCOMPARE(Items(View()->m_listChosen), s.chosen);
      QVERIFY(Items(View()->m_listFound).contains("[" + Q(s.folder) + "/.]"));
      for (const QString& file : s.chosen) QVERIFY(!Items(View()->m_listFound).contains(file));
      QCOMPARE(View()->m_btnAnalyze.IsWindowEnabled(), !s.chosen.isEmpty());
    }
  }

  void theOtherAcceleratorsReachNoHandlerAndExitEndsTheProgram() {
    // In the extension box with its text selected, where cut, delete, undo
    // or paste would show at once; the lists and the caption stay as well.
    CTolvaneView* view = View();
    CEdit& extension = view->m_editExtension;
    extension.SetFocus();
    extension.SetSel(0, -1);
    const QStringList found = Items(view->m_listFound);
    QApplication::clipboard()->setText("pasted");
    ModalAnswerer dialogs([](QDialog* d) { d->reject(); });
    for (auto [key, mods] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Backspace, Qt::AltModifier},
             {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier},
             {Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ControlModifier},
             {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
             {Qt::Key_F6, Qt::NoModifier},     {Qt::Key_F6, Qt::ShiftModifier}})
      Key(extension, key, mods);
    QCOMPARE(Text(extension), QString("fnc"));
    QCOMPARE(Items(view->m_listFound), found);
    QCOMPARE(Items(view->m_listChosen), QStringList());
    QCOMPARE(dialogs.titles, QStringList());
    QCOMPARE(Text(*Frame()), QString("ソース選択 - Tolvane For Windows95"));
    MenuItem(Main(Frame()), 0, 2)->trigger();
    QVERIFY(p->app->m_pMainWnd == nullptr);
    QCOMPARE(p->app->ExitInstance(), 0);
  }

 private:
  static QString NotFound(const char* path) {
    return QString::fromUtf8(path) + " が見つかりません。";
  }
};

QTEST_MAIN(TolvaneAppTest)
#include "tolvane_app_test.moc"
