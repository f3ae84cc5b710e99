#include "platform/ui/app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>
#include <fstream>

#include "platform/ui/dialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/guard/instance_guard.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/wnd.h"

namespace {

CWinApp* g_pApp = nullptr;

constexpr UINT kIdAppExit = 57665;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(kIdAppExit, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) { g_pApp = this; }

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

void CWinApp::SetDialogBkColor(COLORREF background, COLORREF text) {
  AfxSetDialogBkColor(background, text);
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
  // $XDG_CONFIG_HOME/tolvane/tolvane.ini, section [Recent File List],
  // File1=... : what a profile of this program would hold.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string path = config && *config ? std::string(config) : std::string(home ? home : "") + "/.config";
  std::ifstream in(path + "/tolvane/tolvane.ini");
  m_recentFiles.clear();
  m_settings.clear();
  bool inSection = false, inSettings = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      inSection = line == "[Recent File List]";
      inSettings = line == "[Settings]";
      continue;
    }
    std::size_t eq = line.find('=');
    if (inSettings && eq != std::string::npos)
      m_settings.emplace_back(line.substr(0, eq), CString(line.substr(eq + 1)));
    if (inSection && line.compare(0, 4, "File") == 0 && eq != std::string::npos &&
        m_recentFiles.size() < nMaxMRU)
      m_recentFiles.push_back(CString(line.substr(eq + 1)));
  }
}

CString CWinApp::GetSettingsString(const char* entry, const char* def) const {
  // The last of several lines for one entry wins.
  for (auto it = m_settings.rbegin(); it != m_settings.rend(); ++it)
    if (it->first == entry) return it->second;
  return CString(def);
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
  if (!app->m_pszAppName) app->m_pszAppName = AfxLoadString(57344);
  int status;
  if (app->InitInstance()) {
    if (guard && app->m_pMainWnd) guard->FollowCaption(app->m_pMainWnd->m_hWnd);
    app->Run();
  }
  status = app->ExitInstance();
  // Windows go while the GUI library is still there.
  app->CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return status;
}
