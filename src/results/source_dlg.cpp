#include "results/source_dlg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/stdio_file.h"
#include "platform/text/mbcs.h"
#include "platform/ui/code_page.h"
#include "platform/ui/dc.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CSourceDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_LBN_DBLCLK(IDC_LINES, OnDblclkLines)
  ON_WM_CREATE()
  ON_WM_DRAWITEM()
  ON_WM_ACTIVATE()
  ON_EN_SETFOCUS(IDC_SOURCE, OnSetfocusSource)
END_MESSAGE_MAP()

CSourceDlg::CSourceDlg() : CDialog(IDD_SOURCE) {}

void CSourceDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LINES, m_listLines);
  DDX_Control(pDX, IDC_SOURCE, m_editSource);
  DDX_Text(pDX, IDC_SOURCE, m_strSource);
  DDX_LBString(pDX, IDC_LINES, m_strLine);
}

BOOL CSourceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;
}

CString CSourceDlg::LineEntry(int number, std::string_view shown) {
  // The number whole: past 9999 it fills the field and the blank follows.
  char field[24];
  std::snprintf(field, sizeof field, "%04d ", number);
  std::string entry(field);
  entry += shown;
  return CString(std::move(entry));
}

int CSourceDlg::LineNumberOf(const CString& entry) {
  int n = 0;
  int i = 0;
  while (i < entry.GetLength() && entry[i] == ' ') ++i;
  for (; i < entry.GetLength() && entry[i] >= '0' && entry[i] <= '9'; ++i) n = n * 10 + (entry[i] - '0');
  return n;
}

CRect CSourceDlg::Placement(const CRect& form, const CRect& workArea, int n) {
  int width = std::min(form.Width(), workArea.Width());
  int height = workArea.Height() / 2;
  int x = form.right + width <= workArea.right ? form.right : form.left;
  x = std::clamp(x, workArea.left, workArea.right - width);
  int y = std::clamp(form.top, workArea.top, workArea.bottom - height);
  // Down as far as the work area goes, then from the top again; right as
  // far as there is room.
  int steps = 1 + (workArea.bottom - height - y) / kCaption;
  int dy = (n % steps) * kCaption;
  int dx = std::min(dy, workArea.right - width - x);
  return CRect(x + dx, y + dy, x + dx + width, y + dy + height);
}

void CSourceDlg::ShowFile(const CString& path, const CString& name, TextEncoding encoding) {
  CStdioFile file(path, CStdioFile::modeRead | CStdioFile::typeText);
  CDisplayLines lines(CodePageOf(encoding));
  // Room for the whole file at once: growing would copy it.
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(path.GetString(), error);
  if (!error) lines.Reserve(static_cast<std::size_t>(size));
  std::vector<std::size_t> mentions;
  std::string_view run;
  while (file.ReadPieces(run)) {
    while (!run.empty()) {
      // A piece ends after its LF, or after 255 bytes.
      std::size_t n = std::min(run.size(), CStdioFile::kMaxPiece);
      if (const void* lf = std::memchr(run.data(), '\n', n)) n = static_cast<const char*>(lf) - run.data() + 1;
      lines.Add(run.substr(0, n));
      run.remove_prefix(n);
      std::string_view piece = lines.Piece(lines.GetCount() - 1);
      if (mbcs::FindIn(encoding, piece.data(), piece.size(), name.GetString(),
                       static_cast<std::size_t>(name.GetLength())) != mbcs::kNotFound)
        mentions.push_back(lines.GetCount());
    }
  }
  file.Close();
  // Numbered as shown: a character cut between two pieces shows whole, at
  // the start of the second.
  std::vector<CString> entries;
  entries.reserve(mentions.size());
  std::string shown;
  for (std::size_t number : mentions) {
    shown.clear();
    lines.AppendShown(shown, number - 1);
    entries.push_back(LineEntry(static_cast<int>(number), shown));
  }
  m_listLines.AddStrings(std::move(entries));
  m_editSource.SetLines(std::move(lines));
}

void CSourceDlg::Layout() {
  CRect r;
  GetWindowRect(&r);
  int w = r.Width(), h = r.Height();
  if (m_editSource.m_hWnd) m_editSource.MoveWindow(0, 20, w - 8, h - 132, TRUE);
  if (m_listLines.m_hWnd) m_listLines.MoveWindow(0, h - 92, w - 8, 64, TRUE);
}

void CSourceDlg::OnPaint() {
  CPaintDC dc(this);
  CString caption;
  GetWindowText(caption);
  dc.TextOut(0, 0, caption + "検索");
  Layout();
}

void CSourceDlg::OnSize(UINT nType, int cx, int cy) {
  CDialog::OnSize(nType, cx, cy);
  Layout();
}

void CSourceDlg::OnMove(int x, int y) {
  CDialog::OnMove(x, y);
  Layout();
}

void CSourceDlg::OnDblclkLines() {
  int i = m_listLines.GetCurSel();
  if (i == LB_ERR) return;
  m_listLines.GetText(i, m_strLine);
  int n = LineNumberOf(m_strLine);
  // To the top, however long the file, then down to line n; the caret to
  // the start of the line now at the top.
  m_editSource.LineScroll(-m_editSource.GetFirstVisibleLine());
  m_editSource.LineScroll(n - 1);
  m_editSource.SetFocus();
  SetCaretPos(CPoint(1, 1));
  for (int k = 0; k < 6; ++k) m_editSource.ShowCaret();
}

int CSourceDlg::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  return CDialog::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

void CSourceDlg::OnDrawItem(int nIDCtl, void* lpDrawItemStruct) { CDialog::OnDrawItem(nIDCtl, lpDrawItemStruct); }

void CSourceDlg::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
  CDialog::OnActivate(nState, pWndOther, bMinimized);
}

void CSourceDlg::OnSetfocusSource() {}
