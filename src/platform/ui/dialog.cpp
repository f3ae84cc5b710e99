#include "platform/ui/dialog.h"

#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

#include "platform/ui/dialog_layout.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/widgets.h"

// ---- Data exchange ----

QWidget* CDataExchange::PrepareCtrl(int nID) {
  if (m_pDlgWnd && m_pDlgWnd->m_hWnd)
    for (QWidget* w : m_pDlgWnd->m_hWnd->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (ControlId(w) == nID) return w;
  throw std::logic_error("dialog control " + std::to_string(nID) + " is missing");
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;
  rControl.Attach(pDX->PrepareCtrl(nIDC), false);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value) {
  QWidget* w = pDX->PrepareCtrl(nIDC);
  CListBox* list = dynamic_cast<CListBox*>(CWnd::FromHandlePermanent(w));
  if (!list) return;
  if (pDX->m_bSaveAndValidate) {
    int i = list->GetCurSel();
    value = i == LB_ERR ? CString() : list->GetText(i);
  } else if (!list->IsMultipleSelection() && list->GetCount() > 0) {
    list->SelectString(-1, value);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  QWidget* w = pDX->PrepareCtrl(nIDC);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (pDX->m_bSaveAndValidate)
      value = FromQString(edit->text());
    else
      edit->setText(ToQString(value));
  }
  pDX->m_nLastControl = nIDC;
}

void DDV_MaxChars(CDataExchange* pDX, const CString&, int nChars) {
  if (pDX->m_bSaveAndValidate) return;
  QWidget* w = pDX->PrepareCtrl(pDX->m_nLastControl);
  if (auto* edit = dynamic_cast<EditWidget*>(w)) edit->SetUserLimit(nChars);
}

// ---- CFormView ----

BOOL CFormView::Create(CWnd* pParent) {
  const DialogTemplate* tmpl = AfxFindDialogTemplate(static_cast<int>(m_nIDTemplate));
  if (!tmpl) throw std::logic_error("dialog template " + std::to_string(m_nIDTemplate) + " is missing");
  QWidget* parentWidget = pParent ? pParent->m_hWnd : nullptr;
  auto* host = new WndHost<QWidget>(this, parentWidget);
  AfxApplyDialogColors(host);
  if (tmpl->style & WS_BORDER) host->setContentsMargins(1, 1, 1, 1);
  BuildDialog(host, *tmpl);
  Attach(host, true);
  CREATESTRUCT cs;
  cs.cx = host->width();
  cs.cy = host->height();
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  host->show();
  return TRUE;
}

BOOL CFormView::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CFormView::OnInitialUpdate() { UpdateData(FALSE); }
