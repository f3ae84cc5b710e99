#include "app/main_frame.h"

#include "platform/ui/app.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

UINT CMainFrame::s_nSplashMilliseconds = 3000;

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
  ON_WM_MOVE()
  ON_WM_CREATE()
  ON_WM_TIMER()
  ON_WM_ACTIVATE()
  ON_WM_PAINT()
END_MESSAGE_MAP()

void CMainFrame::OnMove(int x, int y) { CFrameWnd::OnMove(x, y); }

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  CenterWindow();
  // The main window at once, so that the splash can name it as its owner.
  AfxGetApp()->m_pMainWnd = this;
  if (m_wndSplash.Create(this)) {
    m_wndSplash.ShowWindow(SW_SHOW);
    m_wndSplash.UpdateWindow();
  }
  SetTimer(kSplashTimer, s_nSplashMilliseconds, nullptr);
  return 0;
}

void CMainFrame::OnTimer(UINT_PTR nIDEvent) {
  CFrameWnd::OnTimer(nIDEvent);
  m_wndSplash.DestroyWindow();
  AfxGetMainWnd()->UpdateWindow();
  KillTimer(kSplashTimer);
}

void CMainFrame::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
  CFrameWnd::OnActivate(nState, pWndOther, bMinimized);
}

// Draws nothing: the view covers the client area.
void CMainFrame::OnPaint() { CPaintDC dc(this); }
