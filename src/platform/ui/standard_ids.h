// The framework's standard command and string IDs: the commands that menus
// and accelerators send and the layer or the program handles, and the
// string that names the application.
#pragma once

#include "platform/ui/ui_types.h"

// The application's name: the caption of message boxes that name none.
enum : UINT { AFX_IDS_APP_TITLE = 57344 };

// Commands.
enum : UINT {
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_EDIT_COPY = 57634,
  ID_EDIT_CUT = 57635,
  ID_EDIT_FIND = 57636,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_UNDO = 57643,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_NEXT_PANE = 57680,
  ID_PREV_PANE = 57681,
};
