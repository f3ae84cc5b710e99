#include "tests/gui_support.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

#include "platform/ui/qt_string.h"

ListBoxWidget* ListWidget(const CListBox& list) { return dynamic_cast<ListBoxWidget*>(list.m_hWnd); }

QStringList Items(const CListBox& list) {
  QStringList items;
  ListBoxWidget* w = ListWidget(list);
  for (int r = 0; w && r < w->Model().rowCount(); ++r)
    items << w->Model().data(w->Model().index(r), Qt::DisplayRole).toString();
  return items;
}

std::vector<int> SelectedRows(const CListBox& list) {
  std::vector<int> rows;
  for (const QModelIndex& i : ListWidget(list)->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

namespace {

QPoint CentreOf(ListBoxWidget* w, int row) {
  QModelIndex index = w->Model().index(row);
  w->scrollTo(index);
  return w->visualRect(index).center();
}

}  // namespace

void ClickItem(const CListBox& list, int row, Qt::KeyboardModifiers mods) {
  ListBoxWidget* w = ListWidget(list);
  QTest::mouseClick(w->viewport(), Qt::LeftButton, mods, CentreOf(w, row));
}

void DoubleClickItem(const CListBox& list, int row) {
  ListBoxWidget* w = ListWidget(list);
  QPoint p = CentreOf(w, row);
  QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, p);
  QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, p);
}

void Click(const CWnd& button) { QTest::mouseClick(button.m_hWnd, Qt::LeftButton); }

void Key(const CWnd& wnd, int key, Qt::KeyboardModifiers mods) {
  QTest::keyClick(wnd.m_hWnd, static_cast<Qt::Key>(key), mods);
}

QString Text(const CWnd& wnd) { return ToQString(wnd.GetWindowText()); }

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer) : m_answer(answer) {
  m_timer.setInterval(5);
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back({box->windowTitle(), box->text(), box->icon()});
    QAbstractButton* b = box->button(m_answer);
    if (!b) b = box->defaultButton();
    b->click();
  });
  m_timer.start();
}

MessageBoxAnswerer::~MessageBoxAnswerer() { m_timer.stop(); }

QStringList MessageBoxAnswerer::Texts() const {
  QStringList texts;
  for (const Box& b : boxes) texts << b.text;
  return texts;
}

ModalAnswerer::ModalAnswerer(std::function<void(QDialog*)> answer) : m_answer(std::move(answer)) {
  m_timer.setInterval(5);
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible() || qobject_cast<QMessageBox*>(dialog)) return;
    titles << dialog->windowTitle();
    m_answer(dialog);
  });
  m_timer.start();
}

ModalAnswerer::~ModalAnswerer() { m_timer.stop(); }

std::function<void(QDialog*)> ChooseFile(const QString& path, QString* offered) {
  return [path, offered](QDialog* d) {
    auto* dialog = qobject_cast<QFileDialog*>(d);
    auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (!name) return;
    if (offered) *offered = name->text();
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    // As a user answers it: the name typed, then Enter.
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
  };
}

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

unsigned SetEffective(unsigned drop, unsigned add) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return 0;
  unsigned before = data[0].effective & kOverrides;
  data[0].effective = (data[0].effective & ~drop) | add;
  syscall(SYS_capset, &header, data);
  return before;
}

}  // namespace

ScopedFilePermissions::ScopedFilePermissions() : m_saved(SetEffective(kOverrides, 0)) {}
ScopedFilePermissions::~ScopedFilePermissions() { SetEffective(0, m_saved); }
