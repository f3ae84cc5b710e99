#include "platform/ui/app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>

#include "platform/ui/resource_types.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) { g_pApp = this; }

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
  AfxSetDialogBkColor(background, text);
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
  QApplication qapp(argc, argv);
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (!app->m_pszAppName) app->m_pszAppName = AfxLoadString(57344);
  if (!app->InitInstance()) return app->ExitInstance();
  app->Run();
  return app->ExitInstance();
}
