// CSourceDlg: the listing window of one found function. It shows the whole
// source file the function was found in, one piece of at most 255 bytes an
// edit line, and below it every piece that mentions the function's name,
// numbered; a double-click on one scrolls the source to it.
#pragma once

#include <memory>

#include "platform/text/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

class CSourceDlg : public CDialog {
 public:
  CSourceDlg();

  CListBox m_listLines;
  CEdit m_editSource;
  CString m_strSource;
  CString m_strLine;

  BOOL OnInitDialog() override;

  /// Reads path (Shift-JIS text) into the window: every piece into the
  /// edit, and every piece that holds name (a whole-character match) into
  /// the list of lines, after its number. Throws CFileException when the
  /// file cannot be opened or read.
  void ShowFile(const CString& path, const CString& name);

  /// A line entry: the piece's number formatted with "%04d " and the piece
  /// without its line end, both shown decoded.
  static CString LineEntry(int number, const CString& piece);
  /// The line number an entry stands for: its leading decimal digits.
  static int LineNumberOf(const CString& entry);

  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  void OnMove(int x, int y);
  void OnDblclkLines();
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDrawItem(int nIDCtl, void* lpDrawItemStruct);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  // Does nothing: the edit takes the focus as any control does.
  void OnSetfocusSource();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  // The edit fills the width from 20 pixels below the top, and the list a
  // 64-pixel band along the bottom, whatever the window's size.
  void Layout();

  DECLARE_MESSAGE_MAP()
};

/// The keeper of the listing windows, one for each found function by a key
/// the view makes. It owns every window it keeps, until it ends itself;
/// nothing else deletes one.
class ISourceDlgOwner {
 public:
  /// The window kept under key, or null.
  virtual CSourceDlg* FindSourceDlg(const CString& key) const = 0;
  /// Keeps dlg under key, which no window is kept under yet; returns it.
  virtual CSourceDlg* KeepSourceDlg(const CString& key, std::unique_ptr<CSourceDlg> dlg) = 0;
  /// A new listing window: modeless, hidden, owned by the main window.
  virtual std::unique_ptr<CSourceDlg> CreateSourceDlg() = 0;

 protected:
  ~ISourceDlgOwner() = default;
};
