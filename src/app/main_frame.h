// CMainFrame: the program's main window. It centres itself, shows the
// splash picture for three seconds, and holds the form.
#pragma once

#include "app/splash_wnd.h"
#include "platform/ui/frame.h"
#include "platform/ui/runtime_class.h"

class CMainFrame : public CFrameWnd {
 public:
  /// The splash is ended at the first tick of this timer, which frames
  /// created from now on start with a period of s_nSplashMilliseconds
  /// (3000; tests make it shorter).
  static constexpr UINT_PTR kSplashTimer = 1;
  static UINT s_nSplashMilliseconds;

  CSplashWnd m_wndSplash;

  void OnMove(int x, int y);
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnTimer(UINT_PTR nIDEvent);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  void OnPaint();

  DECLARE_DYNCREATE(CMainFrame)
  DECLARE_MESSAGE_MAP()
};
