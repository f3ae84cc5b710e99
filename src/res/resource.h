// Resource IDs: dialog templates, controls, menus, strings, icons, bitmaps.
// The standard commands and strings come from the framework.
#pragma once

#include "platform/ui/standard_ids.h"

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TOLVANE_FORM 101
#define IDD_SPLASH 102
#define IDD_SOURCE 108
#define IDD_CALLERS 109
#define IDD_FIND 110

// The document template's resources: menu, accelerators, icon, string.
#define IDR_MAINFRAME 2

#define IDB_SPLASH 103

// Controls of the main form.
#define IDC_ADD 1001
#define IDC_ANALYZE 1002
#define IDC_FILE_OUTPUT 1003
#define IDC_FOUND_FILES 1005
#define IDC_CHOSEN_FILES 1006
#define IDC_EXTENSION_LIST 1007
#define IDC_FUNCTIONS 1008
#define IDC_CALLEES 1009
#define IDC_EXTENSION 1010
#define IDC_STATUS 1011
#define IDC_FUNC_COUNT 1020
#define IDC_CALLEE_COUNT 1021
#define IDC_SHOW_SOURCE 1022
// The labels above the lists and the extension box.
#define IDC_FOUND_LABEL 1030
#define IDC_CHOSEN_LABEL 1031
#define IDC_EXTENSION_LABEL 1032
#define IDC_FUNCTIONS_LABEL 1033
#define IDC_CALLEES_LABEL 1034

// Controls of the listing window.
#define IDC_LINES 1005
#define IDC_SOURCE 1010

// Controls of the callers window.
#define IDC_CALLERS_COUNT 1040
#define IDC_CALLERS_LIST 1041

// Controls of the find box.
#define IDC_FIND_TEXT 1050
#define IDC_FIND_NEXT 1051
#define IDC_FIND_MESSAGE 1052

// Controls of the About box.
#define IDC_ABOUT_VERSION 1101
#define IDC_ABOUT_BUILD 1102
#define IDC_ABOUT_NOTICE 1103
#define IDC_ABOUT_CONTACT 1104

// Commands of the program's own.
#define ID_FILE_ADD_FOLDER 32771
#define ID_VIEW_CALLERS 32772
#define ID_FILE_SYNTAX_RULES 32773
