// Message boxes: modal, with the buttons and the icon the flags ask for.
#pragma once

#include "platform/text/cstring.h"
#include "platform/ui/ui_types.h"

/// Shows text over the main window (if there is one), captioned with the
/// application's name (string AFX_IDS_APP_TITLE, "Tolvane" when there is
/// none). Returns the button pressed (IDOK, IDYES, IDNO; IDCANCEL when the
/// box was closed otherwise).
int AfxMessageBox(const CString& text, UINT nType = MB_OK);
