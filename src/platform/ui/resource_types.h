// The program's resources as data: dialog templates, strings, menus,
// accelerator tables, icons, bitmaps and the version block. The resource
// folder defines them and hands the table to the layer at start-up
// (AfxSetResources); the layer builds windows from them by ID.
// No Qt here.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/ui/ui_types.h"

/// TextView: a read-only view of a file's text (CTextView); its style takes
/// WS_BORDER, WS_HSCROLL, WS_VSCROLL, WS_TABSTOP and ES_WANTRETURN.
enum class ControlKind { PushButton, ListBox, Edit, Static, Icon, TextView };

/// One control of a dialog template. Positions and sizes are in dialog units.
struct DialogControl {
  int id;  // -1 for static controls that are never addressed
  ControlKind kind;
  int x, y, cx, cy;
  DWORD style;       // WS_*, BS_*, LBS_*, ES_*, SS_*
  const char* text;  // label, or for an icon its resource ID as text
  /// The name a screen reader reads for a control without a readable text
  /// of its own ("" for buttons and static texts, which are read by their
  /// text).
  const char* accessibleName;
};

/// A dialog template. The controls stand in tab order.
struct DialogTemplate {
  int id;
  DWORD style;
  DWORD exStyle;
  int x, y, cx, cy;  // dialog units
  const char* caption;
  const char* fontFace;
  int fontPoints;
  std::vector<DialogControl> controls;
};

struct StringResource {
  UINT id;
  const char* text;
};

/// A menu item, or a drop-down menu when it has items of its own. Captions
/// may use the mnemonic notation of the templates.
struct MenuItemResource {
  const char* caption;
  UINT command;  // 0 for a drop-down
  std::vector<MenuItemResource> items;
};

struct MenuResource {
  int id;
  std::vector<MenuItemResource> menus;
};

enum : UINT { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };
enum : UINT {
  VK_BACK = 0x08,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F1 = 0x70,
  VK_F6 = 0x75,
  VK_F12 = 0x7B,
};

struct AcceleratorResource {
  UINT flags;  // FVIRTKEY with FSHIFT, FCONTROL, FALT
  UINT key;    // a virtual key: 'A'-'Z', VK_*
  UINT command;
};

struct AcceleratorTable {
  int id;
  std::vector<AcceleratorResource> keys;
};

/// An image file's bytes (PNG, SVG or BMP) embedded in the program.
struct ImageResource {
  int id;
  const unsigned char* data;
  std::size_t size;
};

struct VersionResource {
  const char* fileVersion;     // "1.0.0.1"
  const char* productVersion;  // "1.0.0.1"
  std::vector<std::pair<const char*, const char*>> strings;  // key, value
};

struct ResourceTable {
  std::vector<const DialogTemplate*> dialogs;
  std::vector<StringResource> strings;
  std::vector<MenuResource> menus;
  std::vector<AcceleratorTable> accelerators;
  std::vector<ImageResource> icons;    // one entry per size of each icon
  std::vector<ImageResource> bitmaps;
  VersionResource version;
};

/// Makes table the program's resources (it must outlive every use).
void AfxSetResources(const ResourceTable* table);
const ResourceTable* AfxGetResources();
const DialogTemplate* AfxFindDialogTemplate(int id);
/// The string resource id, "" when there is none.
const char* AfxLoadString(UINT id);
/// A string of the version block ("FileVersion", ...), "" when there is none.
const char* AfxGetVersionString(const char* key);
