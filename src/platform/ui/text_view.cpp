#include "platform/ui/text_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>
#include <algorithm>
#include <climits>
#include <cstring>
#include <queue>
#include <string>

#include "platform/ui/wnd.h"

namespace {

constexpr int kMargin = 4;          // around the text, as an edit's document has
constexpr int kCountBlock = 256;    // lines a block of counted characters
constexpr int kWidthCandidates = 64;  // the longest pieces measured when the text comes

// UTF-16 units of UTF-8 text: a unit for every character, two for those
// beyond the basic plane.
qint64 Utf16Length(std::string_view utf8) {
  qint64 n = 0;
  for (unsigned char b : utf8) n += (b & 0xC0) != 0x80 ? (b >= 0xF0 ? 2 : 1) : 0;
  return n;
}

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// The text of one line with its line end, for the text interface's default
// reading by characters, words and lines.
class LineText : public QAccessibleTextInterface {
 public:
  explicit LineText(QString text) : m_text(std::move(text)) {}
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return m_text.mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(m_text.size()); }
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

 private:
  QString m_text;
};

// The view to screen readers: a read-only text of many lines, named by the
// control's accessible name, with its caret and selection.
class TextViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextViewAccessible(TextViewWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return View()->Text({0, 0}, View()->End());
    return QAccessibleWidget::text(t);
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || View()->Caret() == View()->Anchor()) return;
    auto [from, to] = std::minmax({View()->Caret(), View()->Anchor()});
    *start = View()->OffsetOf(from);
    *end = View()->OffsetOf(to);
  }
  int selectionCount() const override { return View()->Caret() == View()->Anchor() ? 0 : 1; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) View()->Select(View()->Caret(), View()->Caret(), false);
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) View()->Select(View()->PosOf(start), View()->PosOf(end), true);
  }
  int cursorPosition() const override { return View()->OffsetOf(View()->Caret()); }
  void setCursorPosition(int position) override {
    TextViewWidget::Pos p = View()->PosOf(position);
    View()->Select(p, p, true);
  }
  QString text(int start, int end) const override {
    if (end < 0) end = characterCount();
    return start >= end ? QString() : View()->Text(View()->PosOf(start), View()->PosOf(end));
  }
  int characterCount() const override { return View()->CharacterCount(); }

  // Characters, words and lines never cross a line end here: they are read
  // from the line that holds the offset.
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                           int* end) const override {
    return InLine(offset, type, start, end, &QAccessibleTextInterface::textBeforeOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                          int* end) const override {
    return InLine(offset, type, start, end, &QAccessibleTextInterface::textAfterOffset);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                       int* end) const override {
    return InLine(offset, type, start, end, &QAccessibleTextInterface::textAtOffset);
  }

  QRect characterRect(int offset) const override {
    QRect r = View()->CharacterRect(View()->PosOf(offset));
    return QRect(View()->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return View()->OffsetOf(View()->PositionAt(View()->viewport()->mapFromGlobal(point)));
  }
  void scrollToSubstring(int start, int end) override {
    View()->Select(View()->PosOf(end), View()->PosOf(start), true);
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

 private:
  TextViewWidget* View() const { return static_cast<TextViewWidget*>(widget()); }

  using Reader = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*, int*) const;
  QString InLine(int offset, QAccessible::TextBoundaryType type, int* start, int* end, Reader read) const {
    const int count = characterCount();
    if (type == QAccessible::NoBoundary || offset < 0 || offset > count) {
      *start = *end = -1;
      if (type != QAccessible::NoBoundary) return QString();
      *start = 0;
      *end = count;
      return text(0, count);
    }
    TextViewWidget::Pos p = View()->PosOf(offset);
    // The line before, for what comes before the start of a line.
    int line = p.line;
    if (read == &QAccessibleTextInterface::textBeforeOffset && p.column == 0 && line > 0) --line;
    const int lineStart = View()->OffsetOf({line, 0});
    QString text = View()->Line(line);
    if (line + 1 < View()->LineCount()) text += QLatin1Char('\n');
    LineText local(text);
    QString got = (local.*read)(offset - lineStart, type, start, end);
    if (*start >= 0) *start += lineStart;
    if (*end >= 0) *end += lineStart;
    return got;
  }
};

QAccessibleInterface* TextViewAccessibleFactory(const QString&, QObject* object) {
  auto* view = dynamic_cast<TextViewWidget*>(object);
  return view ? new TextViewAccessible(view) : nullptr;
}

}  // namespace

TextViewWidget::TextViewWidget(QWidget* parent, int id, DWORD style)
    : QAbstractScrollArea(parent), m_wantReturn(style & ES_WANTRETURN) {
  static const bool factory = (QAccessible::installFactory(TextViewAccessibleFactory), true);
  (void)factory;
  setProperty("tolvaneControlId", id);
  setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  if (!(style & WS_BORDER)) setFrameShape(QFrame::NoFrame);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(1);
  SetLines(CDisplayLines());
}

void TextViewWidget::SetLines(CDisplayLines lines) {
  m_lines = std::move(lines);
  m_counts.clear();
  QFontMetricsF metrics(font());
  m_tabStop = metrics.horizontalAdvance(QLatin1Char(' ')) * 8;
  QTextLayout probe;
  LayOut(probe, QStringLiteral("X"));
  m_lineHeight = std::max(1, qCeil(probe.lineAt(0).height()));
  // How wide the text is: measured on the pieces that look longest (a tab
  // counts as the eight characters it may take), and widened as wider lines
  // are laid out.
  m_widest = 0;
  using Candidate = std::pair<std::size_t, std::size_t>;  // weight, piece
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> longest;
  for (std::size_t i = 0; i < m_lines.GetCount(); ++i) {
    std::string_view piece = m_lines.Piece(i);
    if (longest.size() == kWidthCandidates && piece.size() * 8 <= longest.top().first) continue;
    std::size_t weight = piece.size();
    for (const char* p = piece.data(), *end = p + piece.size();
         (p = static_cast<const char*>(std::memchr(p, '\t', static_cast<std::size_t>(end - p)))); ++p)
      weight += 7;
    longest.push({weight, i});
    if (longest.size() > kWidthCandidates) longest.pop();
  }
  for (; !longest.empty(); longest.pop()) {
    QTextLayout layout;
    LayOut(layout, Line(static_cast<int>(longest.top().second)));
    m_widest = std::max(m_widest, layout.lineAt(0).naturalTextWidth());
  }
  m_caret = m_anchor = Pos();
  m_desiredX = -1;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  AdjustScrollBars();
  viewport()->update();
}

QString TextViewWidget::Line(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= m_lines.GetCount()) return QString();
  std::string shown;
  m_lines.AppendShown(shown, static_cast<std::size_t>(i));
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

void TextViewWidget::LayOut(QTextLayout& layout, const QString& text) const {
  layout.setText(text);
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setTabStopDistance(m_tabStop);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLeadingIncluded(true);
  line.setLineWidth(INT_MAX / 256);
  line.setPosition(QPointF(0, 0));
  layout.endLayout();
}

int TextViewWidget::FirstVisibleLine() const { return verticalScrollBar()->value(); }

int TextViewWidget::LineTop(int i) const {
  const int first = FirstVisibleLine();
  return (i - first) * m_lineHeight + (first == 0 ? kMargin : 0);
}

// The lines that fit whole between the margins, as an edit counts them from
// its last line up.
int TextViewWidget::VisibleLines() const {
  return std::max(1, (viewport()->height() - 2 * kMargin - 1) / m_lineHeight);
}

void TextViewWidget::AdjustScrollBars() {
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(VisibleLines());
  v->setRange(0, std::clamp(LineCount() - VisibleLines(), 0, LineCount() - 1));
  QScrollBar* h = horizontalScrollBar();
  h->setPageStep(viewport()->width());
  h->setRange(0, std::max(0, static_cast<int>(m_widest + 2 * kMargin) - viewport()->width()));
}

void TextViewWidget::NoteWidth(qreal width) {
  if (width <= m_widest) return;
  m_widest = width;
  AdjustScrollBars();
}

void TextViewWidget::ScrollBy(int lines, int pixels) {
  QScrollBar* v = verticalScrollBar();
  v->setValue(std::clamp(v->value() + lines, v->minimum(), v->maximum()));
  QScrollBar* h = horizontalScrollBar();
  h->setValue(std::clamp(h->value() + pixels, h->minimum(), h->maximum()));
}

TextViewWidget::Pos TextViewWidget::Clamp(Pos p) const {
  p.line = std::clamp(p.line, 0, LineCount() - 1);
  p.column = std::clamp(p.column, 0, LineLength(p.line));
  return p;
}

void TextViewWidget::Select(Pos anchor, Pos caret, bool scroll) {
  anchor = Clamp(anchor);
  caret = Clamp(caret);
  m_pageY = -1;
  if (anchor == m_anchor && caret == m_caret) {
    if (scroll) EnsureVisible(caret);
    return;
  }
  // Repaint the lines whose look changes: those of the old and the new
  // selection and carets.
  int from = std::min({m_anchor.line, m_caret.line, anchor.line, caret.line});
  int to = std::max({m_anchor.line, m_caret.line, anchor.line, caret.line});
  m_anchor = anchor;
  m_caret = caret;
  if (scroll) EnsureVisible(caret);
  int top = std::max(LineTop(from), 0), bottom = std::min(LineTop(to + 1), viewport()->height());
  if (top < bottom) viewport()->update(0, top, viewport()->width(), bottom - top);
  RestartBlink();
  NotifyAccessibility();
}

void TextViewWidget::EnsureVisible(Pos p) {
  // A line above the top comes to the top, one below the bottom to the
  // bottom; a caret beyond either side comes to the middle.
  QScrollBar* v = verticalScrollBar();
  const int height = viewport()->height(), width = viewport()->width();
  if (LineTop(p.line) < 0)
    v->setValue(p.line);
  else if (LineTop(p.line) + m_lineHeight > height)
    v->setValue(p.line - height / m_lineHeight + 1);
  QTextLayout layout;
  LayOut(layout, Line(p.line));
  NoteWidth(layout.lineAt(0).naturalTextWidth());
  const int x = kMargin + qRound(layout.lineAt(0).cursorToX(p.column));
  QScrollBar* h = horizontalScrollBar();
  if (x - h->value() < 0 || x - h->value() > width - 1) h->setValue(std::max(0, x - width / 2));
}

TextViewWidget::Pos TextViewWidget::PageMove(int pages, Pos from) {
  EnsureVisible(from);
  QScrollBar* v = verticalScrollBar();
  const int first = v->value(), height = viewport()->height();
  if (m_pageY < 0) m_pageY = LineTop(from.line);
  int y = m_pageY;
  if (pages > 0) {
    const int fit = (height - (first == 0 ? kMargin : 0)) / m_lineHeight;
    if (first + fit >= LineCount())
      y = height;  // the last line is in sight: the caret goes down to it
    else
      v->setValue(first + fit);
  } else {
    int top = first == 0 ? 0 : std::max(0, first - height / m_lineHeight);
    if (first - height / m_lineHeight - 1 < 0) y = 0;
    v->setValue(top);
  }
  Pos p = from;
  do
    p.line += pages;
  while (p.line > 0 && p.line < LineCount() - 1 && (pages > 0 ? LineTop(p.line) < y : LineTop(p.line) > y));
  p.line = std::clamp(p.line, 0, LineCount() - 1);
  return p;
}

TextViewWidget::Pos TextViewWidget::PositionAt(QPoint point) const {
  const int first = FirstVisibleLine();
  int y = point.y() - (first == 0 ? kMargin : 0);
  int line = first + (y < 0 ? -1 : y / m_lineHeight);
  if (line < 0) return {0, 0};
  if (line >= LineCount()) return End();
  QTextLayout layout;
  LayOut(layout, Line(line));
  int x = point.x() + horizontalScrollBar()->value() - kMargin;
  return {line, layout.lineAt(0).xToCursor(x)};
}

QRect TextViewWidget::CharacterRect(Pos p) const {
  p = Clamp(p);
  QTextLayout layout;
  LayOut(layout, Line(p.line));
  QTextLine line = layout.lineAt(0);
  const int left = qRound(line.cursorToX(p.column));
  int right = p.column < layout.text().size() ? qRound(line.cursorToX(p.column + 1)) : left + 1;
  const int x0 = kMargin - horizontalScrollBar()->value();
  return QRect(x0 + left, LineTop(p.line), std::max(1, right - left), m_lineHeight);
}

QString TextViewWidget::Text(Pos from, Pos to) const {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  QString out;
  for (int i = from.line; i <= to.line; ++i) {
    QString line = Line(i);
    int start = i == from.line ? from.column : 0;
    int end = i == to.line ? to.column : static_cast<int>(line.size());
    out += QStringView(line).mid(start, end - start);
    if (i < to.line) out += QLatin1Char('\n');
  }
  return out;
}

QString TextViewWidget::SelectedText() const { return Text(m_anchor, m_caret); }

void TextViewWidget::CountCharacters() const {
  if (!m_counts.empty()) return;
  const int lines = LineCount();
  m_counts.reserve(static_cast<std::size_t>(lines / kCountBlock + 1));
  qint64 count = 0;
  std::string shown;
  for (int i = 0; i < lines; ++i) {
    if (i % kCountBlock == 0) m_counts.push_back(count);
    if (static_cast<std::size_t>(i) < m_lines.GetCount()) {
      shown.clear();
      m_lines.AppendShown(shown, static_cast<std::size_t>(i));
      count += Utf16Length(shown) + 1;
    }
  }
}

int TextViewWidget::OffsetOf(Pos p) const {
  p = Clamp(p);
  CountCharacters();
  qint64 offset = m_counts[static_cast<std::size_t>(p.line / kCountBlock)];
  for (int i = p.line - p.line % kCountBlock; i < p.line; ++i) offset += LineLength(i) + 1;
  return static_cast<int>(std::min<qint64>(offset + p.column, INT_MAX));
}

TextViewWidget::Pos TextViewWidget::PosOf(int offset) const {
  CountCharacters();
  if (offset <= 0) return {0, 0};
  auto block = std::upper_bound(m_counts.begin(), m_counts.end(), qint64{offset}) - 1;
  qint64 at = *block;
  int line = static_cast<int>(block - m_counts.begin()) * kCountBlock;
  for (; line + 1 < LineCount(); ++line) {
    int length = LineLength(line);
    if (offset <= at + length) return {line, static_cast<int>(offset - at)};
    at += length + 1;
  }
  return End();
}

int TextViewWidget::CharacterCount() const {
  CountCharacters();
  return OffsetOf(End());
}

void TextViewWidget::NotifyAccessibility() {
  if (!QAccessible::isActive()) return;
  QAccessibleTextCursorEvent cursor(this, OffsetOf(m_caret));
  QAccessible::updateAccessibility(&cursor);
  auto [from, to] = std::minmax(m_anchor, m_caret);
  QAccessibleTextSelectionEvent selection(this, OffsetOf(from), OffsetOf(to));
  selection.setCursorPosition(OffsetOf(m_caret));
  QAccessible::updateAccessibility(&selection);
}

void TextViewWidget::Copy() const {
  if (m_anchor == m_caret) return;
  QApplication::clipboard()->setText(SelectedText());
}

bool TextViewWidget::event(QEvent* e) {
  // Copying and selecting all belong to the view, before any shortcut.
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
      e->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

void TextViewWidget::paintEvent(QPaintEvent* e) {
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Text));
  const QRect area = e->rect();
  auto [from, to] = std::minmax(m_anchor, m_caret);
  const qreal x0 = kMargin - horizontalScrollBar()->value();
  for (int i = FirstVisibleLine(); i < LineCount(); ++i) {
    const int top = LineTop(i);
    if (top > area.bottom() || top >= viewport()->height()) break;
    if (top + m_lineHeight <= area.top()) continue;
    QTextLayout layout;
    LayOut(layout, Line(i));
    NoteWidth(layout.lineAt(0).naturalTextWidth());
    QList<QTextLayout::FormatRange> selections;
    if (from.line <= i && i <= to.line && from != to) {
      QTextLayout::FormatRange range;
      range.start = i == from.line ? from.column : 0;
      // A selection that goes on past the line end takes the line end too.
      int end = i == to.line ? to.column : static_cast<int>(layout.text().size()) + 1;
      range.length = end - range.start;
      range.format.setBackground(palette().brush(QPalette::Highlight));
      range.format.setForeground(palette().brush(QPalette::HighlightedText));
      selections << range;
    }
    layout.draw(&painter, QPointF(x0, top), selections);
    if (m_caretShown && i == m_caret.line) layout.drawCursor(&painter, QPointF(x0, top), m_caret.column, 1);
  }
}

void TextViewWidget::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  AdjustScrollBars();
}

void TextViewWidget::scrollContentsBy(int, int) { viewport()->update(); }

void TextViewWidget::keyPressEvent(QKeyEvent* e) {
  if (e == QKeySequence::Copy) {
    Copy();
    return;
  }
  if (e == QKeySequence::SelectAll) {
    Select({0, 0}, End(), true);
    return;
  }
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  Pos p = m_caret;
  QTextLayout layout;
  LayOut(layout, Line(p.line));
  const QTextLine line = layout.lineAt(0);
  const int length = LineLength(p.line);
  const QTextLayout::CursorMode mode = ctrl ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
  bool vertical = false, paging = false;
  if (e->key() != Qt::Key_PageUp && e->key() != Qt::Key_PageDown) m_pageY = -1;
  switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const bool left = e->key() == Qt::Key_Left;
      if (m_anchor != m_caret && !shift) {  // a selection ends at its own edge
        p = left ? std::min(m_anchor, m_caret) : std::max(m_anchor, m_caret);
      } else if (left) {
        if (p.column > 0)
          p.column = layout.previousCursorPosition(p.column, mode);
        else if (p.line > 0)
          p = {p.line - 1, LineLength(p.line - 1)};
      } else {
        if (p.column < length)
          p.column = layout.nextCursorPosition(p.column, mode);
        else if (p.line + 1 < LineCount())
          p = {p.line + 1, 0};
      }
      break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      const bool page = e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown;
      const bool up = e->key() == Qt::Key_Up || e->key() == Qt::Key_PageUp;
      if (ctrl && !page) {
        ScrollBy(up ? -1 : 1, 0);
        return;
      }
      vertical = true;
      paging = page;
      if (m_desiredX < 0) m_desiredX = line.cursorToX(p.column);
      if (page)
        p = PageMove(up ? -1 : 1, p);
      else
        p.line = std::clamp(p.line + (up ? -1 : 1), 0, LineCount() - 1);
      QTextLayout to;
      LayOut(to, Line(p.line));
      p.column = to.lineAt(0).xToCursor(m_desiredX);
      break;
    }
    case Qt::Key_Home:
      p = ctrl ? Pos{0, 0} : Pos{p.line, 0};
      break;
    case Qt::Key_End:
      p = ctrl ? End() : Pos{p.line, length};
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Enter belongs to a view that wants it, not to the dialog's default.
      if (m_wantReturn) return;
      e->ignore();
      return;
    default:
      e->ignore();
      return;
  }
  if (!vertical) m_desiredX = -1;
  const int pageY = m_pageY;
  Select(shift ? m_anchor : p, p, !paging);
  if (paging) m_pageY = pageY;
}

void TextViewWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    e->ignore();
    return;
  }
  m_dragging = true;
  m_desiredX = -1;
  Pos p = PositionAt(e->position().toPoint());
  Select((e->modifiers() & Qt::ShiftModifier) ? m_anchor : p, p, true);
}

void TextViewWidget::mouseMoveEvent(QMouseEvent* e) {
  if (!m_dragging) return;
  QPoint point = e->position().toPoint();
  // Beyond the top or the bottom, the text scrolls a line a move.
  if (point.y() < 0)
    ScrollBy(-1, 0);
  else if (point.y() >= viewport()->height())
    ScrollBy(1, 0);
  Select(m_anchor, PositionAt(point), true);
}

void TextViewWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !m_dragging) return;
  m_dragging = false;
  QClipboard* clipboard = QApplication::clipboard();
  if (clipboard->supportsSelection() && m_anchor != m_caret)
    clipboard->setText(SelectedText(), QClipboard::Selection);
}

void TextViewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // The word under the pointer, or the one character there.
  Pos p = PositionAt(e->position().toPoint());
  const QString text = Line(p.line);
  int start = p.column, end = p.column;
  if (start < text.size() && IsWordChar(text[start])) {
    while (start > 0 && IsWordChar(text[start - 1])) --start;
    while (end < text.size() && IsWordChar(text[end])) ++end;
  } else if (end < text.size()) {
    ++end;
  }
  m_dragging = true;
  Select({p.line, start}, {p.line, end}, true);
}

void TextViewWidget::contextMenuEvent(QContextMenuEvent* e) {
  // The menu of a read-only edit, in Qt's own words (and translations).
  auto text = [](const char* what, QKeySequence::StandardKey key) {
    return QCoreApplication::translate("QWidgetTextControl", what) + QLatin1Char('\t') +
           QKeySequence(key).toString(QKeySequence::NativeText);
  };
  QMenu menu(this);
  QAction* copy = menu.addAction(text("&Copy", QKeySequence::Copy));
  copy->setEnabled(m_anchor != m_caret);
  menu.addSeparator();
  QAction* all = menu.addAction(text("Select All", QKeySequence::SelectAll));
  all->setEnabled(LineCount() > 1);
  QAction* chosen = menu.exec(e->globalPos());
  if (chosen == copy)
    Copy();
  else if (chosen == all)
    Select({0, 0}, End(), true);
}

void TextViewWidget::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  RestartBlink();
  CWnd::NotifyParent(this, EN_SETFOCUS);
}

void TextViewWidget::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  m_dragging = false;
  RestartBlink();
}

void TextViewWidget::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::ActivationChange) RestartBlink();
  if (e->type() == QEvent::FontChange) {
    CDisplayLines lines = std::move(m_lines);
    Pos caret = m_caret, anchor = m_anchor;
    SetLines(std::move(lines));
    Select(anchor, caret, false);
  }
}

void TextViewWidget::RestartBlink() {
  const bool on = hasFocus() && isActiveWindow();
  const int flash = QApplication::cursorFlashTime();
  if (on && flash > 0)
    m_blink.start(flash / 2, this);
  else
    m_blink.stop();
  if (m_caretShown != on) {
    m_caretShown = on;
    UpdateCaret();
  }
}

void TextViewWidget::UpdateCaret() {
  QRect r = CharacterRect(m_caret);
  viewport()->update(r.x() - 1, r.y(), 3, r.height());
}

void TextViewWidget::timerEvent(QTimerEvent* e) {
  if (e->timerId() != m_blink.timerId()) {
    QAbstractScrollArea::timerEvent(e);
    return;
  }
  m_caretShown = !m_caretShown;
  UpdateCaret();
}
