#include "app/splash_wnd.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CSplashWnd, CDialog)
  ON_WM_PAINT()
  ON_WM_DESTROY()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CSplashWnd::CSplashWnd() : CDialog(IDD_SPLASH) {}

CSplashWnd::~CSplashWnd() { delete m_pBitmap; }

BOOL CSplashWnd::Create(CWnd* pParent) { return CDialog::Create(IDD_SPLASH, pParent); }

BOOL CSplashWnd::OnInitDialog() {
  CDialog::OnInitDialog();
  MoveWindow(1, 1, 385, 208, TRUE);
  CenterWindow();
  m_pBitmap = new CBitmap;
  m_pBitmap->LoadBitmap(IDB_SPLASH);
  CSize size = m_pBitmap->GetSize();
  m_nWidth = size.cx;
  m_nHeight = size.cy;
  return TRUE;
}

void CSplashWnd::OnPaint() {
  CPaintDC dc(this);
  CDC memDC;
  memDC.CreateCompatibleDC(&dc);
  memDC.SelectObject(m_pBitmap);
  dc.BitBlt(1, 1, m_nWidth, m_nHeight, &memDC, 0, 0, SRCCOPY);
  memDC.DeleteDC();
}

void CSplashWnd::OnDestroy() {
  CDialog::OnDestroy();
  if (m_pBitmap) m_pBitmap->DeleteObject();
  delete m_pBitmap;
  m_pBitmap = nullptr;
}

void CSplashWnd::OnTimer(UINT_PTR nIDEvent) { CDialog::OnTimer(nIDEvent); }
