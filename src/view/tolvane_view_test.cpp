// The main form driven as a user drives it: real clicks and keys on the real
// widgets, over a temporary tree and a drive table of the test's own.
#include "view/tolvane_view.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/rule_set.h"
#include "platform/files/drives.h"
#include "platform/ui/app.h"
#include "platform/ui/dialog_layout.h"
#include "platform/ui/frame.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/qt_string.h"
#include "res/resources.h"
#include "tests/gui_support.h"
#include "tests/temp_dir.h"

namespace {

// The sample of the analysis as a user meets it: sixteen lines, four heads.
const char kCalc[] =
    "/* sample */\n"
    "int count;\n"
    "static int\n"
    "add(int a, int b) /* sum */\n"
    "{\n"
    "return a + b; // result\n"
    "}\n"
    "BEGIN_MESSAGE_MAP(CMyView, CFormView)\n"
    "ON_BN_CLICKED(100, OnGo)\n"
    "END_MESSAGE_MAP()\n"
    "void show(void)\n"
    "{\n"
    "/* print\n"
    "twice */\n"
    "add(1, 2);\n"
    "}\n";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The classic rules, except that one file waits on its thread until the
// form has painted after the file was reached (a minute at most, so that a
// form that never paints fails the test rather than hangs it).
class CGatedRules : public IRuleSet {
 public:
  explicit CGatedRules(std::string gated) : m_gated(std::move(gated)) {}
  std::vector<std::string> WorkFileNames() const override { return ClassicRuleSet().WorkFileNames(); }
  std::unique_ptr<IFileAnalyzer> NewAnalyzer(const std::string& folder, EncodingChoice encoding) const override {
    return std::make_unique<Analyzer>(ClassicRuleSet().NewAnalyzer(folder, encoding), *this);
  }
  void Painted() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPainted = true;
    m_open.notify_all();
  }
  /// How often the gated file was read, and how often it went on after a paint.
  std::pair<int, int> Reads() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_nReads, m_nReadsAfterPaint};
  }

 private:
  struct Analyzer : IFileAnalyzer {
    Analyzer(std::unique_ptr<IFileAnalyzer> rules, const CGatedRules& gate) : rules(std::move(rules)), gate(gate) {}
    void Analyze(const CString& path, CFileUnit& unit) override {
      if (path.str() == gate.m_gated) {
        std::unique_lock<std::mutex> lock(gate.m_mutex);
        ++gate.m_nReads;
        gate.m_bPainted = false;
        if (gate.m_open.wait_for(lock, std::chrono::minutes(1), [this] { return gate.m_bPainted; }))
          ++gate.m_nReadsAfterPaint;
      }
      rules->Analyze(path, unit);
    }
    bool IsOwnFile(const CString& path) const override { return rules->IsOwnFile(path); }
    void RemoveWorkFiles() override { rules->RemoveWorkFiles(); }
    void MakeWorkFiles() override { rules->MakeWorkFiles(); }
    std::unique_ptr<IFileAnalyzer> rules;
    const CGatedRules& gate;
  };
  const std::string m_gated;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_open;
  mutable bool m_bPainted = false;
  mutable int m_nReads = 0, m_nReadsAfterPaint = 0;
};

// Hands every event of the application to a function, before its receiver
// (and after the filters installed later).
class EventWatch : public QObject {
 public:
  explicit EventWatch(std::function<void(QObject*, QEvent*)> seen) : m_seen(std::move(seen)) {
    qApp->installEventFilter(this);
  }
  ~EventWatch() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    m_seen(o, e);
    return false;
  }

 private:
  std::function<void(QObject*, QEvent*)> m_seen;
};

std::set<QString> SetOf(const QStringList& l) { return std::set<QString>(l.begin(), l.end()); }

}  // namespace

class TolvaneViewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> tree;
  std::unique_ptr<CFrameWnd> frame;
  CTolvaneView* view = nullptr;
  std::string oldCwd;

  void Open(const std::string& dir) {
    QVERIFY(chdir(dir.c_str()) == 0);
    frame.reset(new CFrameWnd);
    QVERIFY(frame->CreateFrame("ソース選択 - Tolvane For Windows95"));
    AfxSetMainWnd(frame.get());
    view = new CTolvaneView;
    QVERIFY(view->Create(frame.get()));
    frame->SetActiveView(view);
    view->OnInitialUpdate();
    frame->ShowWindow(SW_SHOW);
    frame->m_hWnd->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame->m_hWnd));
  }
  void Choose(const std::vector<std::string>& names) {
    for (const std::string& n : names) {
      int row = Items(view->m_listFound).indexOf(Q(tree->Join(n)));
      QVERIFY2(row >= 0, n.c_str());
      DoubleClickItem(view->m_listFound, row);
    }
  }
  int Row(const CListBox& list, const std::string& text) { return Items(list).indexOf(Q(text)); }
  // Every control of the form by its ID, with its place in the form.
  std::map<int, QRect> Places() {
    std::map<int, QRect> places;
    for (const DialogControl& c : AfxFindDialogTemplate(IDD_TOLVANE_FORM)->controls)
      places[c.id] = FindControl(view->m_hWnd, c.id)->geometry();
    return places;
  }
  // Sizes the frame by its outer rectangle and waits for the form to follow.
  void SizeFrame(int width, int height) {
    CRect r;
    frame->GetWindowRect(&r);
    QSize before = view->m_hWnd->parentWidget()->size();
    frame->MoveWindow(r.left, r.top, width, height);
    QTRY_VERIFY(view->m_hWnd->parentWidget()->size() != before);
  }
  QString Cwd() { return ToQString(GetCurrentDirectory()); }

 private slots:
  void initTestCase() {
    static TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    AfxSetResources(&TolvaneResources());
    AfxSetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    oldCwd = GetCurrentDirectory().str();
  }

  void init() {
    tree.reset(new TempDir);
    std::string drives = "a=" + tree->path() + ":c=/:e=/no/such/drive";
    setenv("TOLVANE_DRIVES", drives.c_str(), 1);
    ReloadDriveTable();
  }

  void cleanup() {
    unsetenv("TOLVANE_JOBS");
    view = nullptr;
    frame.reset();  // and its view
    QVERIFY(chdir(oldCwd.c_str()) == 0);
    tree.reset();
  }

  void startsReadyWithItsListsFilledAndEveryCommandDisabled() {
    tree->Write("a.c", "");
    Open(tree->path());
    // "." and ".." come in the order the folder gives them.
    const QStringList found = Items(view->m_listFound);
    QCOMPARE(SetOf(found.mid(0, 2)),
             std::set<QString>({"[" + Q(tree->path()) + "/.]", "[" + Q(tree->path()) + "/..]"}));
    QCOMPARE(found.mid(2), QStringList({Q(tree->Join("a.c")), "[-a-]", "[-c-]", "[-e-]"}));
    QCOMPARE(Text(view->m_editExtension), QString("fnc"));
    QCOMPARE(Items(view->m_listExtension), QStringList({"fnc", "txt"}));
    QCOMPARE(view->m_listExtension.GetCurSel(), 0);
    for (CListBox* l : {&view->m_listChosen, &view->m_listFunctions, &view->m_listCallees})
      QCOMPARE(l->GetCount(), 0);
    for (CButton* b : {&view->m_btnAdd, &view->m_btnAnalyze, &view->m_btnFileOutput, &view->m_btnShowSource})
      QVERIFY(!b->IsWindowEnabled());

    // What a screen reader reads: a name for every control, none twice.
    std::set<QString> names;
    for (CWnd* w : {(CWnd*)&view->m_listFound, (CWnd*)&view->m_listChosen, (CWnd*)&view->m_editExtension,
                    (CWnd*)&view->m_listFunctions, (CWnd*)&view->m_listCallees, (CWnd*)&view->m_btnAdd,
                    (CWnd*)&view->m_btnAnalyze, (CWnd*)&view->m_btnFileOutput, (CWnd*)&view->m_btnShowSource,
                    (CWnd*)&view->m_listExtension, (CWnd*)&view->m_editFuncCount,
                    (CWnd*)&view->m_editCalleeCount, (CWnd*)&view->m_editStatus}) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w->m_hWnd);
      QVERIFY(a && !a->text(QAccessible::Name).isEmpty());
      names.insert(a->text(QAccessible::Name));
    }
    QCOMPARE(names.size(), std::size_t(13));
    QCOMPARE(QAccessible::queryAccessibleInterface(view->m_listFound.m_hWnd)->text(QAccessible::Name),
             QString("見つかったｿｰｽﾌｧｲﾙ"));

    // The frame is sized around the form as its font lays it out.
    CRect v, c, f;
    view->GetWindowRect(&v);
    view->m_listCallees.GetWindowRect(&c);
    frame->GetWindowRect(&f);
    QCOMPARE(f.Width(), c.right + 28 - v.left);
    QCOMPARE(f.Height(), c.bottom + 100 - v.top);

    // Another initial update starts the lists over, keeping the extension.
    ClickItem(view->m_listExtension, 1);
    Choose({"a.c"});
    view->OnInitialUpdate();
    QCOMPARE(Items(view->m_listFound).count(Q(tree->Join("a.c"))), 1);
    QCOMPARE(view->m_listChosen.GetCount(), 0);
    QCOMPARE(Items(view->m_listExtension), QStringList({"fnc", "txt"}));
    QCOMPARE(view->m_listExtension.GetCurSel(), 1);
    QCOMPARE(Text(view->m_editExtension), QString("txt"));
  }

  void listsDirectoriesTheFourSourceExtensionsAndDrivesInThatOrder() {
    for (const char* d : {"sub", "lib.c", "odd]name"}) std::filesystem::create_directory(tree->Join(d));
    for (const char* f : {"x.c", "x.cpp", "x.C", "x.CPP", "x.Cpp", "x.c~", "x.cxx", "x.h", "x.c.bak",
                          "あ.c", "a]b.c", "\xff\xfe.c"})
      tree->Write(f, "void f(void)\n{\n}\n");
    Open(tree->path());
    QStringList items = Items(view->m_listFound);
    QString t = Q(tree->path());
    QCOMPARE(SetOf(items.mid(0, 5)), std::set<QString>({"[" + t + "/.]", "[" + t + "/..]", "[" + t + "/sub]",
                                                         "[" + t + "/lib.c]", "[" + t + "/odd]name]"}));
    QCOMPARE(SetOf(items.mid(5, 8)),
             std::set<QString>({t + "/x.c", t + "/x.cpp", t + "/x.C", t + "/x.CPP", t + "/lib.c",
                                t + "/あ.c", t + "/a]b.c", t + "/\uFFFD\uFFFD.c"}));
    QCOMPARE(items.mid(13), QStringList({"[-a-]", "[-c-]", "[-e-]"}));

    // A name that is not valid UTF-8 shows with replacement characters but
    // keeps its bytes, chosen and analysed.
    int odd = Row(view->m_listFound, tree->path() + "/\uFFFD\uFFFD.c");
    QCOMPARE(view->m_listFound.GetText(odd).str(), tree->Join("\xff\xfe.c"));
    DoubleClickItem(view->m_listFound, odd);
    Choose({"あ.c"});
    QCOMPARE(view->m_listChosen.GetText(0).str(), tree->Join("\xff\xfe.c"));
    Click(view->m_btnAnalyze);
    QCOMPARE(view->m_listFunctions.GetText(0).str(), "<" + tree->path() + "/\xff\xfe.fnc>f");
    QCOMPARE(view->m_listFunctions.GetText(1).str(), "<" + tree->path() + "/あ.fnc>f");

    // "]" inside a name does not make an entry a directory.
    ClickItem(view->m_listFound, Row(view->m_listFound, tree->Join("a]b.c")));
    QCOMPARE(Text(view->m_editStatus), Q(tree->Join("a]b.c")) + "を選択しました。");
    QVERIFY(view->m_btnAdd.IsWindowEnabled());
    ClickItem(view->m_listFound, Row(view->m_listFound, "[" + tree->path() + "/odd]name]"));
    QCOMPARE(Cwd(), Q(tree->Join("odd]name")));
  }

  void clickingDirectoriesAndDrivesMovesThereAndEmptiesTheChosenFiles() {
    std::filesystem::create_directories(tree->Join("sub/deeper"));
    tree->Write("a.c", "");
    tree->Write("sub/b.c", "");
    Open(tree->path());
    Choose({"a.c"});
    QVERIFY(view->m_btnAnalyze.IsWindowEnabled());

    // Tabbing into the sources list changes nothing.
    view->m_btnAnalyze.SetFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(view->m_listFound.m_hWnd->hasFocus());
    QCOMPARE(view->m_listChosen.GetCount(), 1);

    ClickItem(view->m_listFound, Row(view->m_listFound, "[" + tree->path() + "/.]"));
    QCOMPARE(Cwd(), Q(tree->path()));
    QCOMPARE(view->m_listChosen.GetCount(), 0);
    QVERIFY(view->m_btnAnalyze.IsWindowEnabled());  // navigation leaves the buttons alone

    ClickItem(view->m_listFound, Row(view->m_listFound, "[" + tree->path() + "/sub]"));
    QCOMPARE(Cwd(), Q(tree->Join("sub")));
    QVERIFY(Items(view->m_listFound).contains(Q(tree->Join("sub/b.c"))));

    // A double-click navigates once: its second click finds a new list
    // under the pointer and must not act on it.
    int dotdot = Row(view->m_listFound, "[" + tree->Join("sub") + "/..]");
    DoubleClickItem(view->m_listFound, dotdot);
    QCOMPARE(Cwd(), Q(tree->path()));

    // Drives: a goes to its root, then to where it was last; e is not ready.
    ClickItem(view->m_listFound, Row(view->m_listFound, "[" + tree->path() + "/sub]"));
    ClickItem(view->m_listFound, Row(view->m_listFound, "[-c-]"));
    QCOMPARE(Cwd(), QString("/"));
    ClickItem(view->m_listFound, Row(view->m_listFound, "[-a-]"));
    QCOMPARE(Cwd(), Q(tree->Join("sub")));
    {
      MessageBoxAnswerer answer;
      ClickItem(view->m_listFound, Row(view->m_listFound, "[-e-]"));
      QCOMPARE(answer.Texts(), QStringList({"ドライブの準備が出来ていません！！"}));
      QCOMPARE(answer.boxes[0].title, QString("Tolvane"));
      QCOMPARE(answer.boxes[0].icon, QMessageBox::Warning);
    }
    QCOMPARE(Cwd(), Q(tree->Join("sub")));
    QVERIFY(Items(view->m_listFound).contains(Q(tree->Join("sub/b.c"))));

    // A directory that has gone falls back on drive b, which is no drive.
    std::filesystem::remove(tree->Join("sub/deeper"));
    MessageBoxAnswerer answer;
    ClickItem(view->m_listFound, Row(view->m_listFound, "[" + tree->Join("sub") + "/deeper]"));
    QCOMPARE(answer.Texts(), QStringList({"ドライブの準備が出来ていません！！"}));
    QCOMPARE(Cwd(), Q(tree->Join("sub")));
  }

  void moreThan99ChosenFilesAreDiscardedOnlyWhenTheUserSaysSo() {
    std::filesystem::create_directory(tree->Join("sub"));
    tree->Write("a.c", "");
    Open(tree->path());
    const std::string sub = "[" + tree->Join("sub") + "]";
    for (int chosen : {99, 100}) {
      view->OnInitialUpdate();
      std::vector<CString> paths;
      for (int i = 0; i < chosen; ++i) paths.push_back(CString(tree->Join("f" + std::to_string(1000 + i) + ".c")));
      view->ChooseFiles(paths);
      const QString question = "選択したｿｰｽﾌｧｲﾙ (" + QString::number(chosen) + "個) を破棄して移動しますか？";
      ClickItem(view->m_listFound, Row(view->m_listFound, tree->Join("a.c")));
      view->m_listChosen.m_hWnd->setFocus();
      const QStringList found = Items(view->m_listFound), chosenFiles = Items(view->m_listChosen);
      const std::vector<int> selected = SelectedRows(view->m_listFound);
      const int focusItem = view->m_listFound.GetCurSel();
      auto unchanged = [&] {
        QCOMPARE(Cwd(), Q(tree->path()));
        QCOMPARE(Items(view->m_listFound), found);
        QCOMPARE(Items(view->m_listChosen), chosenFiles);
        QVERIFY(SelectedRows(view->m_listFound) == selected);
        QCOMPARE(view->m_listFound.GetCurSel(), focusItem);
      };
      // By click, double-click and keyboard: いいえ keeps everything, the
      // keyboard focus too; up to 99 files nothing is asked.
      struct {
        std::function<void()> act;
        QWidget* focusAfter;
      } ways[] = {
          {[&] { ClickItem(view->m_listFound, Row(view->m_listFound, sub)); }, view->m_listChosen.m_hWnd},
          // The test's second click comes after the box and focuses the list;
          // a user's goes to the box.
          {[&] { DoubleClickItem(view->m_listFound, Row(view->m_listFound, sub)); }, nullptr},
          {[&] {
             view->m_listFound.m_hWnd->setFocus();
             QTest::keyClick(view->m_listFound.m_hWnd, Qt::Key_Home);
           },
           view->m_listFound.m_hWnd},
      };
      for (auto& way : ways) {
        frame->m_hWnd->activateWindow();  // again after the last box
        QTRY_COMPARE(QApplication::activeWindow(), frame->m_hWnd);
        MessageBoxAnswerer no(QMessageBox::No);
        way.act();
        QCOMPARE(no.Texts(), chosen > 99 ? QStringList({question}) : QStringList());
        if (chosen <= 99) break;
        unchanged();
        if (way.focusAfter) QCOMPARE(frame->m_hWnd->focusWidget(), way.focusAfter);
      }
      if (chosen > 99) {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ClickItem(view->m_listFound, Row(view->m_listFound, sub));
        QCOMPARE(yes.Texts(), QStringList({question}));
      }
      QCOMPARE(Cwd(), Q(tree->Join("sub")));
      QCOMPARE(view->m_listChosen.GetCount(), 0);
      QVERIFY(chdir(tree->path().c_str()) == 0);
    }
  }

  void theSourcesListSelectsOneItemPerClickAndNothingElse() {
    for (const char* f : {"a.c", "b.c", "c.c", "d.c"}) tree->Write(f, "");
    Open(tree->path());
    const CListBox& found = view->m_listFound;
    int a = Row(found, tree->Join("a.c")), c = Row(found, tree->Join("c.c"));
    ClickItem(found, a);
    ClickItem(found, c, Qt::ShiftModifier);  // no range
    QCOMPARE(SelectedRows(found), std::vector<int>({std::min(a, c), std::max(a, c)}));
    Key(found, Qt::Key_A, Qt::ControlModifier);  // no select-all
    QCOMPARE(SelectedRows(found).size(), std::size_t(2));
    ListBoxWidget* w = ListWidget(found);
    QPoint from = w->visualRect(w->Model().index(a)).center();
    QTest::mousePress(w->viewport(), Qt::LeftButton, {}, from);  // toggles a off
    QMouseEvent drag(QEvent::MouseMove, w->visualRect(w->Model().index(c)).center(),
                     w->viewport()->mapToGlobal(w->visualRect(w->Model().index(c)).center()),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->viewport(), &drag);  // selects nothing on the way
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, w->visualRect(w->Model().index(c)).center());
    QCOMPARE(SelectedRows(found), std::vector<int>({c}));

    // Clicking the last selected entry deselects it: its message stays,
    // the Add button goes.
    ClickItem(found, c);
    QCOMPARE(Text(view->m_editStatus), Q(tree->Join("c.c")) + "を選択しました。");
    QVERIFY(!view->m_btnAdd.IsWindowEnabled());

    // The arrow keys move the focus item without selecting it; onto a
    // directory entry they move there.
    ClickItem(found, 2);
    ClickItem(found, 2);
    Key(found, Qt::Key_Down);
    QCOMPARE(Text(view->m_editStatus), ToQString(found.GetText(3)) + "を選択しました。");
    QVERIFY(SelectedRows(found).empty());
    // Home goes to the first entry, "." or "..", whichever the folder gave first.
    const CString first = found.GetText(0);
    Key(found, Qt::Key_Home);
    QCOMPARE(Cwd(), Q(std::filesystem::canonical(first.Mid(1, first.GetLength() - 2).str()).string()));
  }

  void addMovesAtMost99SelectedEntriesAPress() {
    for (int i = 0; i < 120; ++i) tree->Write("f" + std::to_string(1000 + i) + ".c", "");
    Open(tree->path());
    std::vector<int> rows;
    for (int r = 0; r < view->m_listFound.GetCount(); ++r)
      if (!CTolvaneView::IsBracketed(view->m_listFound.GetText(r))) rows.push_back(r);
    QCOMPARE(rows.size(), std::size_t(120));
    for (int r : rows) ClickItem(view->m_listFound, r);
    QStringList before = Items(view->m_listFound);

    Click(view->m_btnAdd);
    QCOMPARE(Items(view->m_listChosen), before.mid(rows.front(), 99));
    QCOMPARE(SelectedRows(view->m_listFound).size(), std::size_t(21));
    QVERIFY(view->m_btnAdd.IsWindowEnabled());
    QVERIFY(view->m_btnAnalyze.IsWindowEnabled());
    Click(view->m_btnAdd);
    QCOMPARE(Items(view->m_listChosen), before.mid(rows.front(), 120));
    QVERIFY(!view->m_btnAdd.IsWindowEnabled());
  }

  void movesBetweenTheListsSetTheButtonsAsTheTableSays() {
    for (const char* f : {"a.c", "b.c", "c.c"}) tree->Write(f, "void f(void)\n{\n}\n");
    Open(tree->path());
    CListBox& found = view->m_listFound;
    auto states = [this] {
      QString s;
      for (CButton* b : {&view->m_btnAdd, &view->m_btnAnalyze, &view->m_btnFileOutput, &view->m_btnShowSource})
        s += b->IsWindowEnabled() ? '1' : '0';
      return s;
    };
    ClickItem(found, Row(found, tree->Join("a.c")));
    QCOMPARE(states(), QString("1000"));
    ClickItem(found, Row(found, tree->Join("b.c")));
    DoubleClickItem(found, Row(found, tree->Join("c.c")));  // still a and b selected
    QCOMPARE(states(), QString("1100"));
    QCOMPARE(Items(view->m_listChosen), QStringList({Q(tree->Join("c.c"))}));
    Click(view->m_btnAdd);
    QCOMPARE(states(), QString("0100"));
    Click(view->m_btnAnalyze);
    QCOMPARE(states(), QString("0111"));
    QCOMPARE(view->m_listFunctions.GetCount(), 3);

    // Back out of the chosen files: to the end of the found list, after the
    // drives, in the chosen list's order (a and b came in the folder's);
    // the last one out disables the three commands, the results stay.
    const QStringList chosen = Items(view->m_listChosen);
    QCOMPARE(chosen.first(), Q(tree->Join("c.c")));
    for (int left = 3; left > 0; --left) {
      DoubleClickItem(view->m_listChosen, 0);
      QCOMPARE(states(), QString(left > 1 ? "0111" : "0000"));
    }
    QCOMPARE(Items(found).mid(Items(found).size() - 3), chosen);
    QCOMPARE(view->m_listFunctions.GetCount(), 3);
    // A double-click on the empty list does nothing.
    QTest::mouseDClick(ListWidget(view->m_listChosen)->viewport(), Qt::LeftButton);
    QCOMPARE(states(), QString("0000"));
  }

  void analyzeListsEveryHeadWithItsCountAndShowsWhatTheSelectedOneCalls() {
    tree->Write("calc.c", kCalc);
    tree->Write("order.c", "void f(void)\n{\nb(); a(); b();\n}\nvoid g(void)\n{\n}\n");
    Open(tree->path());
    Choose({"calc.c", "order.c"});
    Click(view->m_btnAnalyze);
    QString out = Q(tree->path()) + "/";
    QCOMPARE(Items(view->m_listFunctions),
             QStringList({"<" + out + "calc.fnc>add", "<" + out + "calc.fnc>BEGIN_MESSAGE_MAP",
                          "<" + out + "calc.fnc>ON_BN_CLICKED", "<" + out + "calc.fnc>show",
                          "<" + out + "order.fnc>f", "<" + out + "order.fnc>g"}));
    QCOMPARE(Text(view->m_editFuncCount), QString("6関数"));
    QCOMPARE(Text(view->m_editStatus), QString());
    QCOMPARE(Text(view->m_editCalleeCount), QString());
    struct {
      int row;
      QStringList callees;
      const char* count;
    } rows[] = {{3, {"add"}, "1関数"}, {4, {"b", "a"}, "2関数"}, {0, {}, "0関数"}, {3, {"add"}, "1関数"}};
    for (auto& r : rows) {
      ClickItem(view->m_listFunctions, r.row);
      QCOMPARE(Items(view->m_listCallees), r.callees);
      QCOMPARE(Text(view->m_editCalleeCount), QString::fromUtf8(r.count));
    }
    Key(view->m_listFunctions, Qt::Key_Down);  // the keys select too
    QCOMPARE(Items(view->m_listCallees), QStringList({"b", "a"}));
    // The program's own selection notifies nothing.
    view->m_listFunctions.SetCurSel(0);
    QCOMPARE(Items(view->m_listCallees), QStringList({"b", "a"}));

    // The other extension names the next run's entries.
    ClickItem(view->m_listExtension, 1);
    QCOMPARE(Text(view->m_editExtension), QString("txt"));
    Click(view->m_btnAnalyze);
    QCOMPARE(Items(view->m_listFunctions).first(), "<" + out + "calc.txt>add");
    QCOMPARE(view->m_listCallees.GetCount(), 0);
  }

  void aFileThatCannotBeReadEndsTheRunWithItsNameAndKeepsWhatWasFound() {
    tree->Write("a.c", "void f(void)\n{\ng();\n}\n");
    tree->Write("b.c", "void h(void)\n{\n}\n");
    Open(tree->path());
    Choose({"a.c", "b.c"});
    Click(view->m_btnAnalyze);
    QVERIFY(view->m_btnFileOutput.IsWindowEnabled());
    std::filesystem::remove(tree->Join("b.c"));
    MessageBoxAnswerer answer;
    Click(view->m_btnAnalyze);
    QCOMPARE(answer.Texts(), QStringList({Q(tree->Join("b.c")) + " was not found."}));
    QCOMPARE(Items(view->m_listFunctions), QStringList({"<" + Q(tree->path()) + "/a.fnc>f"}));
    QCOMPARE(Text(view->m_editFuncCount), QString());
    QCOMPARE(Text(view->m_editStatus), QString("gを追加中。"));
    QVERIFY(!view->m_btnFileOutput.IsWindowEnabled());  // no half table to write out
    QVERIFY(view->m_btnShowSource.IsWindowEnabled());
    // The working files stay for a look (in a thread's own folder when the
    // run had threads).
    std::string runs = std::string(getenv("XDG_RUNTIME_DIR")) + "/tolvane";
    bool kept = false;
    for (auto& file : std::filesystem::recursive_directory_iterator(runs))
      kept = kept || file.path().filename() == "tmp2.fnc";
    QVERIFY(kept);
  }

  void aRunOnThreadsPaintsTheFormDropsItsInputAndClosesItOnlyAfterwards() {
    setenv("TOLVANE_JOBS", "2", 1);
    std::vector<CString> paths;
    for (int i = 0; i < 40; ++i)
      paths.emplace_back(tree->Write("f" + std::to_string(100 + i) + ".c",
                                     "void f" + std::to_string(i) + "(void)\n{\ng();\n}\n"));
    Open(tree->path());
    view->ChooseFiles(paths);
    // The first file waits for the form to paint, which a timer keeps asking
    // for: during the run only the run itself serves the events.
    CGatedRules rules(paths[0].str());
    view->SetRules(&rules);
    QWidget* window = frame->m_hWnd;
    QTimer dirty;
    QObject::connect(&dirty, &QTimer::timeout, window, [window] { window->update(); });
    dirty.start(5);
    bool formAtBox = false;
    EventWatch watch([&](QObject* o, QEvent* e) {
      auto* w = qobject_cast<QWidget*>(o);
      if (e->type() == QEvent::Paint && w && w->window() == window) rules.Painted();
      if (e->type() == QEvent::Show && qobject_cast<QMessageBox*>(o)) formAtBox = window->isVisible();
    });
    auto post = [](QObject* to, QEvent* e) { QCoreApplication::postEvent(to, e); };
    auto mouse = [](QEvent::Type type, QWidget* w, QPoint at) {
      return new QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                             type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    };

    // Clicks and keys that would start another run or move a chosen file
    // back, waiting as the run starts: dropped, not served after it.
    QWidget* analyze = view->m_btnAnalyze.m_hWnd;
    ListBoxWidget* chosen = ListWidget(view->m_listChosen);
    const QPoint item = chosen->visualRect(chosen->Model().index(0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
      post(analyze, mouse(type, analyze, analyze->rect().center()));
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
      post(analyze, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, " "));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease})
      post(chosen->viewport(), mouse(type, chosen->viewport(), item));
    const QStringList chosenBefore = Items(view->m_listChosen);
    Click(view->m_btnAnalyze);
    QCoreApplication::processEvents();
    QCOMPARE(rules.Reads(), std::make_pair(1, 1));
    QCOMPARE(Items(view->m_listChosen), chosenBefore);
    QCOMPARE(view->m_listFunctions.GetCount(), 40);
    QCOMPARE(view->m_listFunctions.GetText(39).str(), "<" + tree->path() + "/f139.fnc>f39");
    QCOMPARE(Text(view->m_editFuncCount), QString("40関数"));

    // The window manager's close during a run that ends on a file that has
    // gone: the form stays through the run and its message box, then goes.
    std::filesystem::remove(paths.back().str());
    post(window->windowHandle(), new QCloseEvent);
    {
      MessageBoxAnswerer answer;
      Click(view->m_btnAnalyze);
      QCOMPARE(answer.Texts(), QStringList({ToQString(paths.back()) + " was not found."}));
    }
    QCOMPARE(rules.Reads(), std::make_pair(2, 2));
    QVERIFY(formAtBox);
    QVERIFY(window->isVisible());
    QCOMPARE(view->m_listFunctions.GetCount(), 39);
    QCOMPARE(Text(view->m_editStatus), QString("gを追加中。"));
    view = nullptr;  // it goes with the frame
    QTRY_VERIFY(!frame->m_hWnd);
  }

  void theFormGrowsWithItsFrameFromItsFirstLayoutAndScrollsBelowIt() {
    Open(tree->path());
    // At its first size every control stands where the template puts it.
    const DialogTemplate* form = AfxFindDialogTemplate(IDD_TOLVANE_FORM);
    DialogUnits du = DialogUnits::ForFont(TemplateFont(form->fontFace, form->fontPoints));
    std::map<int, QRect> first = Places();
    for (const DialogControl& c : form->controls)
      QCOMPARE(first[c.id], QRect(du.X(c.x), du.Y(c.y), du.X(c.cx), du.Y(c.cy)));
    CRect outer;
    frame->GetWindowRect(&outer);
    QSize firstSize = view->m_hWnd->size();

    // 200 pixels wider, 122 higher: the four lists widen by 200 and share
    // the height (31, 31, 30, 30); the rest moves with the list above it.
    SizeFrame(outer.Width() + 200, outer.Height() + 122);
    QCOMPARE(view->m_hWnd->size(), firstSize + QSize(200, 122));
    struct {
      int id;
      int dx, dy, dw, dh;
    } moves[] = {
        {IDC_FOUND_LABEL, 0, 0, 0, 0},       {IDC_FOUND_FILES, 0, 0, 200, 31},
        {IDC_ADD, 0, 31, 0, 0},              {IDC_ANALYZE, 0, 31, 0, 0},
        {IDC_FILE_OUTPUT, 0, 31, 0, 0},      {IDC_EXTENSION_LABEL, 200, 31, 0, 0},
        {IDC_EXTENSION, 200, 31, 0, 0},      {IDC_EXTENSION_LIST, 200, 31, 0, 0},
        {IDC_CHOSEN_LABEL, 0, 31, 0, 0},     {IDC_CHOSEN_FILES, 0, 31, 200, 31},
        {IDC_FUNCTIONS_LABEL, 0, 62, 0, 0},  {IDC_FUNC_COUNT, 0, 62, 0, 0},
        {IDC_SHOW_SOURCE, 0, 62, 0, 0},      {IDC_FUNCTIONS, 0, 62, 200, 30},
        {IDC_CALLEES_LABEL, 0, 92, 0, 0},    {IDC_CALLEE_COUNT, 0, 92, 0, 0},
        {IDC_CALLEES, 0, 92, 200, 30},       {IDC_STATUS, 0, 122, 200, 0},
    };
    std::map<int, QRect> grown = Places();
    QCOMPARE(grown.size(), std::size(moves));
    for (auto& m : moves) {
      QRect want = first[m.id].translated(m.dx, m.dy);
      want.setSize(want.size() + QSize(m.dw, m.dh));
      QVERIFY2(grown[m.id] == want, std::to_string(m.id).c_str());
    }

    // Back to the first size, then smaller: the first layout, and scroll
    // bars over a form that keeps its first size.
    SizeFrame(outer.Width(), outer.Height());
    QVERIFY(Places() == first);
    SizeFrame(outer.Width() - 100, outer.Height() - 80);
    QCOMPARE(view->m_hWnd->size(), firstSize);
    QVERIFY(Places() == first);
    auto* area = qobject_cast<QScrollArea*>(view->m_hWnd->parentWidget()->parentWidget());
    QVERIFY(area);
    QTRY_VERIFY(area->horizontalScrollBar()->isVisible() && area->verticalScrollBar()->isVisible());
    QCOMPARE(view->GetParent(), frame.get());
  }

  void longFunctionEntriesScrollSidewaysAndShowWhole() {
    std::string dir = tree->path() + "/" + std::string(120, 'd');
    QVERIFY(std::filesystem::create_directory(dir));
    WriteWholeFile(dir + "/long.c", "void " + std::string(80, 'f') + "(void)\n{\n" + std::string(60, 'W') +
                                        "();\nb();\n}\nvoid s(void)\n{\n}\n");
    Open(dir);
    Choose({std::string(120, 'd') + "/long.c"});
    Click(view->m_btnAnalyze);
    QCOMPARE(view->m_listFunctions.GetCount(), 2);
    ClickItem(view->m_listFunctions, 0);
    QCOMPARE(Items(view->m_listCallees), QStringList({QString(60, 'W'), "b"}));
    ListBoxWidget* w = ListWidget(view->m_listFunctions);
    QTRY_VERIFY(w->horizontalScrollBar()->isVisible());
    // The scroll bar reaches the end of the longest entry.
    QModelIndex longest = w->model()->index(0, 0);
    w->horizontalScrollBar()->setValue(w->horizontalScrollBar()->maximum());
    QVERIFY(w->visualRect(longest).right() < w->viewport()->width());
    QVERIFY(w->visualRect(longest).right() >= w->viewport()->width() - 20);
    // One row per entry, of one height, as before.
    QCOMPARE(w->visualRect(w->model()->index(1, 0)).top(), w->visualRect(longest).bottom() + 1);
    // Both lists show an entry whole as its tooltip. A name is too short to
    // need the callee list's scroll bar at this width, but it has one.
    for (const CListBox* list : {&view->m_listFunctions, &view->m_listCallees}) {
      QAbstractItemModel* m = ListWidget(*list)->model();
      QCOMPARE(m->data(m->index(0, 0), Qt::ToolTipRole).toString(), Items(*list).first());
      QCOMPARE(ListWidget(*list)->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    }
    // The keys still move the selection, and the callees follow.
    Key(view->m_listFunctions, Qt::Key_Down);
    QCOMPARE(view->m_listFunctions.GetCurSel(), 1);
    QCOMPARE(view->m_listCallees.GetCount(), 0);
  }
};

QTEST_MAIN(TolvaneViewTest)
#include "tolvane_view_test.moc"
