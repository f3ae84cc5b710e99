// CWinApp: the application. Exactly one object of a class derived from it
// exists, a global constructed before AfxWinMain runs. AfxWinMain starts the
// GUI library, refuses to start a second copy when the application asked
// for that, calls InitInstance, runs the message loop while the main window
// lives, and returns what ExitInstance returns (after a programming error,
// CWnd::kProgrammingErrorStatus).
#pragma once

#include <memory>
#include <string>

#include "platform/files/file_exception.h"
#include "platform/text/cstring.h"
#include "platform/ui/doc.h"
#include "platform/ui/message_map.h"

class CWnd;

class CWinApp : public CCmdTarget {
 public:
  /// The name comes from string AFX_IDS_APP_TITLE when none is given.
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

  /// The text of the message box that reports a file error a handler
  /// raised: by default the exception's own message.
  virtual CString FileErrorText(const CFileException& e) const { return e.GetErrorMessage(); }
  /// The text of the message box that reports running out of memory.
  virtual CString OutOfMemoryText() const { return CString("Out of memory."); }

  /// The line written to standard error, with its line feed, when the GUI
  /// library finds no display to show windows on; the program then ends
  /// with status 1.
  virtual std::string NoDisplayText() const { return "No display was found.\n"; }

  /// Icon nIDResource of the resources.
  HICON LoadIcon(UINT nIDResource) const;

  /// The application owns the template.
  void AddDocTemplate(CSingleDocTemplate* pTemplate);
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

  DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();

/// The program's entry: see CWinApp. argc and argv go to the GUI library.
int AfxWinMain(int argc, char** argv);
