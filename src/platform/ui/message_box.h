// Message boxes: modal, with the buttons and the icon the flags ask for.
#pragma once

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

class CWnd;

/// Shows text over the main window, captioned with the application's name
/// (string 57344). Returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
int AfxMessageBox(const CString& text, UINT nType = MB_OK);

/// Shows text captioned caption over pOwner (none: a box of its own).
int AfxMessageBoxEx(CWnd* pOwner, const CString& text, const CString& caption, UINT nType);

/// The text of the caption of message boxes that name none: "Tolvane".
CString AfxGetAppTitle();
