// Finding one's way among the functions found, as a user does it in the
// program started as it starts (offscreen): who calls a function (the
// context menu and Ctrl+R), where a called name is defined (a double-click
// on the callee), and which entry has a name (Ctrl+F).
#include "results/callers_dlg.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>

#include "results/find_dlg.h"
#include "platform/ui/qt_string.h"
#include "results/name_lookup.h"
#include "tests/gui_support.h"
#include "tests/program_fixture.h"

namespace {

// Six heads in this order; main calls Draw, CShape::Draw and Paint.
const char kShapes[] =
    "void CShape::Draw(void)\n{\n  Line();\n}\n"
    "void CLine::Draw(void)\n{\n}\n"
    "void Draw(void)\n{\n}\n"
    "int main(void)\n{\n  Draw();\n  CShape::Draw();\n  Paint();\n}\n"
    "void Paint(void)\n{\n  CLine::Draw();\n}\n"
    "void Other(void)\n{\n  Drawing();\n}\n";

enum { kShapeDraw, kLineDraw, kDraw, kMain, kPaint, kOther };

}  // namespace

class CallersTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Program> p;

  CTolvaneView* View() { return p->View(); }
  void StartOn(const char* source) {
    p->tree.Write("shapes.cpp", source);
    QVERIFY(p->Start({p->tree.Join("shapes.cpp")}));
    Click(View()->m_btnAnalyze);
  }
  QString Entry(const char* name) { return "<" + p->Path("shapes.fnc") + ">" + name; }
  // Opens the context menu of the found functions and returns its items,
  // choosing the first with a click when told and it can be chosen.
  QStringList ContextMenu(bool choose) {
    QStringList items;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu || !menu->isVisible()) return;
      poll.stop();
      for (QAction* a : menu->actions()) items << a->text() + (a->isEnabled() ? "" : " (無効)");
      QAction* first = menu->actions().value(0);
      if (choose && first && first->isEnabled())
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(first).center());
      else
        menu->close();
    });
    poll.start();
    ListBoxWidget* w = ListWidget(View()->m_listFunctions);
    QPoint at = w->viewport()->rect().center();
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, w->viewport()->mapToGlobal(at));
    QApplication::sendEvent(w->viewport(), &e);
    return items;
  }

 private slots:
  void init() { p.reset(new Program); }
  void cleanup() { p.reset(); }

  void namesMatchWhenEqualOrByTheLastPartOfAQualifiedOne() {
    struct {
      const char *a, *b;
      bool match;
    } cases[] = {
        {"Draw", "Draw", true},         {"CShape::Draw", "Draw", true},  {"Draw", "CShape::Draw", true},
        {"CShape::Draw", "CShape::Draw", true}, {"CLine::Draw", "CShape::Draw", false},
        {"A::B::Draw", "Draw", true},   {"A::B::Draw", "B::Draw", false}, {"Draw", "Drawing", false},
        {"Draw", "draw", false},        {"::Draw", "Draw", true},
    };
    for (auto& c : cases) QVERIFY2(NamesMatch(c.a, c.b) == c.match, (std::string(c.a) + " " + c.b).c_str());
  }

  void theCallersWindowListsWhoCallsTheSelectedFunction() {
    StartOn(kShapes);
    CTolvaneView* v = View();
    QCOMPARE(v->m_listFunctions.GetCount(), 6);
    // Nothing selected: the item is disabled, Ctrl+R does nothing.
    QCOMPARE(ContextMenu(true), QStringList({"呼出し元を表示(&R) (無効)"}));
    QVERIFY(p->Keys(Qt::Key_R, Qt::ControlModifier));
    QVERIFY(!v->FindCallersDlg(CString(Entry("Draw").toStdString())));

    struct {
      int row;
      bool byMenu;
      QStringList callers;
    } cases[] = {
        {kDraw, true, {Entry("main"), Entry("Paint")}},  // CLine::Draw is a Draw too
        {kShapeDraw, false, {Entry("main")}},
        {kOther, false, {}},
    };
    for (auto& c : cases) {
      ClickItem(v->m_listFunctions, c.row);
      if (c.byMenu)
        QCOMPARE(ContextMenu(true), QStringList({"呼出し元を表示(&R)"}));
      else
        QVERIFY(p->Keys(Qt::Key_R, Qt::ControlModifier));
      CString entry = v->m_listFunctions.GetText(c.row);
      CCallersDlg* d = v->FindCallersDlg(entry);
      QVERIFY(d && d->IsWindowVisible());
      QCOMPARE(Text(*d), "呼出し元 - " + ToQString(entry));
      QCOMPARE(Text(d->m_staticCount), QString::number(c.callers.size()) + "関数");
      QCOMPARE(Items(d->m_listCallers), c.callers);
    }

    // One window per entry, shown again as it was.
    ClickItem(v->m_listFunctions, kDraw);
    CCallersDlg* d = v->FindCallersDlg(v->m_listFunctions.GetText(kDraw));
    QCOMPARE(QAccessible::queryAccessibleInterface(d->m_listCallers.m_hWnd)->text(QAccessible::Name),
             QString("呼出し元"));
    QTest::keyClick(d->m_hWnd, Qt::Key_Escape);
    QVERIFY(!d->IsWindowVisible());
    QVERIFY(p->Keys(Qt::Key_R, Qt::ControlModifier));
    QCOMPARE(v->FindCallersDlg(v->m_listFunctions.GetText(kDraw)), d);
    QVERIFY(d->IsWindowVisible());

    // A double-click on a caller selects it in the form, with its callees.
    DoubleClickItem(d->m_listCallers, 1);
    QCOMPARE(v->m_listFunctions.GetCurSel(), int(kPaint));
    QCOMPARE(Items(v->m_listCallees), QStringList({"CLine::Draw"}));
    QCOMPARE(Text(v->m_editCalleeCount), QString("1関数"));

    // A new analysis closes them all.
    QPointer<QWidget> window = d->m_hWnd;
    Click(v->m_btnAnalyze);
    QVERIFY(window.isNull());
    QVERIFY(!v->FindCallersDlg(v->m_listFunctions.GetText(kDraw)));
  }

  void aDoubleClickOnACalleeGoesToEachOfItsDefinitionsInTurn() {
    StartOn(kShapes);
    CTolvaneView* v = View();
    auto callee = [v](const char* name) { return Items(v->m_listCallees).indexOf(name); };
    struct {
      int from;
      const char* name;
      int to;  // -1: stays
      QString status;
    } steps[] = {
        {kMain, "Draw", kShapeDraw, "Draw: 定義 1/3"},
        {kMain, "Draw", kLineDraw, "Draw: 定義 2/3"},  // back, and on to the next
        {kMain, "Draw", kDraw, "Draw: 定義 3/3"},
        {kMain, "Draw", kShapeDraw, "Draw: 定義 1/3"},
        {kMain, "CShape::Draw", kShapeDraw, "CShape::Draw: 定義 1/2"},  // none after main: wraps
        {kMain, "CShape::Draw", kDraw, "CShape::Draw: 定義 2/2"},
        {kMain, "Paint", kPaint, "Paint: 定義 1/1"},
        {kPaint, "CLine::Draw", kLineDraw, "CLine::Draw: 定義 1/2"},  // Draw is one too
        {kShapeDraw, "Line", -1, "Line の定義は見つかりません。"},
    };
    for (auto& s : steps) {
      ClickItem(v->m_listFunctions, s.from);
      const QStringList callees = Items(v->m_listCallees);
      DoubleClickItem(v->m_listCallees, callee(s.name));
      QCOMPARE(Text(v->m_editStatus), s.status);
      QCOMPARE(v->m_listFunctions.GetCurSel(), s.to < 0 ? s.from : s.to);
      if (s.to < 0) QCOMPARE(Items(v->m_listCallees), callees);
    }
    QCOMPARE(Items(v->m_listCallees), QStringList({"Line"}));
  }

  void theFindBoxSelectsTheNextEntryWhoseNameHoldsTheText() {
    StartOn(kShapes);
    CTolvaneView* v = View();
    QVERIFY(p->Keys(Qt::Key_F, Qt::ControlModifier));
    CFindDlg* box = v->GetFindDlg();
    QVERIFY(box && box->IsWindowVisible());
    QCOMPARE(Text(*box), QString("関数の検索"));
    QCOMPARE(QAccessible::queryAccessibleInterface(box->m_editText.m_hWnd)->text(QAccessible::Name),
             QString("検索する関数名"));
    QTRY_VERIFY(box->m_editText.m_hWnd->hasFocus());
    struct {
      const char* text;
      bool byEnter;
      int selected;
      QString message;
    } steps[] = {
        {"Draw", false, kShapeDraw, ""},  // from the top with nothing selected
        {"Draw", false, kLineDraw, ""},
        {"Draw", true, kDraw, ""},
        {"Draw", false, kShapeDraw, ""},  // wrapping
        {"draw", false, kShapeDraw, "draw は見つかりません。"},
        {"shapes", false, kShapeDraw, "shapes は見つかりません。"},  // not the path
        {"", false, kShapeDraw, "shapes は見つかりません。"},        // does nothing
        {"ai", true, kMain, ""},
    };
    for (auto& s : steps) {
      auto* edit = qobject_cast<QLineEdit*>(box->m_editText.m_hWnd);
      edit->selectAll();
      if (*s.text)
        QTest::keyClicks(edit, s.text);
      else
        QTest::keyClick(edit, Qt::Key_Delete);
      if (s.byEnter)
        QTest::keyClick(edit, Qt::Key_Return);
      else
        Click(box->m_btnFindNext);
      QCOMPARE(v->m_listFunctions.GetCurSel(), s.selected);
      QCOMPARE(Text(box->m_staticMessage), s.message);
      QVERIFY(box->IsWindowVisible());
    }
    QCOMPARE(Items(v->m_listCallees), QStringList({"Draw", "CShape::Draw", "Paint"}));
    // Ctrl+F shows the same box again, with its text; Escape hides it.
    QVERIFY(p->Keys(Qt::Key_F, Qt::ControlModifier));
    QCOMPARE(v->GetFindDlg(), box);
    QTRY_COMPARE(QApplication::activeWindow(), box->m_hWnd);
    QCOMPARE(Text(box->m_editText), QString("ai"));
    QTest::keyClick(box->m_hWnd, Qt::Key_Escape);
    QVERIFY(!box->IsWindowVisible());
  }

  void newAndOpenAskBeforeDiscardingMoreThan99ChosenFiles() {
    std::vector<std::string> files;
    for (int i = 0; i < 100; ++i) {
      files.push_back(p->tree.Join("f" + std::to_string(100 + i) + ".c"));
      p->tree.Write("f" + std::to_string(100 + i) + ".c", "");
    }
    QVERIFY(p->Start(files));
    QCOMPARE(View()->m_listChosen.GetCount(), 100);
    const QStringList question({"選択したｿｰｽﾌｧｲﾙ (100個) を破棄して移動しますか？"});
    for (int key : {Qt::Key_N, Qt::Key_O}) {
      MessageBoxAnswerer no(QMessageBox::No);
      ModalAnswerer noFileDialog([](QDialog* d) { d->reject(); });
      QVERIFY(p->Keys(key, Qt::ControlModifier));
      QCOMPARE(no.Texts(), question);
      QVERIFY(noFileDialog.titles.isEmpty());
      QCOMPARE(View()->m_listChosen.GetCount(), 100);
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    QVERIFY(p->Keys(Qt::Key_N, Qt::ControlModifier));
    QCOMPARE(yes.Texts(), question);
    QCOMPARE(View()->m_listChosen.GetCount(), 0);
  }
};

QTEST_MAIN(CallersTest)
#include "callers_dlg_test.moc"
