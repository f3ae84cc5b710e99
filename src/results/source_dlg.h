// CSourceDlg: the listing window of one found function. It shows the whole
// source file the function was found in, one piece of at most 255 bytes a
// line, and below it every piece that mentions the function's name,
// numbered; a double-click on one scrolls the source to it. The file is
// read once into the text view, which keeps its bytes and draws only the
// lines in sight.
#pragma once

#include <memory>
#include <string_view>

#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

class CSourceDlg : public CDialog {
 public:
  CSourceDlg();

  CListBox m_listLines;
  CTextView m_editSource;
  CString m_strSource;
  CString m_strLine;

  BOOL OnInitDialog() override;

  /// Reads path (text in the given encoding) into the window: every piece
  /// into the text view, and every piece that holds name (a match of whole
  /// characters of that encoding) into the list of lines, after its
  /// number. A character cut between two pieces of a line shows whole, at
  /// the start of the second. Throws CFileException when the file cannot
  /// be opened or read.
  void ShowFile(const CString& path, const CString& name,
                TextEncoding encoding = TextEncoding::kCp932);

  /// A line entry: the piece's number formatted with "%04d ", then the
  /// piece as shown (decoded, without its line end).
  static CString LineEntry(int number, std::string_view shown);
  /// The line number an entry stands for: its leading decimal digits.
  static int LineNumberOf(const CString& entry);
  /// Where listing window n (from 0) of a form whose window is form opens,
  /// on a screen whose work area is workArea: half the work area high and
  /// as wide as the form, right of it when it fits there, else over it;
  /// each window a caption's height below (and, where there is room, right
  /// of) the one before, from the top again when it would leave the work
  /// area.
  static CRect Placement(const CRect& form, const CRect& workArea, int n);

  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  void OnMove(int x, int y);
  void OnDblclkLines();
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDrawItem(int nIDCtl, void* lpDrawItemStruct);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  // Does nothing: the text view takes the focus as any control does.
  void OnSetfocusSource();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  // The text view fills the width from 20 pixels below the top, and the list a
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
