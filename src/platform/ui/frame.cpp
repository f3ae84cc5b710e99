#include "platform/ui/frame.h"

#include <QMainWindow>
#include <QMenuBar>

#include "platform/ui/qt_string.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/widgets.h"

BOOL CFrameWnd::CreateFrame(const CString& title) {
  auto* host = new WndHost<QMainWindow>(this);
  host->setWindowTitle(ToQString(title));
  AfxApplyDialogColors(host);
  Attach(host, true);
  CREATESTRUCT cs;
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

void CFrameWnd::SetActiveView(CView* pView) {
  m_pViewActive = pView;
  if (auto* main = qobject_cast<QMainWindow*>(m_hWnd))
    if (pView && pView->m_hWnd) main->setCentralWidget(pView->m_hWnd);
}

int CFrameWnd::MenuBarHeight() const {
  auto* main = qobject_cast<QMainWindow*>(m_hWnd);
  QWidget* bar = main ? main->menuWidget() : nullptr;
  return bar && bar->isVisible() ? bar->height() : 0;
}
