// Message maps: ordered tables that bind window messages, control
// notifications (by control ID) and commands to member handlers.
//
//   // in the class:               // in the .cpp:
//   DECLARE_MESSAGE_MAP()          BEGIN_MESSAGE_MAP(CMyView, CFormView)
//                                    ON_BN_CLICKED(1001, OnAdd)
//                                    ON_WM_PAINT()
//                                  END_MESSAGE_MAP()
//
// A message goes to the first entry that binds it, searching the class's
// own table in order and then its base classes' tables. The entry macros
// check each handler's signature at compile time.
#pragma once

#include "platform/text/object.h"
#include "platform/ui/ui_types.h"

class CCmdTarget;
class CWnd;

/// Calls one handler with the message's parameters unpacked.
typedef LRESULT (*AFX_THUNK)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND for commands and notifications
  UINT nCode;     // the notification code; 0 for menu and accelerator commands
  UINT nID;       // the control or command ID; 0 for window messages
  AFX_THUNK pfn;  // null ends a table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx {

template <class M>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  typedef C Class;
};

template <auto F>
typename MemberOf<decltype(F)>::Class* Target(CCmdTarget* t) {
  return static_cast<typename MemberOf<decltype(F)>::Class*>(t);
}

inline int Lo(LPARAM l) { return static_cast<short>(l & 0xFFFF); }
inline int Hi(LPARAM l) { return static_cast<short>((l >> 16) & 0xFFFF); }

// One thunk per handler signature; each checks the handler's type.
template <auto F>
LRESULT Void(CCmdTarget* t, WPARAM, LPARAM) {
  (Target<F>(t)->*F)();
  return 0;
}
template <auto F>
LRESULT Create(CCmdTarget* t, WPARAM, LPARAM l) {
  return (Target<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCT>(l));
}
template <auto F>
LRESULT Timer(CCmdTarget* t, WPARAM w, LPARAM) {
  (Target<F>(t)->*F)(static_cast<UINT_PTR>(w));
  return 0;
}
template <auto F>
LRESULT Size(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<F>(t)->*F)(static_cast<UINT>(w), Lo(l), Hi(l));
  return 0;
}
template <auto F>
LRESULT Move(CCmdTarget* t, WPARAM, LPARAM l) {
  (Target<F>(t)->*F)(Lo(l), Hi(l));
  return 0;
}
template <auto F>
LRESULT Activate(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<F>(t)->*F)(static_cast<UINT>(w & 0xFFFF), reinterpret_cast<CWnd*>(l),
                     static_cast<BOOL>((w >> 16) & 0xFFFF));
  return 0;
}
template <auto F>
LRESULT Point(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<F>(t)->*F)(static_cast<UINT>(w), CPoint(Lo(l), Hi(l)));
  return 0;
}
template <auto F>
LRESULT ContextMenu(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<F>(t)->*F)(reinterpret_cast<CWnd*>(w), CPoint(Lo(l), Hi(l)));
  return 0;
}
template <auto F>
LRESULT DrawItem(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<F>(t)->*F)(static_cast<int>(w), reinterpret_cast<void*>(l));
  return 0;
}

}  // namespace afx

/// Anything that has a message map: windows, the document, the application.
class CCmdTarget : public CObject {
 public:

  /// Runs the handler of command nID (a menu item, an accelerator, or a
  /// control's notification nCode) if this target's map has one. Returns
  /// whether one ran.
  virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

  /// The first entry of this object's map chain that binds the message.
  const AFX_MSGMAP_ENTRY* FindEntry(UINT nMessage, UINT nCode, UINT nID) const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const { return GetThisMessageMap(); }
};

#define DECLARE_MESSAGE_MAP()                          \
 protected:                                            \
  static const AFX_MSGMAP* GetThisMessageMap();        \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                 \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                            \
    using ThisClass [[maybe_unused]] = theClass;                               \
    using TheBaseClass = baseClass;                                            \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                  \
  {0, 0, 0, nullptr}                                                       \
  };                                                                       \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,  \
                                        &_messageEntries[0]};              \
  return &messageMap;                                                      \
  }

// Commands and control notifications: void handlers.
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, (UINT)(id), &afx::Void<&ThisClass::memberFxn>},
#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), &afx::Void<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)

// Window messages, each bound to the handler of the framework's name.
#define ON_WM_CREATE() {WM_CREATE, 0, 0, &afx::Create<&ThisClass::OnCreate>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, &afx::Void<&ThisClass::OnDestroy>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &afx::Void<&ThisClass::OnPaint>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &afx::Timer<&ThisClass::OnTimer>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, &afx::Size<&ThisClass::OnSize>},
#define ON_WM_MOVE() {WM_MOVE, 0, 0, &afx::Move<&ThisClass::OnMove>},
#define ON_WM_ACTIVATE() {WM_ACTIVATE, 0, 0, &afx::Activate<&ThisClass::OnActivate>},
#define ON_WM_LBUTTONDBLCLK() {WM_LBUTTONDBLCLK, 0, 0, &afx::Point<&ThisClass::OnLButtonDblClk>},
// wParam: the window clicked (a CWnd*); lParam: the point on the screen.
#define ON_WM_CONTEXTMENU() {WM_CONTEXTMENU, 0, 0, &afx::ContextMenu<&ThisClass::OnContextMenu>},
#define ON_WM_DRAWITEM() {WM_DRAWITEM, 0, 0, &afx::DrawItem<&ThisClass::OnDrawItem>},
