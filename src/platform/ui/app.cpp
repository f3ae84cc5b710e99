#include "platform/ui/app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "platform/ui/dialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/guard/instance_guard.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/standard_ids.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

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
  QApplication qapp(argc, argv);
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
