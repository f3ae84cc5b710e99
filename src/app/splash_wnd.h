// CSplashWnd: the picture shown while the program starts. It takes no input
// and stays above other windows until the main frame destroys it.
#pragma once

#include "platform/ui/dc.h"
#include "platform/ui/dialog.h"

class CSplashWnd : public CDialog {
 public:
  CSplashWnd();
  ~CSplashWnd() override;

  /// Creates the splash as a modeless window owned by pParent.
  BOOL Create(CWnd* pParent);
  BOOL OnInitDialog() override;

  void OnPaint();
  void OnDestroy();
  void OnTimer(UINT_PTR nIDEvent);

  CBitmap* m_pBitmap = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;

  DECLARE_MESSAGE_MAP()
};
