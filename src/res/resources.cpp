#include "res/resources.h"

#include "res/images.h"

namespace {

// Button and menu captions keep the mnemonic notation of the Japanese
// templates: the word, "(", U+001E, the key letter, U+001F, a half-width
// katakana letter and ")". They show as 追加(&A).
#define MNEMONIC(word, key, kana) word "(\x1E" key "\x1F" kana ")"

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kListBox = kChild | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER;

// The main form. Controls stand in tab order.
const DialogTemplate kForm = {
    IDD_TOLVANE_FORM, WS_CHILD | WS_BORDER, 0, 0, 0, 299, 346, "", "ＭＳ 明朝", 10,
    {
        {IDC_ADD, ControlKind::PushButton, 33, 88, 50, 14,
         kChild | WS_TABSTOP | WS_DISABLED | BS_DEFPUSHBUTTON, MNEMONIC("追加", "A", "ﾌ"), ""},
        {IDC_ANALYZE, ControlKind::PushButton, 97, 88, 50, 14, kChild | WS_TABSTOP | WS_DISABLED,
         MNEMONIC("解析", "K", "ﾌ"), ""},
        {IDC_FOUND_FILES, ControlKind::ListBox, 14, 14, 275, 59,
         kListBox | LBS_MULTIPLESEL | LBS_USETABSTOPS | WS_HSCROLL, "", "見つかったｿｰｽﾌｧｲﾙ"},
        {IDC_FILE_OUTPUT, ControlKind::PushButton, 161, 88, 71, 14,
         kChild | WS_TABSTOP | WS_DISABLED, MNEMONIC("ファイル出力", "O", "ﾌ"), ""},
        {IDC_CHOSEN_FILES, ControlKind::ListBox, 11, 127, 279, 59, kListBox, "", "出力するｿｰｽﾌｧｲﾙ"},
        {IDC_EXTENSION_LIST, ControlKind::ListBox, 248, 98, 29, 24, kListBox | LBS_SORT, "",
         "拡張子の一覧"},
        {IDC_EXTENSION, ControlKind::Edit, 249, 85, 20, 13,
         kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, "", "拡張子"},
        {IDC_FOUND_LABEL, ControlKind::Static, 14, 6, 74, 8, kChild | WS_GROUP, "見つかったｿｰｽﾌｧｲﾙ", ""},
        {IDC_CHOSEN_LABEL, ControlKind::Static, 14, 116, 74, 8, kChild | WS_GROUP, "出力するｿｰｽﾌｧｲﾙ", ""},
        {IDC_STATUS, ControlKind::Edit, 18, 328, 234, 13, kChild | WS_TABSTOP | ES_AUTOHSCROLL, "",
         "状態"},
        {IDC_EXTENSION_LABEL, ControlKind::Static, 249, 76, 30, 8, kChild | WS_GROUP | SS_LEFTNOWORDWRAP, "拡張子", ""},
        {IDC_FUNCTIONS, ControlKind::ListBox, 11, 205, 280, 51, kListBox | WS_HSCROLL, "", "見つかった関数"},
        {IDC_FUNCTIONS_LABEL, ControlKind::Static, 12, 192, 56, 8, kChild | WS_GROUP, "見つかった関数", ""},
        {IDC_CALLEES, ControlKind::ListBox, 12, 272, 278, 52, kListBox | WS_HSCROLL, "", "呼出してる関数"},
        {IDC_CALLEES_LABEL, ControlKind::Static, 14, 259, 58, 8, kChild | WS_GROUP, "呼出してる関数", ""},
        {IDC_FUNC_COUNT, ControlKind::Edit, 75, 192, 55, 12,
         kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, "", "見つかった関数の数"},
        {IDC_CALLEE_COUNT, ControlKind::Edit, 76, 259, 54, 12,
         kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, "", "呼出してる関数の数"},
        {IDC_SHOW_SOURCE, ControlKind::PushButton, 135, 189, 78, 15, kChild | WS_TABSTOP,
         "ソースコード表示(&C)", ""},
    }};

// The About box. The four texts below the title are ours.
const DialogTemplate kAbout = {
    IDD_ABOUTBOX, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 34, 22, 222, 56,
    "バージョン情報(Tolvane3)", "System", 10,
    {
        {-1, ControlKind::Icon, 7, 8, 20, 20, kChild, "2", "Tolvane"},
        {-1, ControlKind::Static, 31, 10, 148, 8, kChild | SS_LEFT | WS_GROUP, "Tolvane For Windows95", ""},
        {IDOK, ControlKind::PushButton, 177, 31, 32, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
         "OK", ""},
        {IDC_ABOUT_VERSION, ControlKind::Static, 31, 23, 94, 8, kChild | SS_LEFT, "バージョン", ""},
        {IDC_ABOUT_BUILD, ControlKind::Static, 127, 23, 48, 8, kChild | SS_LEFT, "", ""},
        {IDC_ABOUT_NOTICE, ControlKind::Static, 31, 36, 80, 8, kChild | SS_LEFT,
         "関数相互参照ツール", ""},
        {IDC_ABOUT_CONTACT, ControlKind::Static, 113, 36, 62, 8, kChild | SS_LEFT, "Qt 6 版", ""},
    }};

// The splash: a picture, no caption, no border, no input, above the rest.
const DialogTemplate kSplash = {
    IDD_SPLASH, WS_POPUP | WS_VISIBLE | WS_DISABLED | DS_SYSMODAL, 0, 0, 0, 238, 118, "", "System", 10, {}};

// The listing window. Its controls are placed by the window at every paint,
// size and move; the caption is always replaced.
const DialogTemplate kSource = {
    IDD_SOURCE,
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
    WS_EX_NOPARENTNOTIFY, 0, 0, 303, 261, "aaa", "ＭＳ Ｐゴシック", 9,
    {
        {IDC_SOURCE, ControlKind::TextView, 23, 54, 226, 111,
         kChild | WS_TABSTOP | ES_WANTRETURN | WS_BORDER | WS_HSCROLL | WS_VSCROLL, "", "ソース"},
        {IDC_LINES, ControlKind::ListBox, 21, 193, 274, 49, kListBox | LBS_USETABSTOPS, "", "該当行"},
    }};

// The callers window of a found function: their count, and their entries.
const DialogTemplate kCallers = {
    IDD_CALLERS, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0,
    16, 16, 260, 160, "呼出し元", "ＭＳ Ｐゴシック", 9,
    {
        {IDC_CALLERS_COUNT, ControlKind::Static, 6, 5, 120, 9, kChild, "", ""},
        {IDC_CALLERS_LIST, ControlKind::ListBox, 6, 16, 248, 138, kListBox | WS_HSCROLL, "", "呼出し元"},
    }};

// The find box: a name, the button, and what it did not find.
const DialogTemplate kFind = {
    IDD_FIND, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 40, 40, 196, 44, "関数の検索", "ＭＳ Ｐゴシック", 9,
    {
        {IDC_FIND_TEXT, ControlKind::Edit, 6, 7, 124, 13, kChild | WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER, "",
         "検索する関数名"},
        {IDC_FIND_NEXT, ControlKind::PushButton, 136, 6, 54, 15, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON,
         "次を検索(&F)", ""},
        {IDC_FIND_MESSAGE, ControlKind::Static, 6, 28, 184, 10, kChild, "", ""},
    }};

ResourceTable MakeTable() {
  ResourceTable t;
  t.dialogs = {&kForm, &kAbout, &kSplash, &kSource, &kCallers, &kFind};
  t.icons = TolvaneIcons();
  t.bitmaps = TolvaneBitmaps();
  t.version = TolvaneVersion();
  t.strings = {
      {IDR_MAINFRAME, "Tolvane For Windows95\nソース選択"},
      {AFX_IDS_APP_TITLE, "Tolvane"},
  };
  t.menus = {{IDR_MAINFRAME,
              {
                  {MNEMONIC("ﾌｧｲﾙ", "F", "ﾌ"), 0,
                   {{MNEMONIC("ﾌｫﾙﾀﾞを追加", "D", "ﾌ") "...", ID_FILE_ADD_FOLDER, {}},
                    {MNEMONIC("C/C++ の構文で解析", "S", "ｺ"), ID_FILE_SYNTAX_RULES, {}},
                    {MNEMONIC("終了", "X", "ﾘ"), ID_APP_EXIT, {}}}},
                  {MNEMONIC("ﾍﾙﾌﾟ", "H", "ﾍ"), 0,
                   {{MNEMONIC("バージョン情報Tolvane3", "A", "ﾊ") "...", ID_APP_ABOUT, {}}}},
              }}};
  constexpr UINT kCtrl = FVIRTKEY | FCONTROL, kShift = FVIRTKEY | FSHIFT, kAlt = FVIRTKEY | FALT;
  t.accelerators = {{IDR_MAINFRAME,
                     {
                         {kCtrl, 'N', ID_FILE_NEW},
                         {kCtrl, 'O', ID_FILE_OPEN},
                         {kCtrl, 'S', ID_FILE_SAVE},
                         {kCtrl, 'Z', ID_EDIT_UNDO},
                         {kAlt, VK_BACK, ID_EDIT_UNDO},
                         {kCtrl, 'X', ID_EDIT_CUT},
                         {kShift, VK_DELETE, ID_EDIT_CUT},
                         {kCtrl, 'C', ID_EDIT_COPY},
                         {kCtrl, VK_INSERT, ID_EDIT_COPY},
                         {kCtrl, 'V', ID_EDIT_PASTE},
                         {kShift, VK_INSERT, ID_EDIT_PASTE},
                         {FVIRTKEY, VK_F6, ID_NEXT_PANE},
                         {kShift, VK_F6, ID_PREV_PANE},
                         {kCtrl, 'R', ID_VIEW_CALLERS},
                         {kCtrl, 'F', ID_EDIT_FIND},
                     }}};
  return t;
}

}  // namespace

const ResourceTable& TolvaneResources() {
  static const ResourceTable table = MakeTable();
  return table;
}
