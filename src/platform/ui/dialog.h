// Dialog data exchange, views and form views.
//
// A form view is a child window laid out from a dialog template: its
// controls are created in template order (which is the tab order), placed
// in pixels from the dialog units of the template's font, and bound to the
// view's members by its data exchange.
#pragma once

#include "platform/text/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/wnd.h"

class CDocument;

/// One data exchange between a window's members and its controls.
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;  // TRUE: controls to members
  CWnd* m_pDlgWnd;
  int m_nLastControl = 0;  // the control of the last text exchange, for DDV
  /// The control nID of the window; throws std::logic_error when missing.
  QWidget* PrepareCtrl(int nID);
};

/// Attaches rControl to control nID (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
/// Into the control: selects the first item that begins with value (no
/// effect on an empty or a multiple-selection list). Out: the selected text.
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
/// Into the control: sets its text. Out: reads it.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
/// Into the control: limits the user's typing to nChars characters.
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);

/// A dialog box from a template: modal (DoModal) or modeless (Create).
/// OK, Cancel, Enter, Escape and the close box end a modal one with IDOK or
/// IDCANCEL; a modeless one only hides.
class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
      : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

  /// Shows the dialog over its owner (the main window unless one was given)
  /// and returns how it ended: IDOK, IDCANCEL or what EndDialog was given.
  virtual int DoModal();
  /// Creates the dialog as a modeless window owned by pParentWnd (null: the
  /// main window), hidden unless its template says visible.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  /// Runs the data exchange into the controls; TRUE lets the system set
  /// the focus.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  /// Ends a modal dialog with nResult; hides a modeless one.
  void EndDialog(int nResult);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  // Builds the window from the template, owned by owner (may be null).
  bool BuildWindow(QWidget* owner, bool modal);
  bool m_bModal = false;
  int m_nResult = IDCANCEL;

  DECLARE_MESSAGE_MAP()
};

/// The file dialog of Open and Save.
class CFileDialog {
 public:
  /// bOpenFileDialog: TRUE for Open (an existing file), FALSE for Save (a
  /// name; replacing a file is the caller's question). The dialog opens
  /// over the main window, in the current directory.
  explicit CFileDialog(BOOL bOpenFileDialog) : m_bOpen(bOpenFileDialog) {}
  int DoModal();
  CString GetPathName() const { return m_strPathName; }

 private:
  BOOL m_bOpen;
  CString m_strPathName;
};

/// A view: a child window of a frame, in its client area.
class CView : public CWnd {
 public:
  /// Creates the view's window as a child of pParent.
  virtual BOOL Create(CWnd* pParent) = 0;
  virtual void OnInitialUpdate() {}
};

/// A view laid out from a dialog template.
class CFormView : public CView {
 public:
  explicit CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

  /// Creates the form and its controls as a child of pParent (or as a
  /// top-level window when pParent is null), sends WM_CREATE, and shows it.
  /// Returns FALSE when WM_CREATE fails; throws std::logic_error when the
  /// template is missing.
  BOOL Create(CWnd* pParent) override;

  /// Runs the data exchange in the given direction.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  /// Runs the data exchange into the controls.
  void OnInitialUpdate() override;

  /// The form is never laid out smaller than total: in a smaller frame the
  /// view shows scroll bars instead.
  void SetScrollSizes(const CSize& total);

 protected:
  virtual void DoDataExchange(CDataExchange*) {}

 private:
  UINT m_nIDTemplate;
};
