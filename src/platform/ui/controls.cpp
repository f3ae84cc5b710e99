#include "platform/ui/controls.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>
#include <cctype>

#include "platform/files/drives.h"
#include "platform/ui/qt_string.h"
#include "platform/ui/text_view.h"
#include "platform/ui/widgets.h"

namespace {

// List boxes compare their items without regard to ASCII case.
int CompareNoCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool BeginsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

// ---- CListBox ----

namespace {

ListBoxWidget* List(QWidget* w) { return dynamic_cast<ListBoxWidget*>(w); }

}  // namespace

int CListBox::AddString(const CString& text) {
  ListBoxWidget* list = List(m_hWnd);
  if (!list) return LB_ERR;
  ListBoxModel& model = list->Model();
  int row = model.rowCount();
  if (list->Sorted()) {
    int lo = 0, hi = row;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (CompareNoCase(model.At(mid), text.str()) <= 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    row = lo;
  }
  model.Insert(row, text.str());
  return row;
}

int CListBox::AddStrings(std::vector<CString> texts) {
  ListBoxWidget* list = List(m_hWnd);
  if (!list) return LB_ERR;
  if (list->Sorted()) {
    for (const CString& text : texts) AddString(text);
  } else {
    std::vector<std::string> items;
    items.reserve(texts.size());
    for (CString& text : texts) items.push_back(std::move(text).str());
    list->Model().Append(std::move(items));
  }
  return list->Model().rowCount();
}

int CListBox::DeleteString(int index) {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || index < 0 || index >= list->Model().rowCount()) return LB_ERR;
  list->Model().Remove(index);
  return list->Model().rowCount();
}

void CListBox::ResetContent() {
  if (ListBoxWidget* list = List(m_hWnd)) {
    list->Model().Clear();
    list->NoteReset();
  }
}

int CListBox::GetCount() const {
  ListBoxWidget* list = List(m_hWnd);
  return list ? list->Model().rowCount() : LB_ERR;
}

void CListBox::GetText(int index, CString& text) const { text = GetText(index); }

CString CListBox::GetText(int index) const {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || index < 0 || index >= list->Model().rowCount()) return CString();
  return CString(list->Model().At(index));
}

int CListBox::GetCurSel() const {
  ListBoxWidget* list = List(m_hWnd);
  if (!list) return LB_ERR;
  if (list->Multiple()) {
    QModelIndex current = list->currentIndex();
    return current.isValid() ? current.row() : LB_ERR;
  }
  QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? LB_ERR : rows.first().row();
}

int CListBox::SetCurSel(int index) {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || list->Multiple()) return LB_ERR;
  if (index < 0 || index >= list->Model().rowCount()) {
    list->selectionModel()->clear();
    return LB_ERR;
  }
  QModelIndex i = list->Model().index(index);
  list->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
  list->scrollTo(i);
  return index;
}

int CListBox::GetSelCount() const {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || !list->Multiple()) return LB_ERR;
  return static_cast<int>(list->selectionModel()->selectedRows().size());
}

int CListBox::GetSelItems(int maxItems, int* indices) const {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || !list->Multiple()) return LB_ERR;
  std::vector<int> rows;
  for (const QModelIndex& i : list->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  int n = std::min(maxItems, static_cast<int>(rows.size()));
  std::copy(rows.begin(), rows.begin() + n, indices);
  return n;
}

int CListBox::FindString(int startAfter, const CString& text) const {
  ListBoxWidget* list = List(m_hWnd);
  if (!list) return LB_ERR;
  int count = list->Model().rowCount();
  for (int k = 0; k < count; ++k) {
    int row = (startAfter + 1 + k) % count;
    if (row < 0) row += count;
    if (BeginsWithNoCase(list->Model().At(row), text.str())) return row;
  }
  return LB_ERR;
}

int CListBox::SelectString(int startAfter, const CString& text) {
  ListBoxWidget* list = List(m_hWnd);
  if (!list || list->Multiple()) return LB_ERR;
  int row = FindString(startAfter, text);
  if (row != LB_ERR) SetCurSel(row);
  return row;
}

int CListBox::Dir(UINT attr, const CString&) {
  if (!(attr & DDL_DRIVES)) return LB_ERR;
  int last = LB_ERR;
  for (const DriveEntry& d : GetDriveTable()) {
    CString entry("[-");
    entry += d.letter;
    entry += "-]";
    last = AddString(entry);
  }
  return last;
}

void CListBox::RevertUserAction() {
  if (ListBoxWidget* list = List(m_hWnd)) list->RevertUserAction();
}

BOOL CListBox::IsMultipleSelection() const {
  ListBoxWidget* list = List(m_hWnd);
  return list && list->Multiple();
}

// ---- CEdit ----

namespace {

QLineEdit* Line(QWidget* w) { return qobject_cast<QLineEdit*>(w); }

}  // namespace

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  QLineEdit* edit = Line(m_hWnd);
  if (!edit) return;
  if (nStartChar < 0) {  // no selection: the caret stays where it is
    edit->deselect();
    return;
  }
  int len = static_cast<int>(edit->text().size());
  int start = std::min(nStartChar, len);
  int end = nEndChar < 0 ? len : std::max(start, std::min(nEndChar, len));
  edit->setSelection(start, end - start);
}

void CEdit::ReplaceSel(const CString& text, BOOL) {
  QLineEdit* edit = Line(m_hWnd);
  if (!edit) return;
  // The program's text bypasses the limit on typing, which insert() keeps.
  QString now = edit->text();
  QString added = ToQString(text);
  int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  int length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
  edit->setText(now.replace(start, length, added));
  edit->setCursorPosition(start + static_cast<int>(added.size()));
}

// ---- CTextView ----

namespace {

TextViewWidget* View(QWidget* w) { return dynamic_cast<TextViewWidget*>(w); }

}  // namespace

void CTextView::SetLines(CDisplayLines lines) {
  if (TextViewWidget* view = View(m_hWnd)) view->SetLines(std::move(lines));
}

int CTextView::GetLineCount() const {
  TextViewWidget* view = View(m_hWnd);
  return view ? view->LineCount() : 0;
}

BOOL CTextView::LineScroll(int nLines, int nChars) {
  TextViewWidget* view = View(m_hWnd);
  if (!view) return FALSE;
  view->ScrollBy(nLines, nChars * view->fontMetrics().averageCharWidth());
  return TRUE;
}

int CTextView::GetFirstVisibleLine() const {
  TextViewWidget* view = View(m_hWnd);
  return view ? view->FirstVisibleLine() : 0;
}
