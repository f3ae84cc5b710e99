#include "app/tolvane_app.h"

#include <stdexcept>

#include "analysis/rule_set.h"
#include "app/about_dlg.h"
#include "app/file_error_text.h"
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
  ON_COMMAND(ID_FILE_SYNTAX_RULES, OnFileSyntaxRules)
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
  m_strSettingsPath = CSettingsFile::DefaultPath();
  m_settings.Load(m_strSettingsPath);
  AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CTolvaneDoc),
                                        RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CTolvaneView)));
  // A path of the command line that is not there is reported as a file
  // that cannot be opened; the program then starts without it.
  StartPlace place = FindStartPlace(m_startPaths);
  for (const std::string& path : place.missing)
    AfxMessageBox(FileErrorText(CFileException(CFileException::fileNotFound, CString(path))),
                  MB_OK | MB_ICONEXCLAMATION);
  if (!place.folder.empty() && !SetCurrentDirectory(CString(place.folder)))
    AfxMessageBox(FileErrorText(CFileException(CFileException::accessDenied, CString(place.folder))),
                  MB_OK | MB_ICONEXCLAMATION);
  OnFileNew();
  // The template was given these classes: its frame is a CMainFrame and its
  // view a CTolvaneView, which keeps its listing windows here.
  auto* frame = static_cast<CMainFrame*>(m_pMainWnd);
  if (!frame || !frame->GetActiveView()) return FALSE;
  auto* view = static_cast<CTolvaneView*>(frame->GetActiveView());
  view->SetSourceDlgOwner(this);
  // Every source in the encoding its bytes show, unless the settings name
  // one for all: "auto", "cp932", "utf-8" or "euc-jp". Any other value is
  // named once, and auto taken.
  EncodingChoice encoding = EncodingChoice::kAuto;
  CString unusable = m_settings.ReadChoice(
      "Settings", "Encoding", "auto",
      [&encoding](std::string_view name) { return ParseEncodingChoice(name, encoding); });
  if (!unusable.IsEmpty()) AfxMessageBox(unusable, MB_OK | MB_ICONEXCLAMATION);
  view->SetEncoding(encoding);
  // The classic rules unless the settings choose "syntax"; any other value
  // is named once, as an encoding is.
  unusable = m_settings.ReadChoice("Settings", "Rules", "classic", [this](std::string_view name) {
    if (name != "classic" && name != "syntax") return false;
    m_bSyntaxRules = name == "syntax";
    return true;
  });
  if (!unusable.IsEmpty()) AfxMessageBox(unusable, MB_OK | MB_ICONEXCLAMATION);
  ApplyRules();
  if (!place.sources.empty())
    view->ChooseFiles(std::vector<CString>(place.sources.begin(), place.sources.end()));
  return TRUE;
}

BOOL CTolvaneApp::OnIdle(LONG lCount) { return CWinApp::OnIdle(lCount); }

int CTolvaneApp::ExitInstance() { return 0; }

std::unique_ptr<CSourceDlg> CTolvaneApp::CreateSourceDlg() {
  auto dlg = std::make_unique<CSourceDlg>();
  dlg->Create(IDD_SOURCE);
  dlg->SetIcon(LoadIcon(IDR_MAINFRAME), TRUE);
  return dlg;
}

CSourceDlg* CTolvaneApp::FindSourceDlg(const CString& key) const {
  auto it = m_mapSourceDlg.find(key.str());
  return it == m_mapSourceDlg.end() ? nullptr : it->second.get();
}

CSourceDlg* CTolvaneApp::KeepSourceDlg(const CString& key, std::unique_ptr<CSourceDlg> dlg) {
  std::unique_ptr<CSourceDlg>& slot = m_mapSourceDlg[key.str()];
  if (slot) throw std::logic_error("a listing window is kept under this key already");
  slot = std::move(dlg);
  return slot.get();
}

CString CTolvaneApp::FileErrorText(const CFileException& e) const { return JapaneseFileErrorText(e); }

CString CTolvaneApp::OutOfMemoryText() const { return JapaneseOutOfMemoryText(); }

std::string CTolvaneApp::NoDisplayText() const {
  return "tolvane: no display was found; tolvane-xref works without one.\n";
}

void CTolvaneApp::ApplyRules() {
  auto* frame = static_cast<CMainFrame*>(m_pMainWnd);
  if (!frame) return;
  frame->CheckMenuItem(ID_FILE_SYNTAX_RULES, m_bSyntaxRules ? MF_CHECKED : MF_UNCHECKED);
  if (auto* view = static_cast<CTolvaneView*>(frame->GetActiveView()))
    view->SetRules(m_bSyntaxRules ? &SyntaxRuleSet() : &ClassicRuleSet());
}

void CTolvaneApp::OnFileSyntaxRules() {
  m_bSyntaxRules = !m_bSyntaxRules;
  ApplyRules();
  try {
    m_settings.WriteSetting(m_strSettingsPath, "Settings", "Rules", m_bSyntaxRules ? "syntax" : "classic");
  } catch (const CFileException& e) {
    AfxMessageBox(FileErrorText(e), MB_OK | MB_ICONEXCLAMATION);
  }
}

void CTolvaneApp::OnAppAbout() {
  CAboutDlg aboutDlg;
  aboutDlg.DoModal();
}
