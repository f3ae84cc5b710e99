// Test helpers for the GUI: the real widgets behind the layer's controls,
// clicks and keys as a user gives them, and message boxes answered by the
// test.
#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QDialog>
#include <QTimer>
#include <functional>
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

/// Hands every modal dialog that opens while it lives to `answer`, which
/// must close it, and keeps their captions.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<void(QDialog*)> answer);
  ~ModalAnswerer();
  QStringList titles;

 private:
  QTimer m_timer;
  std::function<void(QDialog*)> m_answer;
};

/// Answers a file dialog: selects path and accepts (an empty path cancels).
/// Keeps the name the dialog offered at first in *offered, if given.
std::function<void(QDialog*)> ChooseFile(const QString& path, QString* offered = nullptr);

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

/// While it lives, file permissions hold for this process even when it runs
/// as root (the capabilities that override them are set aside).
class ScopedFilePermissions {
 public:
  ScopedFilePermissions();
  ~ScopedFilePermissions();

 private:
  unsigned m_saved = 0;
};
