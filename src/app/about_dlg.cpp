#include "app/about_dlg.h"

#include "res/resources.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_ABOUT_VERSION, CString("バージョン ") + AfxGetVersionString("FileVersion"));
  SetDlgItemText(IDC_ABOUT_BUILD, CString("(") + AfxGetResources()->version.fileVersion + ")");
  return TRUE;
}
