#include "platform/ui/widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QValidator>
#include <algorithm>

#include "platform/ui/text_view.h"

namespace {

const char kIdProperty[] = "tolvaneControlId";

}  // namespace

int ControlId(const QWidget* widget) {
  QVariant v = widget ? widget->property(kIdProperty) : QVariant();
  return v.isValid() ? v.toInt() : -1;
}

QWidget* FindControl(const QWidget* parent, int id) {
  if (!parent) return nullptr;
  for (QWidget* child : parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (ControlId(child) == id) return child;
  return nullptr;
}

QString WidgetText(QWidget* widget) {
  if (auto* view = dynamic_cast<TextViewWidget*>(widget))
    return view->Text({0, 0}, view->End()).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  return widget->windowTitle();
}

void SetWidgetText(QWidget* widget, const QString& text) {
  if (auto* view = dynamic_cast<TextViewWidget*>(widget)) {
    const QByteArray utf8 = QString(text).remove(QLatin1Char('\r')).toUtf8();
    CDisplayLines lines(CP_UTF8);
    // Cut as a file is read: after each LF, or after 255 bytes.
    for (qsizetype at = 0; at < utf8.size();) {
      qsizetype n = std::min<qsizetype>(utf8.size() - at, 255);
      qsizetype lf = utf8.indexOf('\n', at);
      if (lf >= 0 && lf < at + n) n = lf - at + 1;
      lines.Add(std::string_view(utf8.constData() + at, static_cast<std::size_t>(n)));
      at += n;
    }
    view->SetLines(std::move(lines));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else {
    widget->setWindowTitle(text);
  }
}

// ---- ListBoxModel ----

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
    const std::string& s = At(index.row());
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  }
  return QVariant();
}

void ListBoxModel::Insert(int row, std::string text) {
  if (m_measure && !m_widestStale) m_widest = std::max(m_widest, m_measure(text));
  beginInsertRows(QModelIndex(), row, row);
  m_items.insert(m_items.begin() + row, std::move(text));
  endInsertRows();
}

void ListBoxModel::Append(std::vector<std::string> items) {
  if (items.empty()) return;
  if (m_measure && !m_widestStale)
    for (const std::string& item : items) m_widest = std::max(m_widest, m_measure(item));
  int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
  m_items.insert(m_items.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
  endInsertRows();
}

void ListBoxModel::Remove(int row) {
  if (m_measure && !m_widestStale && m_measure(At(row)) >= m_widest) m_widestStale = true;
  beginRemoveRows(QModelIndex(), row, row);
  m_items.erase(m_items.begin() + row);
  endRemoveRows();
}

void ListBoxModel::Clear() {
  m_widest = 0;
  m_widestStale = false;
  beginResetModel();
  m_items.clear();
  endResetModel();
}

int ListBoxModel::Widest() const {
  if (m_widestStale) {
    m_widest = 0;
    for (const std::string& item : m_items) m_widest = std::max(m_widest, m_measure(item));
    m_widestStale = false;
  }
  return m_widest;
}

namespace {

// The rows of a list that scrolls sideways are as wide as its widest item:
// the view asks one row for the size of all, so it need not measure each.
class WidestItemDelegate : public QStyledItemDelegate {
 public:
  explicit WidestItemDelegate(ListBoxWidget* list) : QStyledItemDelegate(list), m_list(list) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const ListBoxModel& model = m_list->Model();
    if (!index.isValid() || index.row() >= model.rowCount()) return size;
    // The measure may fall a little short of the painted text: a margin of
    // two characters keeps the end of the widest item in view.
    int extra = model.Widest() - m_list->TextWidth(model.At(index.row()));
    size.rwidth() += std::max(0, extra) + 2 * option.fontMetrics.averageCharWidth();
    return size;
  }

 private:
  ListBoxWidget* m_list;
};

}  // namespace

int ListBoxWidget::TextWidth(const std::string& text) const {
  if (m_charWidths.empty()) m_charWidths.assign(0x10000, 0);
  auto widthOf = [this](QChar c) {
    int& w = m_charWidths[c.unicode()];
    if (w == 0) w = std::max(1, fontMetrics().horizontalAdvance(c));
    return w;
  };
  // Most names are ASCII, a character a byte: they are measured without
  // decoding, and only the rest from the first other byte (where a
  // character begins) is decoded.
  int width = 0;
  std::size_t ascii = 0;
  for (; ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80; ++ascii)
    width += widthOf(QChar(text[ascii]));
  if (ascii == text.size()) return width;
  for (QChar c : QString::fromUtf8(text.data() + ascii, static_cast<qsizetype>(text.size() - ascii)))
    width += widthOf(c);
  return width;
}

// ---- ListBoxWidget ----

ListBoxWidget::ListBoxWidget(QWidget* parent, int id, DWORD style)
    : QListView(parent),
      m_sorted(style & LBS_SORT),
      m_multiple(style & LBS_MULTIPLESEL) {
  setProperty(kIdProperty, id);
  setModel(&m_model);
  setSelectionMode(m_multiple ? MultiSelection : SingleSelection);
  setEditTriggers(NoEditTriggers);
  setDragEnabled(false);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  // Items of one size lay out in constant time, which the long lists of a
  // big run need; a list that scrolls sideways takes its widest item's
  // width for all.
  setUniformItemSizes(true);
  if (style & WS_HSCROLL) {
    m_model.SetMeasure([this](const std::string& text) { return TextWidth(text); });
    setItemDelegate(new WidestItemDelegate(this));
  }
  if (!(style & WS_BORDER)) setFrameShape(QFrame::NoFrame);
  auto note = [this] {
    if (m_inUserAction) m_changed = true;
  };
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, note);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, note);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (now == this) m_focusFrom = old;
  });
}

void ListBoxWidget::focusInEvent(QFocusEvent* e) {
  m_focusByClick = e->reason() == Qt::MouseFocusReason;
  QListView::focusInEvent(e);
}

void ListBoxWidget::KeepStateBefore() {
  m_rowsBefore.clear();
  for (const QModelIndex& i : selectionModel()->selectedRows()) m_rowsBefore.push_back(i.row());
  m_currentBefore = currentIndex().isValid() ? currentIndex().row() : -1;
  m_focusBefore = m_focusByClick ? m_focusFrom.data() : QApplication::focusWidget();
  m_focusByClick = false;
}

void ListBoxWidget::RevertUserAction() {
  QItemSelection rows;
  for (int r : m_rowsBefore) rows.select(m_model.index(r), m_model.index(r));
  selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
  if (m_currentBefore >= 0)
    selectionModel()->setCurrentIndex(m_model.index(m_currentBefore), QItemSelectionModel::NoUpdate);
  else
    selectionModel()->clearCurrentIndex();
  if (m_focusBefore) m_focusBefore->setFocus(Qt::OtherFocusReason);
  NoteReset();
}

void ListBoxWidget::contextMenuEvent(QContextMenuEvent* e) {
  // The window the list stands on decides, as it does for every notification.
  CWnd* self = CWnd::FromHandlePermanent(this);
  CWnd* parent = parentWidget() ? CWnd::FromHandlePermanent(parentWidget()) : nullptr;
  if (!self || !parent) {
    QListView::contextMenuEvent(e);
    return;
  }
  QPoint p = e->globalPos();
  LPARAM at = static_cast<LPARAM>((static_cast<unsigned>(p.x()) & 0xFFFF) |
                                  ((static_cast<unsigned>(p.y()) & 0xFFFF) << 16));
  CWnd::CallWndProc(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(self), at);
}

void ListBoxWidget::UserAction(const std::function<void()>& action) {
  m_inUserAction = true;
  m_changed = false;
  action();
  m_inUserAction = false;
  if (m_changed) CWnd::NotifyParent(this, LBN_SELCHANGE);
}

void ListBoxWidget::mousePressEvent(QMouseEvent* e) {
  QModelIndex index = indexAt(e->position().toPoint());
  m_pressRow = index.isValid() ? index.row() : -1;
  m_pressGeneration = m_generation;
  KeepStateBefore();
  UserAction([this, e] { QListView::mousePressEvent(e); });
}

void ListBoxWidget::mouseReleaseEvent(QMouseEvent* e) {
  UserAction([this, e] { QListView::mouseReleaseEvent(e); });
}

void ListBoxWidget::mouseMoveEvent(QMouseEvent* e) {
  // Dragging with the button down selects nothing.
  if (e->buttons() & Qt::LeftButton) return;
  QListView::mouseMoveEvent(e);
}

void ListBoxWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // The first click of this double-click rebuilt the list: whatever lies
  // under the pointer now was never clicked.
  if (m_pressGeneration != m_generation) return;
  QModelIndex index = indexAt(e->position().toPoint());
  if (!index.isValid() || index.row() != m_pressRow) {
    mousePressEvent(e);  // a click on another item, not a double-click
    return;
  }
  UserAction([this, e] { QListView::mouseDoubleClickEvent(e); });
  CWnd::NotifyParent(this, LBN_DBLCLK);
}

void ListBoxWidget::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::SelectAll)) {
    e->accept();
    return;
  }
  // Shift and Ctrl extend nothing: a key moves the focus item or (space)
  // toggles it.
  if (m_multiple && (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
    KeepStateBefore();
    QKeyEvent plain(e->type(), e->key(), Qt::NoModifier, e->text(), e->isAutoRepeat(), e->count());
    UserAction([this, &plain] { QListView::keyPressEvent(&plain); });
    e->setAccepted(plain.isAccepted());
    return;
  }
  KeepStateBefore();
  UserAction([this, e] { QListView::keyPressEvent(e); });
}

// ---- EditWidget ----

namespace {

// Refuses what the user types or pastes beyond a number of characters. The
// program sets its texts with setText, which no validator checks.
class LengthValidator : public QValidator {
 public:
  LengthValidator(QObject* parent, int limit) : QValidator(parent), m_limit(limit) {}
  State validate(QString& input, int&) const override {
    return input.size() <= m_limit ? Acceptable : Invalid;
  }

 private:
  int m_limit;
};

}  // namespace

void EditWidget::SetUserLimit(int chars) {
  setValidator(chars > 0 ? new LengthValidator(this, chars) : nullptr);
}

EditWidget::EditWidget(QWidget* parent, int id, DWORD style) : QLineEdit(parent) {
  setProperty(kIdProperty, id);
  setReadOnly(style & ES_READONLY);
  setFrame(style & WS_BORDER);
  connect(this, &QLineEdit::textEdited, this, [this] {
    CWnd::NotifyParent(this, EN_CHANGE);
  });
}

void EditWidget::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  CWnd::NotifyParent(this, EN_SETFOCUS);
}

// ---- ButtonWidget ----

ButtonWidget::ButtonWidget(QWidget* parent, int id) : QPushButton(parent) {
  setProperty(kIdProperty, id);
  connect(this, &QPushButton::clicked, this, [this] { CWnd::NotifyParent(this, BN_CLICKED); });
}
