#include "platform/ui/input_blocker.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>

#include "platform/ui/widgets.h"
#include "platform/ui/wnd.h"

namespace {

// The widget an event to o is for: o, or the widget that holds it (an
// accelerator's window, a menu item's menu).
QWidget* WidgetOf(QObject* o) {
  for (; o; o = o->parent())
    if (o->isWidgetType()) return static_cast<QWidget*>(o);
  return nullptr;
}

}  // namespace

InputBlocker::InputBlocker(QWidget* allowed, Closes closes) : m_allowed(allowed), m_closes(closes) {
  qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
  qApp->removeEventFilter(this);
  for (const QPointer<QWidget>& w : m_held)
    if (w) CloseWhenHandlersReturn(w);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::Close:
      break;
    default:
      return false;
  }
  QWidget* w = WidgetOf(watched);
  if (!w || w->window() == m_allowed) return false;
  if (e->type() == QEvent::Close) {
    // Qt's own windows (a tooltip, a popup) close as they will.
    if (!CWnd::FromHandlePermanent(w)) return false;
    e->ignore();
    if (m_closes == Closes::kHeld && std::find(m_held.begin(), m_held.end(), w) == m_held.end())
      m_held.emplace_back(w);
  }
  return true;
}
