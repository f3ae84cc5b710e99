// Test helpers for the GUI: the real widgets behind the layer's controls,
// clicks and keys as a user gives them, and message boxes answered by the
// test.
#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/widgets.h"

ListBoxWidget* ListWidget(const CListBox& list);
/// The items as shown.
QStringList Items(const CListBox& list);
/// The rows selected, ascending.
std::vector<int> SelectedRows(const CListBox& list);
void ClickItem(const CListBox& list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier);
/// A real double-click: a click, then the double-click event.
void DoubleClickItem(const CListBox& list, int row);
void Click(const CWnd& button);
void Key(const CWnd& wnd, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
QString Text(const CWnd& wnd);

/// Answers every message box that opens while it lives with `answer`, and
/// keeps what each one said.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
  ~MessageBoxAnswerer();
  struct Box {
    QString title, text;
    QMessageBox::Icon icon;
  };
  std::vector<Box> boxes;
  QStringList Texts() const;

 private:
  QTimer m_timer;
  QMessageBox::StandardButton m_answer;
};
