// The window layer: message maps, the guard around handlers, list boxes and
// edit boxes, and dialog units, on real widgets.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <new>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "platform/files/write_all.h"
#include "platform/ui/code_page.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_layout.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/resource_types.h"
#include "tests/gui_support.h"

namespace {

constexpr int kList = 10, kSorted = 11, kEdit = 12, kButton = 13;

const DialogTemplate kTemplate = {
    1, WS_CHILD, 0, 0, 0, 200, 150, "", "ＭＳ 明朝", 10,
    {
        {kList, ControlKind::ListBox, 5, 5, 80, 60, WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOTIFY | WS_BORDER, "", "list"},
        {kSorted, ControlKind::ListBox, 90, 5, 80, 60, WS_CHILD | WS_VISIBLE | LBS_SORT | LBS_NOTIFY, "", "sorted"},
        {kEdit, ControlKind::Edit, 5, 70, 80, 12, WS_CHILD | WS_VISIBLE | WS_TABSTOP, "", "edit"},
        {kButton, ControlKind::PushButton, 5, 90, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
         "解析(\x1E" "K\x1F" "ﾌ)", ""},
    }};

// A form whose handlers record what reached them; the base class has
// handlers of its own for the same messages.
class CBaseForm : public CFormView {
 public:
  CBaseForm() : CFormView(1) {}
  QStringList log;
  void OnButton() { log << "base button"; }
  void OnDblclkList() { log << "base dblclk"; }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseForm, CFormView)
  ON_BN_CLICKED(kButton, OnButton)
  ON_LBN_DBLCLK(kList, OnDblclkList)
END_MESSAGE_MAP()

class CForm : public CBaseForm {
 public:
  CListBox m_list, m_sorted;
  CEdit m_edit;
  CButton m_button;
  CString m_strEdit;
  void (*m_pfnThrow)() = nullptr;
  void OnButton() {
    log << "button";
    if (m_pfnThrow) m_pfnThrow();
  }
  void OnSelchangeList() { log << "selchange " + QString::number(m_list.GetCurSel()); }
  void OnChangeEdit() { log << "change"; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kList, m_list);
    DDX_Control(pDX, kSorted, m_sorted);
    DDX_Control(pDX, kEdit, m_edit);
    DDX_Control(pDX, kButton, m_button);
    DDX_Text(pDX, kEdit, m_strEdit);
    DDV_MaxChars(pDX, m_strEdit, 3);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CForm, CBaseForm)
  ON_BN_CLICKED(kButton, OnButton)
  ON_LBN_SELCHANGE(kList, OnSelchangeList)
  ON_EN_CHANGE(kEdit, OnChangeEdit)
END_MESSAGE_MAP()

// Bytes of a code page and the text they show as.
struct Shown {
  UINT codePage;
  std::string bytes;
  const char* shown;
};

}  // namespace

class UiTest : public QObject {
  Q_OBJECT

  ResourceTable resources;
  std::unique_ptr<CForm> form;

 private slots:
  void initTestCase() {
    resources.dialogs = {&kTemplate};
    AfxSetResources(&resources);
  }
  void init() {
    form.reset(new CForm);
    QVERIFY(form->Create(nullptr));
    form->OnInitialUpdate();
    form->m_hWnd->show();
    QVERIFY(QTest::qWaitForWindowExposed(form->m_hWnd));
  }
  void cleanup() { form.reset(); }

  void onlyTheUsersActsNotifyTheFirstHandlerInTheClassThenItsBases() {
    for (const char* s : {"a", "b", "c"}) form->m_list.AddString(s);
    form->m_list.SetCurSel(2);
    form->m_list.DeleteString(0);
    form->m_list.ResetContent();
    for (const char* s : {"a", "b"}) form->m_list.AddString(s);
    form->m_edit.SetWindowText("x");
    form->m_edit.ReplaceSel("y");
    form->m_button.EnableWindow(FALSE);
    form->m_button.EnableWindow(TRUE);
    QCOMPARE(form->log, QStringList());
    Click(form->m_button);
    DoubleClickItem(form->m_list, 1);
    QTest::keyClicks(form->m_edit.m_hWnd, "z");
    QCOMPARE(form->log, QStringList({"button", "selchange 1", "base dblclk", "change"}));
  }

  void aFileErrorOrRunningOutOfMemoryInAHandlerIsShownAndTheChangesStay() {
    struct {
      void (*thrower)();
      const char* message;
    } cases[] = {
        {[] { throw CFileException(CFileException::fileNotFound, CString("/x/a.c")); }, "/x/a.c was not found."},
        {[] { throw std::bad_alloc(); }, "Out of memory."},
    };
    for (auto& c : cases) {
      form->log.clear();
      form->m_pfnThrow = c.thrower;
      MessageBoxAnswerer answer;
      Click(form->m_button);
      QCOMPARE(answer.Texts(), QStringList({QString::fromUtf8(c.message)}));
      QCOMPARE(form->log, QStringList({"button"}));
    }
  }

  void anyOtherExceptionIsToldOnStderrAndEndsTheProgramWithAFailure() {
    // In a child process, which the error ends for good.
    int err[2];
    QVERIFY(pipe(err) == 0);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(err[1], 2);
      alarm(20);  // a message box would wait for ever
      form->m_pfnThrow = [] { throw std::out_of_range("row 7 of 3"); };
      QTimer::singleShot(0, [this] {
        Click(form->m_button);
        Click(form->m_button);  // no handler runs after the error
      });
      int status = QApplication::exec();
      WriteAll(2, form->log.join(",").toStdString());
      _exit(status);
    }
    ::close(err[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(err[0]);
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), CWnd::kProgrammingErrorStatus);
    QCOMPARE(QString::fromStdString(text), QString("ui_test: programming error: row 7 of 3\nbutton"));
  }

  void aSortedListKeepsItsOrderAndListsKeepTheirBytes() {
    for (const char* s : {"txt", "fnc", "Abc", "b"}) form->m_sorted.AddString(s);
    QCOMPARE(Items(form->m_sorted), QStringList({"Abc", "b", "fnc", "txt"}));
    QCOMPARE(form->m_sorted.FindString(-1, "F"), 2);
    for (const char* s : {"z", "a"}) form->m_list.AddString(s);
    QCOMPARE(Items(form->m_list), QStringList({"z", "a"}));
    form->m_list.AddString(CString("\xe3\x81\x82\xff"));
    QCOMPARE(Items(form->m_list).last(), QString::fromUtf8("あ\uFFFD"));
    QCOMPARE(form->m_list.GetText(2).str(), "\xe3\x81\x82\xff");
  }

  void editBoxesReplaceTheirSelectionAndLimitOnlyTyping() {
    form->m_edit.SetWindowText("abcdef");  // the program's text is not cut
    form->m_edit.SetSel(0, 65535);
    form->m_edit.ReplaceSel("0123456");
    QCOMPARE(Text(form->m_edit), QString("0123456"));
    form->m_edit.SetSel(1, 3);
    form->m_edit.ReplaceSel("-");
    QCOMPARE(Text(form->m_edit), QString("0-3456"));
    auto* line = qobject_cast<QLineEdit*>(form->m_edit.m_hWnd);
    line->clear();
    QTest::keyClicks(line, "wxyz");
    QCOMPARE(line->text(), QString("wxy"));
  }

  void controlsArePlacedInDialogUnitsOfTheTemplateFont() {
    DialogUnits du = DialogUnits::ForFont(TemplateFont("ＭＳ 明朝", 10));
    QCOMPARE(QFontInfo(TemplateFont("ＭＳ 明朝", 10)).family(), QString("IPAMincho"));
    QCOMPARE(QFontInfo(TemplateFont("ＭＳ Ｐゴシック", 9)).family(), QString("IPAPGothic"));
    QCOMPARE(form->m_sorted.m_hWnd->geometry(), QRect(du.X(90), du.Y(5), du.X(80), du.Y(60)));
    QCOMPARE(form->m_hWnd->size(), QSize(du.X(200), du.Y(150)));
    QCOMPARE(Text(form->m_button), QString("解析(&K)"));
  }

  // Shift-JIS as code page 932, every bad byte alone; UTF-8 and EUC-JP as
  // their characters, every broken sequence one replacement; one line each.
  void eachCodePageShowsItsCharactersAndEveryBadSequenceAsAReplacement() {
    const Shown cases[] = {
        {CP_SHIFT_JIS, "int x; /* \x8F\x88\x97\x9D */", "int x; /* 処理 */"},
        {CP_SHIFT_JIS, "\xB6\xC0\xB6\xC5", "ｶﾀｶﾅ"},                       // half-width katakana
        {CP_SHIFT_JIS, "\x81\x60\x81\x7C\x81\x5F", "～－＼"},             // as code page 932, not JIS
        {CP_SHIFT_JIS, "\x87\x40\xED\x40\xFA\x40", "①纊ⅰ"},                // NEC and IBM extensions
        {CP_SHIFT_JIS, "\x81\x20x", "\uFFFD x"},                              // a lead byte with no trail
        {CP_SHIFT_JIS, "\x80\xA0\xFD\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {CP_SHIFT_JIS, "ab\x82", "ab\uFFFD"},                                 // cut at the end of a piece
        {CP_SHIFT_JIS, std::string("a\0b\r\x1A\x7F\tc", 8), "a\u2400b\u240D\u241A\u2421\tc"},
        {CP_UTF8, "/* \xE3\x81\x82*/", "/* あ*/"},
        {CP_UTF8, "\xF0\x9F\x98\x80!", "\U0001F600!"},
        {CP_UTF8, "\xE3\x81" "A", "\uFFFDA"},             // a character broken off: its own bytes only
        {CP_UTF8, "\xC0\xAF\x80", "\uFFFD\uFFFD\uFFFD"},  // no lead byte, no character
        {CP_UTF8, "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // a surrogate is none either
        {CP_UTF8, "ab\xE3\x81", "ab\uFFFD"},              // cut at the end of the text
        {CP_EUC_JP, "\xB8\xEC\xA4\xA2*/", "語あ*/"},
        {CP_EUC_JP, "\x8E\xB6\x8E\xC0", "ｶﾀ"},
        {CP_EUC_JP, "\x8F\xB0\xA1", "丂"},                 // JIS X 0212
        {CP_EUC_JP, "\xB8" "A\x8F\xB0" "B\x8E\xE0", "\uFFFDA\uFFFDB\uFFFD\uFFFD"},
        {CP_EUC_JP, std::string("\xB8\xEC\0\x1A", 4), "語\u2400\u241A"},
    };
    for (auto& c : cases)
      QCOMPARE(ToQString(AfxDisplayText(c.bytes, c.codePage)), QString::fromUtf8(c.shown));
  }

  void aCharacterCutBetweenTwoPiecesShowsWholeInTheSecond() {
    const Shown cases[] = {
        {CP_SHIFT_JIS, "a\x95\x5C" "b", "a表b"},
        {CP_UTF8, "a\xE8\xA1\xA8" "b", "a表b"},
        {CP_UTF8, "a\xF0\x9F\x98\x80" "b", "a\U0001F600b"},
        {CP_EUC_JP, "a\xC9\xBD" "b", "a表b"},
        {CP_EUC_JP, "a\x8F\xB0\xA1" "b", "a丂b"},
        {CP_UTF8, "a\xE8\xA1" "b", "a\uFFFDb"},  // broken is broken, cut or not
    };
    for (auto& c : cases) {
      for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
        CDisplayDecoder decoder(c.codePage);
        std::string first, second;
        decoder.Append(first, std::string_view(c.bytes).substr(0, cut), true);
        decoder.Append(second, std::string_view(c.bytes).substr(cut), false);
        QCOMPARE(ToQString(CString(first + second)), QString::fromUtf8(c.shown));
        // Kept as two pieces, each shows as the decoder showed it.
        if (cut == 0 || cut == c.bytes.size()) continue;
        CDisplayLines lines(c.codePage);
        lines.Add(std::string_view(c.bytes).substr(0, cut));
        lines.Add(std::string_view(c.bytes).substr(cut));
        std::string kept[2];
        for (std::size_t i : {0, 1}) lines.AppendShown(kept[i], i);
        QVERIFY(kept[0] == first && kept[1] == second);
      }
    }
    // The last piece of a file ends what it holds.
    CDisplayDecoder decoder(CP_UTF8);
    std::string shown;
    decoder.Append(shown, "x\xE3\x81", false);
    QCOMPARE(ToQString(CString(shown)), QString::fromUtf8("x\uFFFD"));
  }
};

QTEST_MAIN(UiTest)
#include "ui_test.moc"
