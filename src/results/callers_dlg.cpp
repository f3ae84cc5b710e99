#include "results/callers_dlg.h"

#include <string>
#include <utility>

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CCallersDlg, CDialog)
  ON_LBN_DBLCLK(IDC_CALLERS_LIST, OnDblclkCallers)
  ON_WM_SIZE()
END_MESSAGE_MAP()

CCallersDlg::CCallersDlg() : CDialog(IDD_CALLERS) {}

void CCallersDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CALLERS_COUNT, m_staticCount);
  DDX_Control(pDX, IDC_CALLERS_LIST, m_listCallers);
}

BOOL CCallersDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CRect list;
  m_listCallers.GetWindowRect(&list);
  CPoint origin(0, 0);
  ClientToScreen(&origin);
  m_listOrigin = CPoint(list.left - origin.x, list.top - origin.y);
  return TRUE;
}

void CCallersDlg::ShowCallers(const CString& entry, std::vector<int> callers, std::vector<CString> texts) {
  SetWindowText("呼出し元 - " + entry);
  m_staticCount.SetWindowText(CString(std::to_string(callers.size())) + "関数");
  m_listCallers.ResetContent();
  m_listCallers.AddStrings(std::move(texts));
  m_callers = std::move(callers);
}

void CCallersDlg::OnDblclkCallers() {
  int i = m_listCallers.GetCurSel();
  if (i == LB_ERR || i >= static_cast<int>(m_callers.size()) || !m_onChoose) return;
  m_onChoose(m_callers[static_cast<std::size_t>(i)]);
}

// The list fills the window below the count, with the margin it has at the
// left on every side.
void CCallersDlg::OnSize(UINT nType, int cx, int cy) {
  CDialog::OnSize(nType, cx, cy);
  if (!m_listCallers.m_hWnd) return;
  int margin = m_listOrigin.x;
  m_listCallers.MoveWindow(margin, m_listOrigin.y, std::max(0, cx - 2 * margin),
                           std::max(0, cy - m_listOrigin.y - margin));
}
