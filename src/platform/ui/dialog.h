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

/// A view: a child window of a frame that shows a document.
class CView : public CWnd {
 public:
  CDocument* GetDocument() const { return m_pDocument; }
  void SetDocument(CDocument* doc) { m_pDocument = doc; }
  virtual void OnInitialUpdate() {}

 protected:
  CDocument* m_pDocument = nullptr;
};

/// A view laid out from a dialog template.
class CFormView : public CView {
 public:
  explicit CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

  /// Creates the form and its controls as a child of pParent (or as a
  /// top-level window when pParent is null), sends WM_CREATE, and shows it.
  /// Returns FALSE when WM_CREATE fails; throws std::logic_error when the
  /// template is missing.
  virtual BOOL Create(CWnd* pParent);

  /// Runs the data exchange in the given direction.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  /// Runs the data exchange into the controls.
  void OnInitialUpdate() override;

  UINT GetTemplateID() const { return m_nIDTemplate; }

 protected:
  virtual void DoDataExchange(CDataExchange*) {}

 private:
  UINT m_nIDTemplate;
};
