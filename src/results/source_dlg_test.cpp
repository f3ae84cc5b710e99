// Show source and File output, driven as a user drives them, in the
// program started as it starts (offscreen, without the single-instance
// guard).
#include "results/source_dlg.h"

#include <QAccessible>
#include <QApplication>
#include <QAction>
#include <QClipboard>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/files/drives.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/text_view.h"
#include "tests/gui_support.h"
#include "tests/program_fixture.h"
#include "view/tolvane_view.h"

namespace {

TextViewWidget* SourceView(CSourceDlg* d) { return dynamic_cast<TextViewWidget*>(d->m_editSource.m_hWnd); }

// The source text as a screen reader reads it.
QAccessibleTextInterface* Read(CSourceDlg* d) {
  return QAccessible::queryAccessibleInterface(d->m_editSource.m_hWnd)->textInterface();
}

// The view's lines, as shown.
QStringList EditLines(CSourceDlg* d) {
  QAccessibleTextInterface* text = Read(d);
  return text->text(0, text->characterCount()).split(QLatin1Char('\n'));
}

const char kParse[] =
    "/* Parse \x8F\x88\x97\x9D */\n"  // 処理
    "int Parse(char *s)\n"
    "{\n"
    "    return ParseAll(s);\n"
    "}\n"
    "void ParseAll(char *s)\n"
    "{\n"
    "    Parse(s);";  // no line end at the end

// Where the two rule sets part: a member whose return type is no keyword,
// and a head after an "#if defined" line.
const char kMembers[] =
    "bool C::Ready() const {\n"
    "    return g(1);\n"
    "}\n"
    "#if defined(WITH_G)\n"
    "int g(int n)\n"
    "{\n"
    "    return Ready();\n"
    "}\n"
    "#endif\n";

}  // namespace

class SourceDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Program> p;
  TempDir* tree = nullptr;

  CTolvaneView* View() { return p->View(); }
  void Start() { QVERIFY(p->Start()); }
  // Chooses the files and analyses them.
  void Analyze(const std::vector<std::string>& names) {
    for (const std::string& n : names)
      DoubleClickItem(View()->m_listFound, Items(View()->m_listFound).indexOf(p->Path(n)));
    Click(View()->m_btnAnalyze);
  }
  // Selects row and presses Show source; returns the window of the entry
  // in that row, whose file is source.
  CSourceDlg* ShowRow(int row, const std::string& source) {
    ClickItem(View()->m_listFunctions, row);
    Click(View()->m_btnShowSource);
    CString key(tree->Join(source));
    key += '\0';
    key += View()->m_listFunctions.GetText(row);
    return p->app->FindSourceDlg(key);
  }
  CSourceDlg* Show(const QString& entry, const std::string& source) {
    int row = Items(View()->m_listFunctions).indexOf(entry);
    return row < 0 ? nullptr : ShowRow(row, source);
  }
  QString Entry(const std::string& file, const char* name) { return "<" + p->Path(file) + ">" + name; }
  // ﾌｧｲﾙ's item C/C++ の構文で解析.
  QAction* RulesItem() {
    auto* frame = qobject_cast<QMainWindow*>(p->Frame()->m_hWnd);
    return frame->menuBar()->actions()[0]->menu()->actions()[1];
  }

 private slots:
  void init() {
    p.reset(new Program);
    tree = &p->tree;
  }
  void cleanup() { p.reset(); }

  // (A line cut into pieces, and the numbers after it: the million-line
  // test.)
  void showsTheWholeFileAndNumbersEveryPieceThatMentionsTheName() {
    tree->Write("parse.c", kParse);
    tree->Write("cs.cpp", "CShape::CShape()\n{\n  A();\n}\nvoid A(void)\n{\n  /* \x83\x41 */\n}\n");
    // In EUC-JP, its fourth line's 語 cut by the 255-byte piece boundary.
    tree->Write("e.c", "/* \xB8\xEC*/\nvoid E(void)\n{\n    E(); /*" + std::string(243, 'x') + "\xB8\xEC*/\n}\n");
    Start();
    Analyze({"parse.c", "cs.cpp", "e.c"});
    CSourceDlg* d = Show(Entry("parse.fnc", "Parse"), "parse.c");
    QVERIFY(d);
    QCOMPARE(Text(*d), Entry("parse.fnc", "Parse"));
    QCOMPARE(EditLines(d), QStringList({"/* Parse 処理 */", "int Parse(char *s)", "{", "    return ParseAll(s);",
                                        "}", "void ParseAll(char *s)", "{", "    Parse(s);", ""}));
    QCOMPARE(Items(d->m_listLines),
             QStringList({"0001 /* Parse 処理 */", "0002 int Parse(char *s)", "0004     return ParseAll(s);",
                          "0006 void ParseAll(char *s)", "0008     Parse(s);"}));
    // The caption strip is drawn, and read out.
    QTRY_COMPARE(d->m_hWnd->accessibleDescription(), Entry("parse.fnc", "Parse") + "検索");

    // A constructor's own line names it from the first byte; an "A" that is
    // the second byte of ア (83 41) is no mention of A.
    QCOMPARE(Items(Show(Entry("cs.fnc", "CShape::CShape"), "cs.cpp")->m_listLines),
             QStringList({"0001 CShape::CShape()"}));
    QCOMPARE(Items(Show(Entry("cs.fnc", "A"), "cs.cpp")->m_listLines),
             QStringList({"0003   A();", "0005 void A(void)"}));

    // Each file in its own encoding, a cut character shown whole.
    CSourceDlg* e = Show(Entry("e.fnc", "E"), "e.c");
    const QString xs(243, 'x');
    QCOMPARE(EditLines(e), QStringList({"/* 語*/", "void E(void)", "{", "    E(); /*" + xs, "語*/", "}", ""}));
    QCOMPARE(Items(e->m_listLines), QStringList({"0002 void E(void)", "0004     E(); /*" + xs}));
  }

  // The check item takes the next runs to the syntax rules and back; every
  // list, the listing window and File output follow. A settings file that
  // cannot be written is named, and the choice holds all the same.
  void theSyntaxRulesItemChoosesTheRulesOfTheNextRuns() {
    tree->Write("m.cpp", kMembers);
    std::filesystem::create_directory(p->config.Join("tolvane"));
    p->config.Write("tolvane/tolvane.ini", "[Settings]\n");
    Start();
    QAction* item = RulesItem();
    QVERIFY(item->isCheckable() && !item->isChecked());
    Analyze({"m.cpp"});
    const QStringList classic({Entry("m.fnc", "defined")});
    QCOMPARE(Items(View()->m_listFunctions), classic);

    ScopedFilePermissions asAUser;
    chmod(p->config.Join("tolvane").c_str(), 0555);
    const QStringList denied({Q(p->config.Join("tolvane/tolvane.ini")) + " へのアクセスが拒否されました。"});
    {
      MessageBoxAnswerer answer;
      item->trigger();
      QCOMPARE(answer.Texts(), denied);
    }
    QVERIFY(item->isChecked());
    Click(View()->m_btnAnalyze);
    QCOMPARE(Items(View()->m_listFunctions), QStringList({Entry("m.fnc", "C::Ready"), Entry("m.fnc", "g")}));
    ClickItem(View()->m_listFunctions, 1);
    QCOMPARE(Items(View()->m_listCallees), QStringList({"Ready"}));
    // The listing of C::Ready numbers the lines that mention Ready.
    QCOMPARE(Items(Show(Entry("m.fnc", "C::Ready"), "m.cpp")->m_listLines),
             QStringList({"0001 bool C::Ready() const {", "0007     return Ready();"}));
    {
      MessageBoxAnswerer answer;
      Click(View()->m_btnFileOutput);
      QCOMPARE(answer.Texts(), QStringList({"1個のファイルを出力しました。"}));
    }
    QCOMPARE(ReadWholeFile(tree->Join("m.fnc")), std::string("\x8A\xD6\x90\x94\x96\xBC\x81\x46" "C::Ready\n\tg\n\n"
                                                             "\x8A\xD6\x90\x94\x96\xBC\x81\x46" "g\n\tReady\n\n"));
    {
      MessageBoxAnswerer answer;
      item->trigger();
      QCOMPARE(answer.Texts(), denied);
    }
    chmod(p->config.Join("tolvane").c_str(), 0755);
    QVERIFY(!item->isChecked());
    Click(View()->m_btnAnalyze);
    QCOMPARE(Items(View()->m_listFunctions), classic);
    QCOMPARE(ReadWholeFile(p->config.Join("tolvane/tolvane.ini")), std::string("[Settings]\n"));
  }

  // The settings file names an encoding for every source and the rules of
  // the check item; a value the program cannot use is named once at start
  // (an Encoding read as auto, Rules as classic). A choice of the item
  // rewrites only the value of Rules in [Settings], adding the line, the
  // section or the file and its folder as needed; every other byte and the
  // file's mode stay.
  void theSettingsFileNamesTheEncodingAndKeepsTheRulesChosen() {
    struct Case {
      const char* before;  // null: no file, nor its folder
      QStringList boxes;   // at start
      bool found;          // ex.c's f, calling g
      bool checked;        // at start
      const char* first;   // after one choice of the item
      const char* second;  // after another
    } cases[] = {
        {nullptr, {}, true, false, "[Settings]\nRules=syntax\n", "[Settings]\nRules=classic\n"},
        {"; mine\r\n[Other]\r\nRules=syntax\r\nA=1", {}, true, false,
         "; mine\r\n[Other]\r\nRules=syntax\r\nA=1\r\n[Settings]\r\nRules=syntax\r\n",
         "; mine\r\n[Other]\r\nRules=syntax\r\nA=1\r\n[Settings]\r\nRules=classic\r\n"},
        {"[ settings ] ; ours\nEncoding=cp932 ; all\n\n[Other]\nB=2\n", {}, false, false,
         "[ settings ] ; ours\nRules=syntax\nEncoding=cp932 ; all\n\n[Other]\nB=2\n",
         "[ settings ] ; ours\nRules=classic\nEncoding=cp932 ; all\n\n[Other]\nB=2\n"},
        {"[Settings]\r\n  rules =  Syntax  ; why\r\nRules=classic\r\nEncoding=latin-1\r\n",
         {"tolvane.ini の Encoding=latin-1 は使えません。auto で読みます。",
          "tolvane.ini の Rules=Syntax は使えません。classic で読みます。"},
         true, false, "[Settings]\r\n  rules =  syntax  ; why\r\nRules=classic\r\nEncoding=latin-1\r\n",
         "[Settings]\r\n  rules =  classic  ; why\r\nRules=classic\r\nEncoding=latin-1\r\n"},
        {"[Settings]\nRules=syntax", {}, true, true, "[Settings]\nRules=classic", "[Settings]\nRules=syntax"},
    };
    for (const Case& c : cases) {
      p.reset();  // the old program leaves its folder before the new one enters its own
      p.reset(new Program);
      tree = &p->tree;
      const std::string ini = p->config.Join("tolvane/tolvane.ini");
      if (c.before) {
        std::filesystem::create_directory(p->config.Join("tolvane"));
        p->config.Write("tolvane/tolvane.ini", c.before);
        chmod(ini.c_str(), 0604);
      }
      // The comment's あ ends in 0x82, which Shift-JIS pairs with the "*".
      tree->Write("ex.c", "/* \xE3\x81\x82*/\nint f(void)\n{\n    g();\n}\n");
      MessageBoxAnswerer box;
      Start();
      QCOMPARE(box.Texts(), c.boxes);
      Analyze({"ex.c"});
      QCOMPARE(Items(View()->m_listFunctions), c.found ? QStringList({Entry("ex.fnc", "f")}) : QStringList());
      QCOMPARE(RulesItem()->isChecked(), c.checked);
      RulesItem()->trigger();
      QCOMPARE(ReadWholeFile(ini), std::string(c.first));
      RulesItem()->trigger();
      QCOMPARE(ReadWholeFile(ini), std::string(c.second));
      QCOMPARE(RulesItem()->isChecked(), c.checked);
      // A new file is the user's to read and write, in a folder only the
      // user enters.
      mode_t mask = umask(0);
      umask(mask);
      struct stat file, folder;
      QCOMPARE(::stat(ini.c_str(), &file), 0);
      QCOMPARE(::stat(p->config.Join("tolvane").c_str(), &folder), 0);
      QCOMPARE(file.st_mode & 07777, c.before ? mode_t(0604) : mode_t(0666 & ~mask));
      if (!c.before) QCOMPARE(folder.st_mode & 07777, mode_t(0700));
      QCOMPARE(box.Texts(), c.boxes);
    }
  }

  // One window per function, made when its file can be read and shown
  // again as it was after it was closed; the windows go with the main
  // window, and their keeper deletes them when the program ends.
  void oneWindowAFunctionKeptFromItsFirstShowingToTheEnd() {
    tree->Write("a.c", "void A(void)\n{\n}\n");
    tree->Write("a.cpp", "void A(void)\n{\n  A();\n}\n");
    tree->Write("main.c", "int main(void)\n{\n  work();\n}\n");
    tree->Write("maintain.cpp", "void work(void)\n{\n}\n");
    Start();
    Analyze({"a.c", "a.cpp", "maintain.cpp", "main.c"});
    std::filesystem::rename(tree->Join("a.c"), tree->Join("away"));
    {
      MessageBoxAnswerer answer;
      ClickItem(View()->m_listFunctions, 0);
      Click(View()->m_btnShowSource);
      QCOMPARE(answer.Texts(), QStringList({Q(tree->Join("a.c")) + " が見つかりません。"}));
    }
    QCOMPARE(p->app->m_mapSourceDlg.size(), std::size_t(0));
    std::filesystem::rename(tree->Join("away"), tree->Join("a.c"));
    CSourceDlg* first = Show(Entry("a.fnc", "A"), "a.c");
    QCOMPARE(Show(Entry("a.fnc", "A"), "a.c"), first);
    // The same text in a.cpp is another function with a window of its own.
    CSourceDlg* second = ShowRow(1, "a.cpp");
    QVERIFY(second && second != first);
    QCOMPARE(Items(second->m_listLines).size(), 2);
    // With nothing selected, Show source does nothing.
    View()->m_listFunctions.SetCurSel(-1);
    Click(View()->m_btnShowSource);
    QCOMPARE(p->app->m_mapSourceDlg.size(), std::size_t(2));

    tree->Write("a.c", "changed");
    QTest::keyClick(first->m_hWnd, Qt::Key_Escape);
    QVERIFY(!first->IsWindowVisible());
    QCOMPARE(Show(Entry("a.fnc", "A"), "a.c"), first);
    QVERIFY(first->IsWindowVisible());
    QCOMPARE(EditLines(first).first(), QString("void A(void)"));

    // The file is the entry's own, not one whose name begins alike.
    CSourceDlg* d = Show(Entry("maintain.fnc", "work"), "maintain.cpp");
    QCOMPARE(EditLines(d).first(), QString("void work(void)"));
    QPointer<QWidget> window = d->m_hWnd;
    p->app->CloseAllDocuments();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QVERIFY(d->m_hWnd == nullptr && d->m_editSource.m_hWnd == nullptr);
    QCOMPARE(p->app->m_mapSourceDlg.size(), std::size_t(3));
  }

  void listingWindowsOpenBesideTheFormInTurnAndRestWithoutPainting() {
    // Where window n opens, for a form 600 wide at 100, 50.
    const CRect form(100, 50, 700, 450), wide(0, 0, 1400, 1000), narrow(0, 0, 1000, 800);
    struct {
      CRect area;
      int n;
      CRect want;
    } places[] = {
        {wide, 0, CRect(700, 50, 1300, 550)},    // right of the form
        {wide, 2, CRect(738, 88, 1338, 588)},    // two captions further
        {wide, 5, CRect(795, 145, 1395, 645)},   // as far right as there is room
        {narrow, 0, CRect(100, 50, 700, 450)},   // over the form
        {narrow, 19, CRect(100, 50, 700, 450)},  // back at the top: a 19th step does not fit
        {CRect(0, 30, 1400, 630), 0, CRect(700, 50, 1300, 350)},
    };
    for (auto& p : places) {
      CRect got = CSourceDlg::Placement(form, p.area, p.n);
      QVERIFY2(got == p.want, std::to_string(p.n).c_str());
    }

    tree->Write("a.c", "void A(void)\n{\n  B();\n}\nvoid B(void)\n{\n}\n");
    Start();
    Analyze({"a.c"});
    CRect frame, got;
    p->Frame()->GetWindowRect(&frame);
    const CRect area = p->Frame()->GetWorkArea();
    std::vector<CSourceDlg*> shown;
    for (int row : {0, 1}) {
      shown.push_back(ShowRow(row, "a.c"));
      QVERIFY(QTest::qWaitForWindowExposed(shown.back()->m_hWnd));
      shown.back()->GetWindowRect(&got);
      QVERIFY(got == CSourceDlg::Placement(frame, area, row));
    }
    // Shown again, a window stays where it is.
    shown[0]->MoveWindow(10, 20, 400, 300);
    QCOMPARE(ShowRow(0, "a.c"), shown[0]);
    shown[0]->GetWindowRect(&got);
    QVERIFY(got == CRect(10, 20, 410, 320));

    // At rest, nothing paints: painting applies the layout, which moves
    // nothing and so asks for no other paint.
    struct PaintCounter : QObject {
      int paints = 0;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
      }
    } counter;
    for (CSourceDlg* d : shown) {
      d->m_hWnd->installEventFilter(&counter);
      for (QWidget* child : d->m_hWnd->findChildren<QWidget*>()) child->installEventFilter(&counter);
      d->m_hWnd->update();
    }
    QTRY_VERIFY(counter.paints > 0);
    QTest::qWait(200);
    counter.paints = 0;
    QTest::qWait(200);
    QCOMPARE(counter.paints, 0);
  }

  // A file of a million lines, with a line cut into two pieces (and a
  // character cut between them) at its top, in its middle and at its end,
  // the last line without a line end. Mentions, what shows at the top of
  // the view, the keys, the mouse and copying, at each place.
  void aMillionLineFileIsNumberedScrolledAndCopiedThroughout() {
    const std::string kanji = "\xE8\xAA\x9E";  // 語, cut after its first byte
    const std::string cutLine = "    Big(); /*" + std::string(241, 'x') + kanji + "*/\n";
    std::string text = "void Big(void)\n{\n";
    text.reserve(8000000);
    for (int line = 3; line <= 999999; ++line)
      text += line == 3 || line == 500000 || line == 999998 ? cutLine : line == 999999 ? "}\n" : "  x++;\n";
    tree->Write("big.c", text + "Big();");
    Start();
    Analyze({"big.c"});
    CSourceDlg* d = Show(Entry("big.fnc", "Big"), "big.c");
    const QString head = "    Big(); /*" + QString(241, 'x'), tail = "語*/";
    QCOMPARE(Items(d->m_listLines), QStringList({"0001 void Big(void)", "0003 " + head, "500001 " + head,
                                                 "1000000 " + head, "1000003 Big();"}));
    QCOMPARE(d->m_editSource.GetLineCount(), 1000004);  // the pieces, and the empty line after them
    TextViewWidget* view = SourceView(d);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(view);
    QCOMPARE(reader->text(QAccessible::Name), QString("ソース"));
    QVERIFY(reader->state().readOnly && reader->state().multiLine);
    QAccessibleTextInterface* read = reader->textInterface();
    // The line a screen reader finds at a point of the view.
    auto lineAt = [&](QPoint point) {
      int start, end;
      return read->textAtOffset(read->offsetAtPoint(view->viewport()->mapToGlobal(point)),
                                QAccessible::LineBoundary, &start, &end);
    };
    const int last = 1000003, bottom = view->verticalScrollBar()->maximum();
    QVERIFY(bottom > last - 60 && bottom < last);
    QClipboard* clipboard = QApplication::clipboard();
    struct {
      int row, piece;     // the entry, and its piece's line in the view
      QString top, next;  // the first two lines shown after the double-click
    } places[] = {
        {1, 2, head + "\n", tail + "\n"},
        {2, 500000, head + "\n", tail + "\n"},
        {0, 0, "void Big(void)\n", "{\n"},
        {4, last - 1, "", ""},  // as far down as the text goes
    };
    for (const auto& place : places) {
      DoubleClickItem(d->m_listLines, place.row);
      const int first = std::min(place.piece, bottom);
      QCOMPARE(d->m_editSource.GetFirstVisibleLine(), first);
      QTRY_VERIFY(view->hasFocus());
      // The caret at the start of the line at the top.
      QCOMPARE(read->cursorPosition(), view->OffsetOf({first, 0}));
      QCOMPARE(lineAt(QPoint(1, 1)), view->Line(first) + "\n");
      if (!place.top.isEmpty()) {
        QCOMPARE(lineAt(QPoint(1, 1)), place.top);
        QCOMPARE(lineAt(QPoint(1, view->Caret().line == 0 ? 20 : 16)), place.next);
        // Two lines selected with the keys and copied.
        Key(d->m_editSource, Qt::Key_Down, Qt::ShiftModifier);
        Key(d->m_editSource, Qt::Key_Down, Qt::ShiftModifier);
        Key(d->m_editSource, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), place.top + place.next);
        int start = -1, end = -1;
        read->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(view->OffsetOf({first, 0}), view->OffsetOf({first + 2, 0})));
        QCOMPARE(read->cursorPosition(), end);
      }
    }
    // The ends of the text (the other keys: the read-only edit's yardstick).
    Key(d->m_editSource, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(d->m_editSource.GetFirstVisibleLine(), bottom);
    QCOMPARE(read->cursorPosition(), read->characterCount());
    Key(d->m_editSource, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(d->m_editSource.GetFirstVisibleLine(), 0);
    QCOMPARE(read->cursorPosition(), 0);
    // The mouse selects from a press to a release.
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 2));
    QTest::mouseMove(view->viewport(), QPoint(30, 30));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    Key(d->m_editSource, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(clipboard->text().contains("\n"));
    QCOMPARE(clipboard->text(), view->SelectedText());
    // Everything: the whole text as read, each piece on a line of its own.
    Key(d->m_editSource, Qt::Key_A, Qt::ControlModifier);
    Key(d->m_editSource, Qt::Key_C, Qt::ControlModifier);
    const QString all = clipboard->text();
    QCOMPARE(all.size(), read->characterCount());
    QCOMPARE(all.count(QLatin1Char('\n')), last);
    QVERIFY(all.startsWith("void Big(void)\n{\n" + head + "\n" + tail + "\n  x++;\n"));
    QVERIFY(all.endsWith(head + "\n" + tail + "\n}\nBig();\n"));
  }

  // The keys move the caret, select and scroll (sideways too) as in the
  // read-only edit the view stands in for, which is the yardstick here: on
  // lines long and short, empty, with tabs and with wide characters.
  void theKeysMoveSelectAndScrollAsAReadOnlyEditDoes() {
    std::string text = "void P(void)\n{\n";
    for (int i = 0; i < 200; ++i)
      text += i % 17 == 3   ? "    call(); /*" + std::string(300, 'x') + "*/\n"
              : i % 13 == 5 ? "\tif (a)\t{ \xE8\xAA\x9E\xE8\xAA\x9E b = c; }\n"
              : i % 7 == 0  ? "\n"
                            : "  value = compute(value, " + std::to_string(i) + ");\n";
    tree->Write("p.c", text + "}\n");
    Start();
    Analyze({"p.c"});
    TextViewWidget* view = SourceView(Show(Entry("p.fnc", "P"), "p.c"));
    QPlainTextEdit edit;
    edit.setFont(view->font());
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit.setReadOnly(true);
    edit.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit.setTabStopDistance(QFontMetricsF(edit.font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    edit.setPlainText(view->Text({0, 0}, view->End()));
    edit.resize(view->size());
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.viewport()->size(), view->viewport()->size());
    const Qt::KeyboardModifiers none, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers mods;
      int times;
    } keys[] = {
        {Qt::Key_Down, none, 5},    {Qt::Key_End, none, 1},      {Qt::Key_Home, none, 1},
        {Qt::Key_End, none, 1},     {Qt::Key_Down, none, 22},
        {Qt::Key_End, none, 1},     {Qt::Key_Up, none, 2},       {Qt::Key_Home, none, 1},
        {Qt::Key_Up, none, 19},     {Qt::Key_PageDown, none, 2}, {Qt::Key_PageUp, shift, 1},
        {Qt::Key_Right, none, 2},   {Qt::Key_Right, ctrl, 2},    {Qt::Key_Left, ctrl, 1},
        {Qt::Key_Down, shift, 1},   {Qt::Key_End, shift, 1},     {Qt::Key_Left, none, 1},
        {Qt::Key_Right, shift, 1},  {Qt::Key_Right, none, 1},    {Qt::Key_End, ctrl, 1},
        {Qt::Key_PageUp, none, 1},  {Qt::Key_Home, ctrl, 1},     {Qt::Key_Down, ctrl, 1},
        {Qt::Key_PageDown, none, 2}, {Qt::Key_PageUp, none, 3},  {Qt::Key_End, ctrl, 1},
        {Qt::Key_PageUp, none, 1},  {Qt::Key_PageDown, none, 2},
    };
    int step = 0;
    for (const auto& k : keys) {
      for (int n = 0; n < k.times; ++n, ++step) {
        QTest::keyClick(&edit, k.key, k.mods);
        QTest::keyClick(view, k.key, k.mods);
        const QTextCursor c = edit.textCursor();
        const std::vector<int> want = {c.position(), c.anchor(), edit.verticalScrollBar()->value(),
                                       edit.horizontalScrollBar()->value()};
        const std::vector<int> got = {view->OffsetOf(view->Caret()), view->OffsetOf(view->Anchor()),
                                      view->verticalScrollBar()->value(), view->horizontalScrollBar()->value()};
        QVERIFY2(got == want, ("key " + std::to_string(step)).c_str());
      }
    }
    QCOMPARE(view->verticalScrollBar()->maximum(), edit.verticalScrollBar()->maximum());
    QCOMPARE(view->horizontalScrollBar()->maximum(), edit.horizontalScrollBar()->maximum());
  }

  void fileOutputWritesAReportAnOutputNameAndAsksBeforeReplacing() {
    tree->Write("a.c", "void f(void)\n{\n  g(); h();\n}\n");
    tree->Write("a.cpp", "int k(void)\n{\n  f();\n}\n");
    tree->Write("b.c", "void e(void)\n{\n}\n");
    Start();
    Analyze({"a.c", "b.c", "a.cpp"});
    const std::string aReport =
        "\x8A\xD6\x90\x94\x96\xBC\x81\x46" "f\n\tg\n\th\n\n"
        "\x8A\xD6\x90\x94\x96\xBC\x81\x46" "k\n\tf\n\n";
    {
      MessageBoxAnswerer answer;
      Click(View()->m_btnFileOutput);
      QCOMPARE(answer.Texts(), QStringList({"2個のファイルを出力しました。"}));
    }
    QCOMPARE(ReadWholeFile(tree->Join("a.fnc")), aReport);
    QCOMPARE(ReadWholeFile(tree->Join("b.fnc")), std::string("\x8A\xD6\x90\x94\x96\xBC\x81\x46" "e\n\n"));

    tree->Write("a.fnc", "old");
    {
      MessageBoxAnswerer no(QMessageBox::No);
      Click(View()->m_btnFileOutput);
      QCOMPARE(no.Texts(), QStringList({"次のファイルは既に存在します。上書きしますか？\n" + Q(tree->Join("a.fnc")) +
                                        "\n" + Q(tree->Join("b.fnc"))}));
    }
    QCOMPARE(ReadWholeFile(tree->Join("a.fnc")), std::string("old"));
    {
      MessageBoxAnswerer yes(QMessageBox::Yes);
      Click(View()->m_btnFileOutput);
      QCOMPARE(yes.Texts().size(), 2);
    }
    QCOMPARE(ReadWholeFile(tree->Join("a.fnc")), aReport);

    // A folder that cannot be written: the file error, the reports before
    // it stay.
    ScopedFilePermissions asAUser;
    chmod(tree->path().c_str(), 0555);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    Click(View()->m_btnFileOutput);
    chmod(tree->path().c_str(), 0755);
    QCOMPARE(yes.Texts().size(), 2);
    QVERIFY(yes.Texts()[1].contains(Q(tree->Join("a.fnc"))));
  }
};

QTEST_MAIN(SourceDlgTest)
#include "source_dlg_test.moc"
