// CFrameWnd: a top-level window with an optional menu bar, whose client
// area holds one view.
#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/wnd.h"

class CFrameWnd : public CWnd {
 public:
  CFrameWnd() = default;

  /// Creates the window, hidden, captioned title, and sends WM_CREATE.
  /// Returns FALSE when WM_CREATE fails.
  virtual BOOL CreateFrame(const CString& title);
  /// Makes the view (a window created with this frame as its parent) fill
  /// the client area.
  void SetActiveView(CView* pView);
  CView* GetActiveView() const { return m_pViewActive; }

 protected:
  int MenuBarHeight() const override;

  CView* m_pViewActive = nullptr;
};
