#include "platform/ui/folder_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>

#include "platform/files/drives.h"
#include "platform/ui/input_blocker.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/wnd.h"

namespace {

QWidget* OwnerOf(CWnd* parent) {
  CWnd* owner = parent ? parent : AfxGetMainWnd();
  return owner ? owner->m_hWnd : nullptr;
}

}  // namespace

// ---- CFolderDialog ----

CFolderDialog::CFolderDialog(const CString& title, CWnd* pParentWnd)
    : m_strTitle(title), m_pParentWnd(pParentWnd) {}

int CFolderDialog::DoModal() {
  QFileDialog dialog(OwnerOf(m_pParentWnd), ToQString(m_strTitle));
  // Qt's own dialog, the same on every desktop (and one the tests can drive).
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setDirectory(ToQString(GetCurrentDirectory()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  m_strPathName = FromQString(dialog.selectedFiles().first());
  return IDOK;
}

// ---- CProgressDlg ----

struct CProgressDlg::Impl {
  QProgressDialog box;
  InputBlocker blocker{&box, InputBlocker::Closes::kRefused};
  QElapsedTimer clock;
  int delay;
  QString text;
  Impl(QWidget* owner, int delayMs) : box(owner), delay(delayMs) {}
};

CProgressDlg::CProgressDlg(const CString& caption, int delayMs, CWnd* pOwner)
    : m_p(new Impl(OwnerOf(pOwner), delayMs)) {
  QProgressDialog& box = m_p->box;
  box.setWindowTitle(ToQString(caption));
  box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  box.setWindowModality(Qt::ApplicationModal);
  box.setCancelButtonText(QStringLiteral("キャンセル"));
  box.setRange(0, 0);  // how much is left is not known
  box.setAutoClose(false);
  box.setAutoReset(false);
  box.setMinimumDuration(delayMs);
  box.setMinimumWidth(420);
  m_p->clock.start();
}

CProgressDlg::~CProgressDlg() = default;

BOOL CProgressDlg::Pump(const CString& text) {
  QString t = ToQString(text);
  if (t != m_p->text) {
    m_p->text = t;
    m_p->box.setLabelText(t);
  }
  if (!m_p->box.isVisible() && !m_p->box.wasCanceled() && m_p->clock.elapsed() >= m_p->delay) m_p->box.show();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return !m_p->box.wasCanceled();
}
