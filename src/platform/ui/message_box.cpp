#include "platform/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/qt_string.h"
#include "platform/ui/resource_types.h"
#include "platform/ui/standard_ids.h"
#include "platform/ui/wnd.h"

int AfxMessageBox(const CString& text, UINT nType) {
  const char* title = AfxLoadString(AFX_IDS_APP_TITLE);
  CString caption(*title ? title : "Tolvane");
  CWnd* pOwner = AfxGetMainWnd();
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (nType & 0xF0) {
    case MB_ICONQUESTION:
      icon = QMessageBox::Question;
      break;
    case MB_ICONEXCLAMATION:
      icon = QMessageBox::Warning;
      break;
    case MB_ICONINFORMATION:
      icon = QMessageBox::Information;
      break;
  }
  QWidget* owner = pOwner ? pOwner->m_hWnd : nullptr;
  QMessageBox box(icon, ToQString(caption), ToQString(text), QMessageBox::NoButton, owner);
  switch (nType & 0x0F) {
    case MB_YESNO:
      box.setDefaultButton(box.addButton(QMessageBox::Yes));
      box.addButton(QMessageBox::No);
      break;
    default:
      box.setDefaultButton(box.addButton(QMessageBox::Ok));
      box.setEscapeButton(box.defaultButton());
      break;
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  switch (clicked ? box.standardButton(clicked) : QMessageBox::NoButton) {
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Ok:
      return IDOK;
    default:
      return (nType & 0x0F) == MB_YESNO ? IDNO : IDCANCEL;
  }
}
