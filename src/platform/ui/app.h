// CWinApp: the application. Exactly one object of a class derived from it
// exists, a global constructed before AfxWinMain runs; AfxWinMain starts the
// GUI library, calls InitInstance, runs the message loop while the main
// window lives, and returns what ExitInstance returns.
#pragma once

#include "platform/text/cstring.h"
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

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName = nullptr;
};

CWinApp* AfxGetApp();

/// The program's entry: see CWinApp. argc and argv go to the GUI library.
int AfxWinMain(int argc, char** argv);
