// CFrameWnd: a top-level window with a menu bar, accelerators and an icon
// from its resources, whose client area holds one view.
//
// Commands (menu items, accelerators) go to the active view, then to its
// document, then to the frame itself, then to the application: the first
// whose message map has the command runs it. The caption is the document's
// title, " - " and the window title of the frame's document string.
#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/wnd.h"

class CDocument;

class CFrameWnd : public CWnd {
 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;

  /// Creates the window from resource nIDResource (menu, accelerator
  /// table, icon, and the window title from its string), hidden, and sends
  /// WM_CREATE. Returns FALSE when WM_CREATE fails.
  virtual BOOL LoadFrame(UINT nIDResource);
  /// As LoadFrame with no resources: a plain window captioned title.
  virtual BOOL CreateFrame(const CString& title);

  /// Makes the view (a window created with this frame as its parent) fill
  /// the client area. The frame deletes it when it is destroyed.
  void SetActiveView(CView* pView);
  CView* GetActiveView() const { return m_pViewActive; }
  void SetActiveDocument(CDocument* pDoc) { m_pDocument = pDoc; }

  /// Shows (MF_CHECKED) or clears (MF_UNCHECKED) the check mark of the
  /// menu item of command nIDCheckItem, if the menu has one.
  void CheckMenuItem(UINT nIDCheckItem, UINT nCheck);

  /// Sets the caption from the document's title.
  virtual void OnUpdateFrameTitle();

  BOOL OnCmdMsg(UINT nID, UINT nCode) override;
  BOOL DestroyWindow() override;

 protected:
  int MenuBarHeight() const override;
  // Makes the window, with the menu, accelerators and icon of nIDResource
  // (none for 0), captioned m_strTitle.
  BOOL Create(UINT nIDResource);

  CView* m_pViewActive = nullptr;
  CDocument* m_pDocument = nullptr;
  CString m_strTitle;
};
