// The colours of dialogs and forms, set once by the application.
#pragma once

#include "platform/ui/ui_types.h"

class QWidget;

/// Dialogs and forms created from now on get this background and text.
void AfxSetDialogBkColor(COLORREF background, COLORREF text);
/// Gives a dialog or form window the dialog colours (none set: Qt's own).
void AfxApplyDialogColors(QWidget* window);
