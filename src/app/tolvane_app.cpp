#include "app/tolvane_app.h"

#include "app/about_dlg.h"
#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/tolvane_doc.h"
#include "platform/files/drives.h"
#include "platform/files/file_exception.h"
#include "platform/ui/message_box.h"
#include "res/resources.h"
#include "view/tolvane_view.h"

const char kMainWindowCaption[] = "ソース選択 - Tolvane For Windows95";

BEGIN_MESSAGE_MAP(CTolvaneApp, CWinApp)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
  ON_COMMAND(ID_FILE_NEW, OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
END_MESSAGE_MAP()

CTolvaneApp::CTolvaneApp() : m_mapSourceDlg(10) {
  // Another copy's main window ends this copy before any window of its
  // own exists (see AfxWinMain).
  m_strSingleInstanceCaption = kMainWindowCaption;
  AfxSetResources(&TolvaneResources());
}

CTolvaneApp::~CTolvaneApp() = default;

BOOL CTolvaneApp::InitInstance() {
  SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
  LoadStdProfileSettings(4);
  AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CTolvaneDoc),
                                        RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CTolvaneView)));
  // A path of the command line that is not there is reported as a file
  // that cannot be opened; the program then starts without it.
  StartPlace place = FindStartPlace(m_startPaths);
  for (const std::string& path : place.missing)
    AfxMessageBox(CFileException(CFileException::fileNotFound, CString(path)).GetErrorMessage(),
                  MB_OK | MB_ICONEXCLAMATION);
  if (!place.folder.empty() && !SetCurrentDirectory(CString(place.folder)))
    AfxMessageBox(CFileException(CFileException::accessDenied, CString(place.folder)).GetErrorMessage(),
                  MB_OK | MB_ICONEXCLAMATION);
  OnFileNew();
  if (!place.sources.empty() && m_pMainWnd)
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd))
      if (auto* view = dynamic_cast<CTolvaneView*>(frame->GetActiveView()))
        view->ChooseFiles(std::vector<CString>(place.sources.begin(), place.sources.end()));
  return TRUE;
}

BOOL CTolvaneApp::OnIdle(LONG lCount) { return CWinApp::OnIdle(lCount); }

int CTolvaneApp::ExitInstance() { return 0; }

CSourceDlg* CTolvaneApp::CreateSourceDlg() {
  auto* dlg = new CSourceDlg;
  dlg->Create(IDD_SOURCE);
  dlg->SetIcon(LoadIcon(IDR_MAINFRAME), TRUE);
  return dlg;
}

void CTolvaneApp::OnAppAbout() {
  CAboutDlg aboutDlg;
  aboutDlg.DoModal();
}
