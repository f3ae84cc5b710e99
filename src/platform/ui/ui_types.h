// The window layer's plain types and constants: integers, points and
// rectangles, window messages and control notifications, window and control
// styles, message-box flags. No Qt here: the shell, the view and the
// results code include this, and they never see Qt.
#pragma once

#include <cstdint>

#include "platform/text/basic_types.h"

typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef long LONG;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::uintptr_t UINT_PTR;
typedef std::uint32_t COLORREF;

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

constexpr WPARAM MAKEWPARAM(UINT lo, UINT hi) { return (lo & 0xFFFF) | ((hi & 0xFFFFu) << 16); }
constexpr UINT LOWORD(WPARAM w) { return static_cast<UINT>(w & 0xFFFF); }
constexpr UINT HIWORD(WPARAM w) { return static_cast<UINT>((w >> 16) & 0xFFFF); }

struct CPoint {
  int x = 0, y = 0;
  CPoint() = default;
  CPoint(int x_, int y_) : x(x_), y(y_) {}
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

struct CSize {
  int cx = 0, cy = 0;
  CSize() = default;
  CSize(int cx_, int cy_) : cx(cx_), cy(cy_) {}
  bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

/// A rectangle by its edges; right and bottom lie just outside it.
struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  CRect() = default;
  CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

/// An icon of the resources, by its ID.
typedef struct HICON__* HICON;

struct CREATESTRUCT {
  int x = 0, y = 0, cx = 0, cy = 0;
};
typedef CREATESTRUCT* LPCREATESTRUCT;

// Window messages.
enum : UINT {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_DRAWITEM = 0x002B,
  WM_CONTEXTMENU = 0x007B,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
  WM_LBUTTONDBLCLK = 0x0203,
};

// Control notifications (the high word of WM_COMMAND's wParam).
enum : UINT {
  BN_CLICKED = 0,
  LBN_SELCHANGE = 1,
  LBN_DBLCLK = 2,
  EN_SETFOCUS = 0x0100,
  EN_CHANGE = 0x0300,
};

// WM_SIZE types and WM_ACTIVATE states.
enum : UINT { SIZE_RESTORED = 0 };
enum : UINT { WA_INACTIVE = 0, WA_ACTIVE = 1 };

// ShowWindow commands.
enum : int { SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// Window styles.
enum : DWORD {
  WS_OVERLAPPED = 0x00000000,
  WS_TABSTOP = 0x00010000,
  WS_MAXIMIZEBOX = 0x00010000,
  WS_GROUP = 0x00020000,
  WS_MINIMIZEBOX = 0x00020000,
  WS_THICKFRAME = 0x00040000,
  WS_SYSMENU = 0x00080000,
  WS_HSCROLL = 0x00100000,
  WS_VSCROLL = 0x00200000,
  WS_DLGFRAME = 0x00400000,
  WS_BORDER = 0x00800000,
  WS_CAPTION = 0x00C00000,
  WS_DISABLED = 0x08000000,
  WS_VISIBLE = 0x10000000,
  WS_CHILD = 0x40000000,
  WS_POPUP = 0x80000000,
  DS_MODALFRAME = 0x80,
  DS_SYSMODAL = 0x02,
  WS_EX_NOPARENTNOTIFY = 0x4,
};

// Control styles.
enum : DWORD {
  BS_DEFPUSHBUTTON = 0x1,
  LBS_NOTIFY = 0x1,
  LBS_SORT = 0x2,
  LBS_MULTIPLESEL = 0x8,
  LBS_USETABSTOPS = 0x80,
  LBS_NOINTEGRALHEIGHT = 0x100,
  ES_MULTILINE = 0x4,
  ES_AUTOVSCROLL = 0x40,
  ES_AUTOHSCROLL = 0x80,
  ES_READONLY = 0x800,
  ES_WANTRETURN = 0x1000,
  SS_LEFT = 0x0,
  SS_LEFTNOWORDWRAP = 0xC,
};

// Menu items and popup menus.
enum : UINT { MF_STRING = 0x0, MF_GRAYED = 0x1, MF_UNCHECKED = 0x0, MF_CHECKED = 0x8 };
enum : UINT { TPM_LEFTALIGN = 0x0, TPM_RIGHTBUTTON = 0x2 };

// List-box results and the drive listing.
enum : int { LB_ERR = -1 };
enum : UINT { DDL_DRIVES = 0x4000, DDL_EXCLUSIVE = 0x8000 };

// Message boxes: buttons, icons and answers.
enum : UINT {
  MB_OK = 0x0,
  MB_YESNO = 0x4,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
