#include "results/find_dlg.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CFindDlg, CDialog)
  ON_BN_CLICKED(IDC_FIND_NEXT, OnFindNext)
END_MESSAGE_MAP()

CFindDlg::CFindDlg() : CDialog(IDD_FIND) {}

void CFindDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FIND_TEXT, m_editText);
  DDX_Control(pDX, IDC_FIND_NEXT, m_btnFindNext);
  DDX_Control(pDX, IDC_FIND_MESSAGE, m_staticMessage);
}

void CFindDlg::ShowForTyping() {
  ShowWindow(SW_SHOWNORMAL);
  m_editText.SetFocus();
  m_editText.SetSel(0, -1);
}

void CFindDlg::OnFindNext() {
  CString text = m_editText.GetWindowText();
  if (text.IsEmpty() || !m_findNext) return;
  m_staticMessage.SetWindowText(m_findNext(text) ? CString() : text + " は見つかりません。");
}

void CFindDlg::OnOK() { OnFindNext(); }
