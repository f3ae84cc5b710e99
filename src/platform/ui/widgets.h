// The Qt widgets behind the layer's windows and controls, and the bridge
// that turns their events and signals into messages. Internal to the layer
// (and to the GUI tests, which drive these widgets with real clicks and
// keys).
#pragma once

#include <QAbstractListModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/wnd.h"

/// What the layer needs of a widget that hosts a CWnd of the program.
class IWndHost {
 public:
  virtual ~IWndHost() = default;
  /// Runs Qt's own handling of the event being dispatched, if any.
  virtual void RunDefault() = 0;
  /// The CWnd is going away: stop dispatching to it.
  virtual void Release() = 0;
};

/// Forwards the events of a Qt widget as window messages to its CWnd.
template <class Base>
class WndHost : public Base, public IWndHost {
 public:
  template <class... Args>
  explicit WndHost(CWnd* wnd, Args&&... args) : Base(std::forward<Args>(args)...), m_wnd(wnd) {}

  void RunDefault() override {
    if (m_default) m_default();
  }
  void Release() override { m_wnd = nullptr; }

 protected:
  /// Dispatches msg with def as its default handling. Returns false when
  /// there is no CWnd (def has then run).
  bool Dispatch(UINT msg, WPARAM w, LPARAM l, std::function<void()> def) {
    if (!m_wnd) {
      if (def) def();
      return false;
    }
    std::function<void()> saved = std::move(m_default);
    m_default = std::move(def);
    CWnd::CallWndProc(m_wnd, msg, w, l);
    m_default = std::move(saved);
    return true;
  }

  void paintEvent(QPaintEvent* e) override {
    Dispatch(WM_PAINT, 0, 0, [this, e] { Base::paintEvent(e); });
  }
  void resizeEvent(QResizeEvent* e) override {
    Base::resizeEvent(e);
    Dispatch(WM_SIZE, SIZE_RESTORED, MakeLParam(this->width(), this->height()), nullptr);
  }
  void moveEvent(QMoveEvent* e) override {
    Base::moveEvent(e);
    Dispatch(WM_MOVE, 0, MakeLParam(this->x(), this->y()), nullptr);
  }
  void timerEvent(QTimerEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

  static LPARAM MakeLParam(int lo, int hi) {
    return static_cast<LPARAM>((static_cast<unsigned>(lo) & 0xFFFF) |
                               ((static_cast<unsigned>(hi) & 0xFFFF) << 16));
  }

  CWnd* m_wnd;
  std::function<void()> m_default;
};

/// The items of a list box: byte strings, shown decoded.
class ListBoxModel : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
  }
  QVariant data(const QModelIndex& index, int role) const override;

  const std::string& At(int row) const { return m_items[static_cast<std::size_t>(row)]; }
  void Insert(int row, std::string text);
  /// Adds items at the end, in one step.
  void Append(std::vector<std::string> items);
  void Remove(int row);
  void Clear();

  /// For a list that scrolls sideways: every item is measured as it comes,
  /// so that the list knows its widest one without laying each out.
  void SetMeasure(std::function<int(const std::string&)> measure) { m_measure = std::move(measure); }
  /// The width of the widest item by that measure; 0 without one.
  int Widest() const;

 private:
  std::vector<std::string> m_items;
  std::function<int(const std::string&)> m_measure;
  mutable int m_widest = 0;
  mutable bool m_widestStale = false;  // the widest item was removed
};

/// A list box control: see CListBox for the behaviour.
class ListBoxWidget : public QListView {
 public:
  ListBoxWidget(QWidget* parent, int id, DWORD style);
  bool Sorted() const { return m_sorted; }
  bool Multiple() const { return m_multiple; }
  ListBoxModel& Model() { return m_model; }
  const ListBoxModel& Model() const { return m_model; }
  /// The list was emptied: a double-click begun before it acts on nothing.
  void NoteReset() { ++m_generation; }
  /// The width of text in the list's font, from the widths of its
  /// characters: close to what painting takes, and cheap enough for every
  /// item of a long list.
  int TextWidth(const std::string& text) const;
  /// Puts back the selection, the focus item and the keyboard focus as they
  /// were before the user's last click or key on the list, for a handler
  /// that refuses what the user asked; a double-click begun with that click
  /// then does nothing.
  void RevertUserAction();

 protected:
  void focusInEvent(QFocusEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // Runs Qt's handling of one user action, then notifies LBN_SELCHANGE once
  // if it changed the selection or the focus item.
  void UserAction(const std::function<void()>& action);
  // Keeps what RevertUserAction puts back.
  void KeepStateBefore();

  bool m_sorted;
  bool m_multiple;
  ListBoxModel m_model;
  bool m_inUserAction = false;
  bool m_changed = false;
  int m_generation = 0;       // counts resets
  int m_pressGeneration = -1;  // m_generation at the last press
  int m_pressRow = -1;         // the row under the last press
  mutable std::vector<int> m_charWidths;  // by UTF-16 code unit; 0: not measured yet
  // The state before the last user action.
  std::vector<int> m_rowsBefore;
  int m_currentBefore = -1;
  QPointer<QWidget> m_focusBefore;
  // A click gives the list the focus before the list sees the click: where
  // the focus came from.
  QPointer<QWidget> m_focusFrom;
  bool m_focusByClick = false;
};

/// A single-line edit control.
class EditWidget : public QLineEdit {
 public:
  EditWidget(QWidget* parent, int id, DWORD style);
  /// Limits the user's typing and pasting (0: no limit).
  void SetUserLimit(int chars);

 protected:
  void focusInEvent(QFocusEvent* e) override;
};

class ButtonWidget : public QPushButton {
 public:
  ButtonWidget(QWidget* parent, int id);
};

/// The control ID of a control widget; -1 for others.
int ControlId(const QWidget* widget);
/// The direct child of parent whose control ID is id, or null.
QWidget* FindControl(const QWidget* parent, int id);
/// A widget's text as a window's text: an edit's text, a text view's (lines
/// ending in "\r\n"), a button's or a label's, else its caption.
QString WidgetText(QWidget* widget);
/// Sets it. A text view's caret goes to the start of the new text.
void SetWidgetText(QWidget* widget, const QString& text);
/// Closes window once no message is being dispatched any more (at once
/// when none is): the handlers on the stack, and the message boxes they
/// show, end first.
void CloseWhenHandlersReturn(QWidget* window);

// ---- WndHost's event handlers ----

#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimerEvent>

template <class Base>
void WndHost<Base>::timerEvent(QTimerEvent* e) {
  if (m_wnd)
    m_wnd->OnQtTimer(e->timerId());
  else
    Base::timerEvent(e);
}

template <class Base>
void WndHost<Base>::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    Base::mouseDoubleClickEvent(e);
    return;
  }
  QPoint p = e->position().toPoint();
  Dispatch(WM_LBUTTONDBLCLK, 0, MakeLParam(p.x(), p.y()),
           [this, e] { Base::mouseDoubleClickEvent(e); });
}

template <class Base>
void WndHost<Base>::changeEvent(QEvent* e) {
  Base::changeEvent(e);
  if (e->type() == QEvent::ActivationChange)
    Dispatch(WM_ACTIVATE, this->isActiveWindow() ? WA_ACTIVE : WA_INACTIVE, 0, nullptr);
}

template <class Base>
void WndHost<Base>::closeEvent(QCloseEvent* e) {
  // The window decides for itself: WM_CLOSE destroys it, or a dialog hides.
  e->ignore();
  Dispatch(WM_CLOSE, 0, 0, nullptr);
}
