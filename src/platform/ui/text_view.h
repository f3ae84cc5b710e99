// The widget behind CTextView: a read-only view of a file's lines that lays
// out and draws only the lines in sight, so that a file of millions of
// lines costs about its own bytes. It looks and answers as a read-only
// multi-line edit: a caret, selection with the mouse and the keys, copying,
// scrolling both ways, and a text to screen readers. Internal to the layer
// (and to the GUI tests).
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <QTextLayout>
#include <vector>

#include "platform/ui/code_page.h"
#include "platform/ui/ui_types.h"

class TextViewWidget : public QAbstractScrollArea {
 public:
  /// A place in the text: a line (from 0) and a column in the UTF-16 units
  /// of the line as shown.
  struct Pos {
    int line = 0;
    int column = 0;
    bool operator==(const Pos& o) const { return line == o.line && column == o.column; }
    bool operator!=(const Pos& o) const { return !(*this == o); }
    bool operator<(const Pos& o) const { return line < o.line || (line == o.line && column < o.column); }
  };

  TextViewWidget(QWidget* parent, int id, DWORD style);

  /// Shows lines, each piece a line and an empty line after the last, in
  /// place of what it showed; the caret goes to the start.
  void SetLines(CDisplayLines lines);
  int LineCount() const { return static_cast<int>(m_lines.GetCount()) + 1; }
  /// Line i as shown.
  QString Line(int i) const;
  int FirstVisibleLine() const;
  /// Scrolls by lines (down when positive) and pixels, as far as the text
  /// allows.
  void ScrollBy(int lines, int pixels);

  Pos Caret() const { return m_caret; }
  Pos Anchor() const { return m_anchor; }
  /// Moves the caret to caret and selects from anchor to it; with scroll,
  /// scrolls the caret into view.
  void Select(Pos anchor, Pos caret, bool scroll);
  /// The place nearest to a point of the viewport.
  Pos PositionAt(QPoint point) const;
  /// The text from one place to another, "\n" after each line.
  QString Text(Pos from, Pos to) const;
  QString SelectedText() const;
  Pos End() const { return {LineCount() - 1, 0}; }

  /// The whole text as one string of characters, for screen readers: the
  /// offset of a place, the place of an offset, and the character count.
  int OffsetOf(Pos p) const;
  Pos PosOf(int offset) const;
  int CharacterCount() const;
  /// The rectangle of the character at p, in the viewport's coordinates.
  QRect CharacterRect(Pos p) const;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  // Lays out one line as shown, as an edit lays out its lines.
  void LayOut(QTextLayout& layout, const QString& text) const;
  // The top of line i in the viewport; the text starts a margin down when
  // scrolled to the top, as an edit's does.
  int LineTop(int i) const;
  int VisibleLines() const;
  // Page up or down (pages -1 or 1): the line at the other edge of the
  // viewport comes to the top or the bottom, and the caret keeps its place
  // in the viewport.
  Pos PageMove(int pages, Pos from);
  void AdjustScrollBars();
  // Notes the width of a line laid out: the text is as wide as its widest.
  void NoteWidth(qreal width);
  void EnsureVisible(Pos p);
  // The caret shows (and blinks) while the view has the focus in an active
  // window.
  void RestartBlink();
  void UpdateCaret();
  void Copy() const;
  // Tells screen readers where the caret and the selection are.
  void NotifyAccessibility();
  // Counts the characters of every line before each block of lines.
  void CountCharacters() const;
  Pos Clamp(Pos p) const;
  int LineLength(int i) const { return static_cast<int>(Line(i).size()); }

  CDisplayLines m_lines;
  int m_lineHeight = 13;
  qreal m_tabStop = 80;
  qreal m_widest = 0;  // the widest line seen or estimated, in pixels
  Pos m_caret, m_anchor;
  qreal m_desiredX = -1;  // where up and down keep the caret, in pixels
  // Where page up and down keep the caret in the viewport, while they
  // follow each other.
  int m_pageY = -1;
  bool m_caretShown = false;
  bool m_wantReturn = false;
  bool m_dragging = false;
  QBasicTimer m_blink;
  // The characters before each block of kCountBlock lines, counted when a
  // screen reader first asks.
  mutable std::vector<qint64> m_counts;
};
