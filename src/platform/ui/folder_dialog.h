// Taking a whole folder: the dialog that picks it, and the progress box of
// the work done on it.
#pragma once

#include <memory>

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

class CWnd;

/// The folder dialog: an existing folder, starting at the current folder.
class CFolderDialog {
 public:
  explicit CFolderDialog(const CString& title, CWnd* pParentWnd = nullptr);
  /// IDOK once a folder was chosen, else IDCANCEL.
  int DoModal();
  /// The folder chosen, a full path.
  CString GetPathName() const { return m_strPathName; }

 private:
  CString m_strTitle;
  CWnd* m_pParentWnd;
  CString m_strPathName;
};

/// A progress box with a キャンセル button, for work that the program does
/// in steps on the user-interface thread, calling Pump between them. The box
/// shows once the work has taken delayMs. From construction on, input meant
/// for the program's other windows is set aside (and a close box pressed on
/// them is refused), while painting, moving and sizing go on: nothing can
/// start another piece of work meanwhile.
class CProgressDlg {
 public:
  CProgressDlg(const CString& caption, int delayMs, CWnd* pOwner = nullptr);
  ~CProgressDlg();
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  /// Shows text in the box and serves the events waiting. Returns FALSE once
  /// the user has pressed キャンセル or closed the box.
  BOOL Pump(const CString& text);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_p;
};
