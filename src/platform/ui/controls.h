// The standard controls: list boxes, single-line edit boxes, buttons,
// static texts and read-only text views, each a CWnd over a Qt widget that
// a screen reader reads. The program's own changes to a control never send a
// notification; the user's actions do.
#pragma once

#include <vector>

#include "platform/text/cstring.h"
#include "platform/ui/code_page.h"
#include "platform/ui/wnd.h"

/// A list box. Items are byte strings, shown decoded from the system's
/// encoding (bytes that are not valid show as replacement characters) and
/// handed back as they were added.
///
/// A multiple-selection list box behaves as the classic one: a click or the
/// space bar toggles one item, the arrow keys move the focus item without
/// selecting; there is no select-all, no drag selection and no range
/// selection. It notifies LBN_SELCHANGE once for each click or key that
/// changes its selection or focus item, and LBN_DBLCLK for a double-click on
/// an item (not when the first click of the double-click emptied the list).
/// Focus entering the list notifies nothing.
class CListBox : public CWnd {
 public:
  /// Adds at the end, or in order when the list is sorted. Returns the index.
  int AddString(const CString& text);
  /// Adds every text as AddString would, in one step: a long list gains
  /// many items at the cost of a few. Returns the number of items.
  int AddStrings(std::vector<CString> texts);
  /// Returns the number of items left, or LB_ERR for a bad index.
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  /// The text of item index; "" for a bad index.
  void GetText(int index, CString& text) const;
  CString GetText(int index) const;
  /// Single selection: the selected item. Multiple selection: the focus
  /// item. LB_ERR when there is none.
  int GetCurSel() const;
  /// Single selection: selects index (-1: none). Returns LB_ERR for -1 or a
  /// bad index.
  int SetCurSel(int index);
  /// Multiple selection: the number of selected items.
  int GetSelCount() const;
  /// Multiple selection: writes the indices of up to maxItems selected
  /// items, in ascending order, and returns how many it wrote.
  int GetSelItems(int maxItems, int* indices) const;
  /// The first item at or after startAfter + 1 (wrapping) that begins with
  /// text, compared without regard to ASCII case; LB_ERR when none does.
  int FindString(int startAfter, const CString& text) const;
  /// Single selection: selects what FindString finds. Returns its index or
  /// LB_ERR.
  int SelectString(int startAfter, const CString& text);
  /// Adds the drive entries "[-a-]" ... for the drives of the drive table, in
  /// drive order, after the items (attr DDL_DRIVES; the list lists no files).
  int Dir(UINT attr, const CString& fileSpec);
  BOOL IsMultipleSelection() const;
  /// For a handler that refuses what the user asked: puts back the
  /// selection, the focus item and the keyboard focus as they were before
  /// the user's last click or key on the list, without a notification. A
  /// double-click begun with that click then does nothing.
  void RevertUserAction();
};

/// A single-line edit box. Positions are in characters.
class CEdit : public CWnd {
 public:
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  /// Replaces the selection (or inserts at the caret) with text.
  void ReplaceSel(const CString& text, BOOL bCanUndo = FALSE);
  /// Scrolls the caret into view (a line edit keeps it there by itself).
  void ScrollCaret() {}
};

/// A read-only view of a file's text (ControlKind::TextView), one line a
/// piece and an empty line after the last: a caret, selection with the
/// mouse and the keys, copying, scroll bars both ways, and a read-only text
/// to screen readers, as a read-only multi-line edit has. Only the lines in
/// sight are laid out and drawn, so a file of millions of lines costs about
/// its own bytes. Its window text is the whole text, "\r\n" after each
/// line; setting it shows that text (pieces of at most 255 bytes a line).
class CTextView : public CWnd {
 public:
  /// Shows lines in place of what it showed; the caret goes to the start.
  void SetLines(CDisplayLines lines);
  /// The lines shown: the pieces and the empty line after them.
  int GetLineCount() const;
  /// Scrolls by nLines lines (down when positive) and nChars characters, as
  /// far as the text allows.
  BOOL LineScroll(int nLines, int nChars = 0);
  /// The index of the topmost visible line, from 0.
  int GetFirstVisibleLine() const;
};

class CButton : public CWnd {};

class CStatic : public CWnd {};
