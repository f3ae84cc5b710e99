#include "res/resources.h"

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
        {-1, ControlKind::Static, 14, 6, 74, 8, kChild | WS_GROUP, "見つかったｿｰｽﾌｧｲﾙ", ""},
        {-1, ControlKind::Static, 14, 116, 74, 8, kChild | WS_GROUP, "出力するｿｰｽﾌｧｲﾙ", ""},
        {IDC_STATUS, ControlKind::Edit, 18, 328, 234, 13, kChild | WS_TABSTOP | ES_AUTOHSCROLL, "",
         "状態"},
        {-1, ControlKind::Static, 249, 76, 30, 8, kChild | WS_GROUP | SS_LEFTNOWORDWRAP, "拡張子", ""},
        {IDC_FUNCTIONS, ControlKind::ListBox, 11, 205, 280, 51, kListBox, "", "見つかった関数"},
        {-1, ControlKind::Static, 12, 192, 56, 8, kChild | WS_GROUP, "見つかった関数", ""},
        {IDC_CALLEES, ControlKind::ListBox, 12, 272, 278, 52, kListBox, "", "呼出してる関数"},
        {-1, ControlKind::Static, 14, 259, 58, 8, kChild | WS_GROUP, "呼出してる関数", ""},
        {IDC_FUNC_COUNT, ControlKind::Edit, 75, 192, 55, 12,
         kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, "", "見つかった関数の数"},
        {IDC_CALLEE_COUNT, ControlKind::Edit, 76, 259, 54, 12,
         kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, "", "呼出してる関数の数"},
        {IDC_SHOW_SOURCE, ControlKind::PushButton, 135, 189, 78, 15, kChild | WS_TABSTOP,
         "ソースコード表示(&C)", ""},
    }};

ResourceTable MakeTable() {
  ResourceTable t;
  t.dialogs = {&kForm};
  t.strings = {
      {IDR_MAINFRAME, "Tolvane For Windows95\nソース選択"},
      {AFX_IDS_APP_TITLE, "Tolvane"},
  };
  return t;
}

}  // namespace

const ResourceTable& TolvaneResources() {
  static const ResourceTable table = MakeTable();
  return table;
}
