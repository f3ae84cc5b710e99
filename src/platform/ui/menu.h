// CMenu: a popup menu built by the program, as a context menu shows it.
#pragma once

#include <vector>

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

class CWnd;

class CMenu {
 public:
  BOOL CreatePopupMenu();
  /// Adds an item at the end: MF_STRING, with MF_GRAYED for one that
  /// cannot be chosen. text may mark its key letter with "&".
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CString& text);
  /// Shows the menu with its top-left corner at x, y on the screen and waits
  /// until it closes; the item chosen is sent to pWnd as a command
  /// (WM_COMMAND). Returns whether one was chosen.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd);

 private:
  struct Item {
    UINT flags;
    UINT_PTR id;
    CString text;
  };
  std::vector<Item> m_items;
};
