#include "platform/ui/app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/write_all.h"
#include "platform/ui/dialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/guard/instance_guard.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/standard_ids.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

// Whether the GUI library looks for a display only: the platforms it tries
// ("-platform NAME", else QT_QPA_PLATFORM, "a;b" with "name:options" each,
// else its default) are all X or Wayland.
bool TriesDisplaysOnly(int argc, char** argv) {
  std::string platforms;
  if (const char* chosen = std::getenv("QT_QPA_PLATFORM")) platforms = chosen;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      platforms = argv[i + 1];
  for (std::size_t from = 0; from <= platforms.size();) {
    std::size_t end = std::min(platforms.find(';', from), platforms.size());
    std::string name = platforms.substr(from, std::min(platforms.find(':', from), end) - from);
    if (!name.empty() && name != "xcb" && name.compare(0, 7, "wayland") != 0) return false;
    from = end + 1;
  }
  return true;
}

// Holds back the GUI library's messages while the QApplication is made.
// When it finds no display it writes a few warnings, then ends the process
// with a fatal message that calls for reinstalling: the one line of
// CWinApp::NoDisplayText() and status 1 say what is wrong instead. Any
// other start passes the messages on as they came.
class StartMessages {
 public:
  StartMessages(std::string noDisplay, bool displaysOnly) {
    s_noDisplay = std::move(noDisplay);
    s_displaysOnly = displaysOnly;
    s_previous = qInstallMessageHandler(&StartMessages::Hold);
  }
  ~StartMessages() {
    qInstallMessageHandler(s_previous);
    PassOn();
  }

 private:
  struct Held {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
  };

  static void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && s_displaysOnly) {
      WriteAll(2, s_noDisplay);
      std::fflush(nullptr);
      ::_exit(1);
    }
    auto str = [](const char* s) { return std::string(s ? s : ""); };
    s_held.push_back(Held{type, str(context.file), str(context.function), str(context.category),
                          context.line, text});
    if (type == QtFatalMsg) PassOn();  // the library aborts when this returns
  }

  static void PassOn() {
    for (const Held& h : s_held) {
      QMessageLogContext context(h.file.empty() ? nullptr : h.file.c_str(), h.line,
                                 h.function.empty() ? nullptr : h.function.c_str(),
                                 h.category.empty() ? nullptr : h.category.c_str());
      if (s_previous) s_previous(h.type, context, h.text);
    }
    s_held.clear();
  }

  static inline std::string s_noDisplay;
  static inline bool s_displaysOnly = false;
  static inline QtMessageHandler s_previous = nullptr;
  static inline std::vector<Held> s_held;
};

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) { g_pApp = this; }

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
  AfxSetDialogBkColor(background, text);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(nIDResource));
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* pTemplate) { m_pDocTemplate.reset(pTemplate); }

void CWinApp::CloseAllDocuments() {
  if (m_pDocTemplate) m_pDocTemplate->CloseAllDocuments();
}

void CWinApp::OnFileNew() {
  if (m_pDocTemplate) m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  CFileDialog dialog(TRUE);
  if (dialog.DoModal() != IDOK || !m_pDocTemplate) return;
  CString path = dialog.GetPathName();
  m_pDocTemplate->OpenDocumentFile(&path);
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

BOOL CWinApp::OnIdle(LONG) { return FALSE; }

int CWinApp::Run() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  LONG idleCount = 0;
  QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                   [this, &idleCount] {
                     while (OnIdle(idleCount++)) {
                     }
                     idleCount = 0;
                   });
  QApplication::setQuitOnLastWindowClosed(false);
  int status = QApplication::exec();
  QObject::disconnect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, nullptr);
  return status;
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  bool guarded = !app->m_strSingleInstanceCaption.empty();
  if (guarded) PreferX11Platform(argc, argv);
  auto held = std::make_unique<StartMessages>(app->NoDisplayText(), TriesDisplaysOnly(argc, argv));
  QApplication qapp(argc, argv);
  held.reset();  // a display was found: messages go out as they come
  // Qt's own dialogs and buttons speak the program's language.
  QTranslator translator;
  if (translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&translator);

  std::unique_ptr<CInstanceGuard> guard;
  if (guarded) {
    guard.reset(new CInstanceGuard);
    if (guard->IsAnotherCopyRunning(app->m_strSingleInstanceCaption)) {
      ShowDoubleStartMessage();
      return 0;
    }
  }
  if (!app->m_pszAppName) app->m_pszAppName = AfxLoadString(AFX_IDS_APP_TITLE);
  if (app->InitInstance() && !CWnd::ProgrammingErrorOccurred()) {
    if (guard && app->m_pMainWnd) guard->FollowCaption(app->m_pMainWnd->m_hWnd);
    app->Run();
  }
  int status = app->ExitInstance();
  // Windows go while the GUI library is still there.
  app->CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return CWnd::ProgrammingErrorOccurred() ? CWnd::kProgrammingErrorStatus : status;
}
