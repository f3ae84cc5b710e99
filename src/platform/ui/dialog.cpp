#include "platform/ui/dialog.h"

#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QWidget>
#include <stdexcept>

#include "platform/files/drives.h"
#include "platform/ui/dialog_layout.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/ui_colors.h"
#include "platform/ui/widgets.h"

// ---- Data exchange ----

QWidget* CDataExchange::PrepareCtrl(int nID) {
  if (QWidget* w = FindControl(m_pDlgWnd ? m_pDlgWnd->m_hWnd : nullptr, nID)) return w;
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
  if (pDX->m_bSaveAndValidate)
    value = FromQString(WidgetText(w));
  else
    SetWidgetText(w, ToQString(value));
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

void CFormView::SetScrollSizes(const CSize& total) {
  if (m_hWnd) m_hWnd->setMinimumSize(total.cx, total.cy);
}

// ---- CDialog ----

namespace {

// A dialog's window: Escape and the close box become IDCANCEL, Enter with
// no default button IDOK, as the classic dialogs have them.
class DialogHost : public WndHost<QDialog> {
 public:
  DialogHost(CWnd* wnd, QWidget* owner) : WndHost<QDialog>(wnd, owner) {}
  void reject() override { Command(IDCANCEL); }
  void accept() override { Command(IDOK); }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier &&
        !findChild<QPushButton*>()) {
      Command(IDOK);
      return;
    }
    QDialog::keyPressEvent(e);
  }

 private:
  void Command(UINT id) {
    if (m_wnd) CWnd::CallWndProc(m_wnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }
};

QWidget* OwnerWidget(CWnd* parent) {
  CWnd* owner = parent ? parent : AfxGetMainWnd();
  return owner ? owner->m_hWnd : nullptr;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

bool CDialog::BuildWindow(QWidget* owner, bool modal) {
  const DialogTemplate* tmpl = AfxFindDialogTemplate(static_cast<int>(m_nIDTemplate));
  if (!tmpl) throw std::logic_error("dialog template " + std::to_string(m_nIDTemplate) + " is missing");
  m_bModal = modal;
  auto* host = new DialogHost(this, owner);
  SetStyle(tmpl->style);
  Qt::WindowFlags flags = Qt::Dialog;
  if ((tmpl->style & WS_CAPTION) != WS_CAPTION)
    flags = ((tmpl->style & DS_SYSMODAL) ? Qt::SplashScreen : Qt::Tool) | Qt::FramelessWindowHint;
  if (tmpl->style & DS_SYSMODAL) flags |= Qt::WindowStaysOnTopHint;
  if ((tmpl->style & WS_CAPTION) == WS_CAPTION) {
    // Only the boxes the template asks for.
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl->style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl->style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl->style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  }
  host->setWindowFlags(flags);
  host->setModal(modal);
  host->setWindowTitle(ToQString(CString(tmpl->caption)));
  AfxApplyDialogColors(host);
  DialogUnits du = BuildDialog(host, *tmpl);
  if (!(tmpl->style & WS_THICKFRAME)) host->setFixedSize(host->size());
  // The template's position counts from the owner's client area.
  CPoint origin(0, 0);
  if (CWnd* ownerWnd = owner ? CWnd::FromHandlePermanent(owner) : nullptr) ownerWnd->ClientToScreen(&origin);
  host->move(origin.x + du.X(tmpl->x), origin.y + du.Y(tmpl->y));
  if (tmpl->style & WS_DISABLED) host->setEnabled(false);
  Attach(host, true);
  CREATESTRUCT cs;
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return false;
  }
  OnInitDialog();
  return true;
}

int CDialog::DoModal() {
  m_nResult = IDCANCEL;
  if (!BuildWindow(OwnerWidget(m_pParentWnd), true)) return -1;
  auto* host = static_cast<QDialog*>(m_hWnd);
  host->exec();
  int result = m_nResult;
  QWidget* w = m_hWnd;
  if (w) {
    SendMessage(WM_DESTROY);
    Detach();
    delete w;
  }
  return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  m_pParentWnd = pParentWnd;
  const DialogTemplate* tmpl = AfxFindDialogTemplate(static_cast<int>(nIDTemplate));
  if (!BuildWindow(OwnerWidget(pParentWnd), false)) return FALSE;
  if (tmpl && (tmpl->style & WS_VISIBLE)) m_hWnd->show();
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult) {
  m_nResult = nResult;
  if (!m_hWnd) return;
  if (m_bModal)
    static_cast<QDialog*>(m_hWnd)->done(nResult);
  else
    m_hWnd->hide();
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    OnCancel();
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

// ---- CFileDialog ----

int CFileDialog::DoModal() {
  QFileDialog dialog(OwnerWidget(nullptr));
  // Qt's own dialog, the same on every desktop (and one the tests can drive).
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(ToQString(GetCurrentDirectory()));
  if (m_bOpen) {
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
  } else {
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  m_strPathName = FromQString(dialog.selectedFiles().first());
  return IDOK;
}
