// CWnd: a window of the program or a control on one, over a Qt widget.
//
// Messages reach a window through its message map (message_map.h): the
// events of its widget (painting, sizing, moving, timers, double-clicks,
// activation, closing) and the notifications of its controls, which come
// from the user's actions only, never from the program's own changes to a
// control. Every message that starts at the user is dispatched under a
// guard that catches a CFileException or running out of memory and shows
// an error message box (its text is the application's); whatever the
// handler had changed stays. Any other exception ends the program.
//
// Rectangles are in pixels. The window rectangle of a top-level window is
// its outer rectangle as a classic desktop draws it: the client area and a
// menu bar, if any, within a 4-pixel border and a 19-pixel caption, whatever
// frame the window manager actually draws.
#pragma once

#include <map>

#include "platform/text/cstring.h"
#include "platform/ui/message_map.h"

class QWidget;
class QEvent;

class CWnd : public CCmdTarget {
 public:
  /// The frame a classic desktop draws around a top-level window.
  static constexpr int kBorder = 4;
  static constexpr int kCaption = 19;

  CWnd() = default;
  /// Destroys the window if this object owns it.
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  /// The window, or null before it is created or attached.
  QWidget* m_hWnd = nullptr;

  /// The window object of a widget, or null.
  static CWnd* FromHandlePermanent(const QWidget* widget);

  // ---- Messages ----

  /// Dispatches a message to this window's map at once (the default
  /// handling when nothing binds it). Exceptions pass to the caller.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  /// A control's notification to its parent: WM_COMMAND with (code, id).
  static void NotifyParent(QWidget* control, UINT code);
  /// Dispatches a message that started at the user or the system, under the
  /// guard that reports file errors and running out of memory. Any other
  /// exception is a programming error: its text goes to stderr, no message
  /// is dispatched any more, and the event loops end with
  /// kProgrammingErrorStatus.
  static LRESULT CallWndProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
  static constexpr int kProgrammingErrorStatus = 70;  // EX_SOFTWARE
  static bool ProgrammingErrorOccurred();

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  /// WM_COMMAND: routes (id, code) to OnCmdMsg.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  /// What happens to a message that no handler takes.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  /// The default handling of the message being dispatched.
  LRESULT Default();

  // Handlers with their default handling, for the maps of derived classes.
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnPaint();
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnMove(int x, int y);
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnDrawItem(int nIDCtl, void* lpDrawItemStruct);

  // ---- The window ----

  /// Hides and deletes the widget (WM_DESTROY first).
  virtual BOOL DestroyWindow();
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  BOOL ShowWindow(int nCmdShow);
  void SetWindowText(const CString& text);
  CString GetWindowText() const;
  void GetWindowText(CString& text) const { text = GetWindowText(); }
  /// In screen coordinates (see the header's note for top-level windows).
  void GetWindowRect(CRect* rect) const;
  /// Moves and sizes the window: in the parent's client coordinates for a
  /// child, by its outer rectangle on the screen for a top-level window.
  /// With bRepaint the window is painted again, unless it stays as it was:
  /// a move to where it stands neither moves nor repaints it.
  void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE);
  void MoveWindow(const CRect& rect, BOOL bRepaint = TRUE);
  /// Centres a top-level window over pAlternateOwner or its owner when that
  /// is visible and not minimised, else in the work area of the screen.
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  CWnd* GetParent() const;
  /// The work area (the screen less its panels) of the screen the window
  /// is on, in screen coordinates.
  CRect GetWorkArea() const;
  /// Sets the window's icon, big (bBigIcon) or small: both are the same
  /// picture in every size here.
  void SetIcon(HICON hIcon, BOOL bBigIcon);
  /// The window object of child control nID, or null when the control has
  /// none (a label the program never reaches) or does not exist.
  CWnd* GetDlgItem(int nID) const;
  /// point in the client area, in screen coordinates.
  void ClientToScreen(CPoint* point) const;
  /// Puts the caret of the window that has the keyboard focus at point of
  /// its client area (for an edit: the start of the character there).
  static void SetCaretPos(CPoint point);
  void ShowCaret();
  /// Sets the text of child control nID.
  void SetDlgItemText(int nID, const CString& text);
  CWnd* SetFocus();
  /// Paints what is pending at once, even while a handler keeps the event
  /// loop waiting.
  void UpdateWindow();
  BOOL SetForegroundWindow();
  /// The window style (WS_*): for a top-level window it decides the frame
  /// around it, and so its window rectangle.
  void SetStyle(DWORD style) { m_dwStyle = style; }

  // ---- Timers ----

  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  // ---- For the layer ----

  /// Makes this object the window of widget; with owns, DestroyWindow and
  /// the destructor delete the widget.
  void Attach(QWidget* widget, bool owns);
  QWidget* Detach();
  /// Called by the widget's event bridge with the Qt timer ID.
  void OnQtTimer(int qtTimerId);

 protected:
  /// Extra pixels of the outer rectangle around the widget's geometry:
  /// left, top, right and bottom: a border for a frame of any kind, and a
  /// caption. 0 for child windows.
  CRect NonClientMargins() const;
  bool IsTopLevel() const;
  /// Hook for the top-level widget's non-client part: the menu bar height.
  virtual int MenuBarHeight() const { return 0; }

 private:
  bool m_bOwns = false;
  DWORD m_dwStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  std::map<int, UINT_PTR> m_timers;  // Qt timer ID -> our ID
  UINT m_nMsg = 0;                   // the message being dispatched
  WPARAM m_wParam = 0;
  LPARAM m_lParam = 0;
};

/// The running application's main window, or null.
CWnd* AfxGetMainWnd();
void AfxSetMainWnd(CWnd* wnd);
