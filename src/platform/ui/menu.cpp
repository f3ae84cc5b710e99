#include "platform/ui/menu.h"

#include <QAction>
#include <QMenu>

#include "platform/ui/qt_string.h"
#include "platform/ui/wnd.h"

BOOL CMenu::CreatePopupMenu() {
  m_items.clear();
  return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CString& text) {
  m_items.push_back({nFlags, nIDNewItem, text});
  return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT, int x, int y, CWnd* pWnd) {
  QMenu menu(pWnd ? pWnd->m_hWnd : nullptr);
  for (const Item& item : m_items) {
    QAction* action = menu.addAction(MnemonicToQt(item.text));
    action->setData(QVariant::fromValue(static_cast<qulonglong>(item.id)));
    action->setEnabled(!(item.flags & MF_GRAYED));
  }
  QAction* chosen = menu.exec(QPoint(x, y));
  if (!chosen || !pWnd) return FALSE;
  UINT id = static_cast<UINT>(chosen->data().toULongLong());
  pWnd->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return TRUE;
}
