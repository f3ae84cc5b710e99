// CCallersDlg: the callers window of one found function. It lists, in table
// order, the entries whose calls hold the function's name, with their count
// above the list; a double-click on one hands its table index to the form.
#pragma once

#include <functional>
#include <vector>

#include "platform/text/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

class CCallersDlg : public CDialog {
 public:
  CCallersDlg();

  CStatic m_staticCount;
  CListBox m_listCallers;

  /// Called with the table index of the caller the user double-clicked.
  std::function<void(int)> m_onChoose;

  BOOL OnInitDialog() override;

  /// Fills the window for the function of entry: caption
  /// "呼出し元 - <entry>", the count as "N関数", and each caller's entry
  /// text (texts[k] for the table index callers[k]).
  void ShowCallers(const CString& entry, std::vector<int> callers, std::vector<CString> texts);

  void OnDblclkCallers();
  void OnSize(UINT nType, int cx, int cy);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  std::vector<int> m_callers;  // table indices, as listed
  CPoint m_listOrigin;         // where the list starts in the client area

  DECLARE_MESSAGE_MAP()
};
