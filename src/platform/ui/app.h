// CWinApp: the application. Exactly one object of a class derived from it
// exists, a global constructed before AfxWinMain runs. AfxWinMain starts the
// GUI library, refuses to start a second copy when the application asked
// for that, calls InitInstance, runs the message loop while the main window
// lives, and returns what ExitInstance returns.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text/cstring.h"
#include "platform/ui/doc.h"
#include "platform/ui/message_map.h"

class CWnd;

class CWinApp : public CCmdTarget {
 public:
  /// The name comes from string 57344 when none is given.
  explicit CWinApp(const char* pszAppName = nullptr);
  ~CWinApp() override;

  /// Prepares the program and opens the main window; FALSE ends the program.
  virtual BOOL InitInstance() { return TRUE; }
  /// Runs the message loop until the main window is destroyed.
  virtual int Run();
  /// Called once the loop ends; its result is the exit status.
  virtual int ExitInstance() { return 0; }
  /// Idle-time work after the queue empties; TRUE asks for more calls.
  virtual BOOL OnIdle(LONG lCount);

  /// Dialogs and forms get this background and text colour.
  void SetDialogBkColor(COLORREF background, COLORREF text);
  /// Reads the profile's recent-file list (up to nMaxMRU entries). The
  /// profile is only read, never written.
  void LoadStdProfileSettings(UINT nMaxMRU = 4);
  const std::vector<CString>& GetRecentFiles() const { return m_recentFiles; }
  /// The profile's value of entry in [Settings], as read by
  /// LoadStdProfileSettings, or def when it has none.
  CString GetSettingsString(const char* entry, const char* def) const;

  /// Icon nIDResource of the resources.
  HICON LoadIcon(UINT nIDResource) const;

  /// The application owns the template.
  void AddDocTemplate(CSingleDocTemplate* pTemplate);
  CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
  /// Closes the document, its frame and its view.
  void CloseAllDocuments();

  // Commands.
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();

  /// Set by the constructor of an application that runs one copy at a time:
  /// the caption of its main window, which marks a running copy.
  std::string m_strSingleInstanceCaption;

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName = nullptr;

 private:
  std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
  std::vector<CString> m_recentFiles;
  std::vector<std::pair<std::string, CString>> m_settings;  // [Settings], in file order

  DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();

/// The program's entry: see CWinApp. argc and argv go to the GUI library.
int AfxWinMain(int argc, char** argv);
