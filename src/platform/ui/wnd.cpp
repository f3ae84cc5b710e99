#include "platform/ui/wnd.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>
#include <new>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/file_exception.h"
#include "platform/files/write_all.h"
#include "platform/ui/app.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/text_view.h"
#include "platform/ui/widgets.h"

QIcon AfxLoadIcon(int id);  // resources.cpp

namespace {

std::unordered_map<const QWidget*, CWnd*>& HandleMap() {
  static std::unordered_map<const QWidget*, CWnd*> map;
  return map;
}

CWnd* g_pMainWnd = nullptr;
bool g_bProgrammingError = false;
// Messages being dispatched by CallWndProc, and the windows to close once
// there are none.
int g_nDispatching = 0;
std::vector<QPointer<QWidget>> g_closeAfterDispatch;

// Closes window from the event loop, after whatever runs now.
void PostClose(QWidget* window) {
  QMetaObject::invokeMethod(window, [window] { window->close(); }, Qt::QueuedConnection);
}

// Anything else that reaches the event loop is a fault of the program, not
// of what the user gave it: it is told on stderr, no handler runs any more,
// and every event loop ends, the program with a failure status.
void EndOnProgrammingError(const char* what) {
  g_bProgrammingError = true;
  std::string name = QCoreApplication::applicationName().toStdString();
  WriteAll(2, (name.empty() ? "tolvane" : name) + ": programming error: " + what + "\n");
  QCoreApplication::exit(CWnd::kProgrammingErrorStatus);
}

// The widget the program last gave the focus to: Qt moves the focus into
// another window only once that window is active, after the handler.
QPointer<QWidget>& ProgramFocus() {
  static QPointer<QWidget> widget;
  return widget;
}

}  // namespace

// ---- CCmdTarget ----

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT nMessage, UINT nCode, UINT nID) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e)
      if (e->nMessage == nMessage && e->nCode == nCode && e->nID == nID) return e;
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode) {
  const AFX_MSGMAP_ENTRY* e = FindEntry(WM_COMMAND, nCode, nID);
  if (!e) return FALSE;
  e->pfn(this, 0, 0);
  return TRUE;
}

// ---- CWnd: messages ----

CWnd* CWnd::FromHandlePermanent(const QWidget* widget) {
  auto it = HandleMap().find(widget);
  return it == HandleMap().end() ? nullptr : it->second;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  UINT savedMsg = m_nMsg;
  WPARAM savedW = m_wParam;
  LPARAM savedL = m_lParam;
  m_nMsg = message;
  m_wParam = wParam;
  m_lParam = lParam;
  struct Restore {
    CWnd* w;
    UINT m;
    WPARAM wp;
    LPARAM lp;
    ~Restore() {
      w->m_nMsg = m;
      w->m_wParam = wp;
      w->m_lParam = lp;
    }
  } restore{this, savedMsg, savedW, savedL};
  return WindowProc(message, wParam, lParam);
}

LRESULT CWnd::CallWndProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // After a programming error nothing more runs: the loops are ending.
  if (g_bProgrammingError) return 0;
  struct Dispatching {
    Dispatching() { ++g_nDispatching; }
    ~Dispatching() {
      if (--g_nDispatching > 0) return;
      std::vector<QPointer<QWidget>> windows;
      windows.swap(g_closeAfterDispatch);
      for (const QPointer<QWidget>& w : windows)
        if (w) PostClose(w);
    }
  } dispatching;
  // Handlers do not catch: a file that cannot be opened, read or written
  // ends the handler here, and the user is told which file it was.
  try {
    return wnd->SendMessage(message, wParam, lParam);
  } catch (const CFileException& e) {
    CWinApp* app = AfxGetApp();
    AfxMessageBox(app ? app->FileErrorText(e) : e.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
  } catch (const std::bad_alloc&) {
    CWinApp* app = AfxGetApp();
    AfxMessageBox(app ? app->OutOfMemoryText() : CString("Out of memory."), MB_OK | MB_ICONEXCLAMATION);
  } catch (const std::exception& e) {
    EndOnProgrammingError(e.what());
  } catch (...) {
    EndOnProgrammingError("an exception of an unknown type");
  }
  return 0;
}

bool CWnd::ProgrammingErrorOccurred() { return g_bProgrammingError; }

void CloseWhenHandlersReturn(QWidget* window) {
  if (g_nDispatching == 0)
    PostClose(window);
  else
    g_closeAfterDispatch.emplace_back(window);
}

void CWnd::NotifyParent(QWidget* control, UINT code) {
  QWidget* parent = control->parentWidget();
  CWnd* wnd = parent ? FromHandlePermanent(parent) : nullptr;
  if (!wnd) return;
  CallWndProc(wnd, WM_COMMAND, MAKEWPARAM(static_cast<UINT>(ControlId(control)), code),
              reinterpret_cast<LPARAM>(control));
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) return OnCommand(wParam, lParam);
  const AFX_MSGMAP_ENTRY* e = FindEntry(message, 0, 0);
  if (!e) return FALSE;
  *pResult = e->pfn(this, wParam, lParam);
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) {
    DestroyWindow();
    return 0;
  }
  if (IWndHost* host = dynamic_cast<IWndHost*>(m_hWnd)) host->RunDefault();
  return 0;
}

LRESULT CWnd::Default() { return CWnd::DefWindowProc(m_nMsg, m_wParam, m_lParam); }

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnDrawItem(int, void*) { Default(); }

// ---- CWnd: the window ----

CWnd::~CWnd() {
  if (m_bOwns && m_hWnd) {
    QWidget* w = Detach();
    delete w;
  } else {
    Detach();
  }
  if (AfxGetMainWnd() == this) AfxSetMainWnd(nullptr);
}

void CWnd::Attach(QWidget* widget, bool owns) {
  m_hWnd = widget;
  m_bOwns = owns;
  HandleMap()[widget] = this;
  // Qt may delete the widget first (with its parent): forget it then.
  QObject::connect(widget, &QObject::destroyed, widget, [this, widget] {
    HandleMap().erase(widget);
    if (m_hWnd == widget) m_hWnd = nullptr;
  });
}

QWidget* CWnd::Detach() {
  QWidget* w = m_hWnd;
  if (w) {
    QObject::disconnect(w, &QObject::destroyed, w, nullptr);
    HandleMap().erase(w);
    if (IWndHost* host = dynamic_cast<IWndHost*>(w)) host->Release();
  }
  m_hWnd = nullptr;
  m_bOwns = false;
  return w;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  QWidget* w = m_hWnd;
  w->hide();
  SendMessage(WM_DESTROY);
  // The program ends with its main window.
  if (AfxGetMainWnd() == this) {
    AfxSetMainWnd(nullptr);
    QCoreApplication::quit();
  }
  if (m_hWnd != w) return TRUE;  // the handler took it away already
  bool owns = m_bOwns;
  Detach();
  // The widget may be inside one of its own event handlers (a close box).
  if (owns) w->deleteLater();
  return TRUE;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  BOOL wasDisabled = m_hWnd && !m_hWnd->isEnabled();
  if (m_hWnd) m_hWnd->setEnabled(bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_hWnd && m_hWnd->isEnabled(); }
BOOL CWnd::IsWindowVisible() const { return m_hWnd && m_hWnd->isVisible(); }

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (!m_hWnd) return FALSE;
  BOOL wasVisible = m_hWnd->isVisible();
  if (nCmdShow == SW_SHOWNORMAL && m_hWnd->isWindow()) {
    m_hWnd->showNormal();  // restored and activated
    m_hWnd->activateWindow();
  } else {
    m_hWnd->show();
  }
  return wasVisible;
}

void CWnd::SetWindowText(const CString& text) {
  if (m_hWnd) SetWidgetText(m_hWnd, ToQString(text));
}

CString CWnd::GetWindowText() const { return m_hWnd ? FromQString(WidgetText(m_hWnd)) : CString(); }

bool CWnd::IsTopLevel() const { return m_hWnd && m_hWnd->isWindow(); }

CRect CWnd::NonClientMargins() const {
  if (!IsTopLevel()) return CRect();
  bool caption = (m_dwStyle & WS_CAPTION) == WS_CAPTION;
  bool frame = caption || (m_dwStyle & (WS_THICKFRAME | WS_DLGFRAME | WS_BORDER | DS_MODALFRAME));
  int border = frame ? kBorder : 0;
  return CRect(border, border + (caption ? kCaption : 0), border, border);
}

void CWnd::GetWindowRect(CRect* rect) const {
  if (!m_hWnd) {
    *rect = CRect();
    return;
  }
  QPoint origin = m_hWnd->isWindow() ? m_hWnd->geometry().topLeft() : m_hWnd->mapToGlobal(QPoint(0, 0));
  CRect m = NonClientMargins();
  *rect = CRect(origin.x() - m.left, origin.y() - m.top, origin.x() + m_hWnd->width() + m.right,
                origin.y() + m_hWnd->height() + m.bottom);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL bRepaint) {
  if (!m_hWnd) return;
  CRect m = NonClientMargins();
  QSize size(std::max(0, width - m.left - m.right), std::max(0, height - m.top - m.bottom));
  // A window the user cannot size is still sized by the program.
  QRect place(x + m.left, y + m.top, size.width(), size.height());
  // Painting may apply a layout that moves the window where it is: asking
  // for another paint then would paint for ever.
  if (m_hWnd->geometry() == place) return;
  if (m_hWnd->minimumSize() == m_hWnd->maximumSize()) m_hWnd->setFixedSize(size);
  m_hWnd->setGeometry(place);
  if (bRepaint) m_hWnd->update();
}

void CWnd::MoveWindow(const CRect& rect, BOOL bRepaint) {
  MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), bRepaint);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  if (!m_hWnd) return;
  CRect self;
  GetWindowRect(&self);
  QRect area;
  QWidget* owner = pAlternateOwner ? pAlternateOwner->m_hWnd : m_hWnd->parentWidget();
  if (owner && owner->isVisible() && !owner->isMinimized()) {
    CWnd* ownerWnd = FromHandlePermanent(owner);
    CRect r;
    if (ownerWnd) {
      ownerWnd->GetWindowRect(&r);
    } else {
      QRect g = owner->frameGeometry();
      r = CRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    }
    area = QRect(r.left, r.top, r.Width(), r.Height());
  } else {
    QScreen* screen = m_hWnd->screen() ? m_hWnd->screen() : QGuiApplication::primaryScreen();
    area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
  }
  int x = area.left() + (area.width() - self.Width()) / 2;
  int y = area.top() + (area.height() - self.Height()) / 2;
  if (m_hWnd->isWindow()) {
    MoveWindow(x, y, self.Width(), self.Height(), FALSE);
  } else {
    QPoint p = m_hWnd->parentWidget()->mapFromGlobal(QPoint(x, y));
    m_hWnd->move(p);
  }
}

CRect CWnd::GetWorkArea() const {
  QScreen* screen = m_hWnd && m_hWnd->screen() ? m_hWnd->screen() : QGuiApplication::primaryScreen();
  QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
  return CRect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
}

CWnd* CWnd::GetParent() const {
  if (!m_hWnd) return nullptr;
  if (m_hWnd->isWindow()) return FromHandlePermanent(m_hWnd->parentWidget());
  // Widgets without a window of the program (the scroll area around a
  // form) are passed over.
  for (QWidget* w = m_hWnd->parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
    if (CWnd* wnd = FromHandlePermanent(w)) return wnd;
  return nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const {
  QWidget* child = FindControl(m_hWnd, nID);
  return child ? FromHandlePermanent(child) : nullptr;
}

void CWnd::SetIcon(HICON hIcon, BOOL) {
  if (m_hWnd) m_hWnd->setWindowIcon(AfxLoadIcon(static_cast<int>(reinterpret_cast<std::uintptr_t>(hIcon))));
}

void CWnd::ClientToScreen(CPoint* point) const {
  if (!m_hWnd) return;
  QPoint p = m_hWnd->mapToGlobal(QPoint(point->x, point->y + MenuBarHeight()));
  *point = CPoint(p.x(), p.y());
}

void CWnd::SetCaretPos(CPoint point) {
  QWidget* focus = QApplication::focusWidget();
  if (ProgramFocus() && ProgramFocus()->window()->focusWidget() == ProgramFocus()) focus = ProgramFocus();
  auto* view = dynamic_cast<TextViewWidget*>(focus);
  if (!view) return;
  // Placing the caret scrolls nothing: it is put where the text is shown.
  TextViewWidget::Pos at = view->PositionAt(QPoint(point.x, point.y));
  view->Select(at, at, false);
}

void CWnd::ShowCaret() {}

void CWnd::SetDlgItemText(int nID, const CString& text) {
  if (QWidget* child = FindControl(m_hWnd, nID)) SetWidgetText(child, ToQString(text));
}

CWnd* CWnd::SetFocus() {
  CWnd* old = FromHandlePermanent(QApplication::focusWidget());
  if (m_hWnd) {
    // As on a classic desktop, the focus brings its window to the front.
    if (!m_hWnd->window()->isActiveWindow()) m_hWnd->window()->activateWindow();
    m_hWnd->setFocus(Qt::OtherFocusReason);
    ProgramFocus() = m_hWnd;
  }
  return old;
}

void CWnd::UpdateWindow() {
  if (m_hWnd && m_hWnd->isVisible()) m_hWnd->repaint();
}

BOOL CWnd::SetForegroundWindow() {
  if (!m_hWnd) return FALSE;
  m_hWnd->window()->raise();
  m_hWnd->window()->activateWindow();
  return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
  if (!m_hWnd) return 0;
  KillTimer(nIDEvent);
  // Precise: a coarse timer may fire up to 5 % early, and a timer never
  // ends before its time is up.
  int qtId = m_hWnd->startTimer(static_cast<int>(nElapse), Qt::PreciseTimer);
  if (qtId == 0) return 0;
  m_timers[qtId] = nIDEvent;
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->second == nIDEvent) {
      if (m_hWnd) m_hWnd->killTimer(it->first);
      m_timers.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

void CWnd::OnQtTimer(int qtTimerId) {
  auto it = m_timers.find(qtTimerId);
  if (it != m_timers.end()) CallWndProc(this, WM_TIMER, it->second, 0);
}

CWnd* AfxGetMainWnd() {
  CWinApp* app = AfxGetApp();
  return app ? app->m_pMainWnd : g_pMainWnd;
}

void AfxSetMainWnd(CWnd* wnd) {
  if (CWinApp* app = AfxGetApp())
    app->m_pMainWnd = wnd;
  else
    g_pMainWnd = wnd;
}
