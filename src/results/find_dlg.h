// CFindDlg: the box that finds a found function by name. Its button (or
// Enter) hands the text to the form, which selects the next entry whose
// name holds it; when none does, the box says so.
#pragma once

#include <functional>

#include "platform/text/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

class CFindDlg : public CDialog {
 public:
  CFindDlg();

  CEdit m_editText;
  CButton m_btnFindNext;
  CStatic m_staticMessage;

  /// Looks for the text typed; returns whether an entry was found.
  std::function<bool(const CString&)> m_findNext;

  /// Shows the box, active, with its text selected for typing over.
  void ShowForTyping();

  void OnFindNext();
  // Enter is the button's: the box stays.
  void OnOK() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  DECLARE_MESSAGE_MAP()
};
