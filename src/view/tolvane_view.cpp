#include "view/tolvane_view.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>

#include "analysis/rule_set.h"
#include "platform/files/drives.h"
#include "platform/files/file_exception.h"
#include "platform/files/source_tree.h"
#include "platform/ui/app.h"
#include "platform/ui/busy_wait.h"
#include "platform/ui/dc.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_box.h"
#include "reports/report_writer.h"
#include "results/callers_dlg.h"
#include "results/find_dlg.h"
#include "results/name_lookup.h"
#include "results/source_dlg.h"

namespace {

// Found-sources selections are read this many at a time.
constexpr int kMaxSelected = 99;

CString CountText(int n) { return CString(std::to_string(n)) + "関数"; }

// The drive numbers of the drive entries that a failed directory change
// falls back on; any other entry gets drive 2.
const char* const kDrivePatterns[] = {"[-a-]", "[-b-]", "[-c-]", "[-d-]",
                                      "[-e-]", "[-f-]", "[-g-]", "[-h-]"};

}  // namespace

IMPLEMENT_DYNCREATE(CTolvaneView, CFormView)

BEGIN_MESSAGE_MAP(CTolvaneView, CFormView)
  ON_BN_CLICKED(IDC_ADD, OnAdd)
  ON_BN_CLICKED(IDC_ANALYZE, OnClickedAnalyze)
  ON_WM_CREATE()
  ON_LBN_DBLCLK(IDC_FOUND_FILES, OnDblclkFoundFiles)
  ON_LBN_DBLCLK(IDC_CHOSEN_FILES, OnDblclkChosenFiles)
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_FILE_OUTPUT, OnFileOutput)
  ON_LBN_SELCHANGE(IDC_EXTENSION_LIST, OnSelchangeExtension)
  ON_LBN_SELCHANGE(IDC_FOUND_FILES, OnSelchangeFoundFiles)
  ON_LBN_SELCHANGE(IDC_FUNCTIONS, OnSelchangeFunctions)
  ON_EN_CHANGE(IDC_EXTENSION, OnChangeExtension)
  ON_BN_CLICKED(IDC_SHOW_SOURCE, OnShowSource)
  ON_WM_LBUTTONDBLCLK()
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_COMMAND(ID_FILE_ADD_FOLDER, OnAddFolder)
  ON_WM_CONTEXTMENU()
  ON_COMMAND(ID_VIEW_CALLERS, OnShowCallers)
  ON_LBN_DBLCLK(IDC_CALLEES, OnDblclkCallees)
  ON_COMMAND(ID_EDIT_FIND, OnEditFind)
  ON_COMMAND(ID_FILE_NEW, OnFileNew)
  ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
END_MESSAGE_MAP()

CTolvaneView::CTolvaneView() : CFormView(IDD), m_strExtension("fnc") {}

CTolvaneView::~CTolvaneView() = default;

void CTolvaneView::DoDataExchange(CDataExchange* pDX) {
  CFormView::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SHOW_SOURCE, m_btnShowSource);
  DDX_Control(pDX, IDC_CALLEE_COUNT, m_editCalleeCount);
  DDX_Control(pDX, IDC_FUNC_COUNT, m_editFuncCount);
  DDX_Control(pDX, IDC_CALLEES, m_listCallees);
  DDX_Control(pDX, IDC_FUNCTIONS, m_listFunctions);
  DDX_Control(pDX, IDC_ADD, m_btnAdd);
  DDX_Control(pDX, IDC_ANALYZE, m_btnAnalyze);
  DDX_Control(pDX, IDC_FILE_OUTPUT, m_btnFileOutput);
  DDX_Control(pDX, IDC_STATUS, m_editStatus);
  DDX_Control(pDX, IDC_EXTENSION, m_editExtension);
  DDX_Control(pDX, IDC_EXTENSION_LIST, m_listExtension);
  DDX_Control(pDX, IDC_CHOSEN_FILES, m_listChosen);
  DDX_Control(pDX, IDC_FOUND_FILES, m_listFound);
  DDX_LBString(pDX, IDC_FOUND_FILES, m_strFoundFile);
  DDX_LBString(pDX, IDC_CHOSEN_FILES, m_strChosenFile);
  DDX_LBString(pDX, IDC_EXTENSION_LIST, m_strExtItem);
  DDX_Text(pDX, IDC_EXTENSION, m_strExtension);
  DDV_MaxChars(pDX, m_strExtension, 3);
  DDX_Text(pDX, IDC_STATUS, m_strStatus);
  DDV_MaxChars(pDX, m_strStatus, 128);
  DDX_LBString(pDX, IDC_FUNCTIONS, m_strFunction);
  DDX_LBString(pDX, IDC_CALLEES, m_strCallee);
  DDX_Text(pDX, IDC_FUNC_COUNT, m_strFuncCount);
  DDX_Text(pDX, IDC_CALLEE_COUNT, m_strCalleeCount);
}

int CTolvaneView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  return CFormView::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

void CTolvaneView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  // The view may be initialised again for a new document: the lists start
  // over rather than list everything twice.
  m_listFound.ResetContent();
  m_listChosen.ResetContent();
  m_listExtension.ResetContent();
  FillSourceList();
  m_listExtension.AddString("fnc");
  m_listExtension.AddString("txt");
  int ext = 0;
  for (int i = 0; i < m_listExtension.GetCount(); ++i)
    if (m_listExtension.GetText(i) == m_strExtension) ext = i;
  m_listExtension.SetCurSel(ext);

  // The frame fits the form as the dialog font lays it out.
  CRect view, callees;
  GetWindowRect(&view);
  m_listCallees.GetWindowRect(&callees);
  if (CWnd* frame = GetParent()) {
    frame->MoveWindow(view.left, view.top, callees.right + 28 - view.left,
                      callees.bottom + 100 - view.top, TRUE);
    frame->CenterWindow();
  }
  m_btnShowSource.EnableWindow(FALSE);
  m_bInitialised = true;
}

void CTolvaneView::OnSize(UINT nType, int cx, int cy) {
  CFormView::OnSize(nType, cx, cy);
  if (!m_bInitialised) return;
  if (!m_layout.IsCaptured()) {
    // The first size on the screen is the one the controls were placed for.
    m_layout.Capture(*this,
                     {{IDC_FOUND_LABEL, CFormLayout::kStays},
                      {IDC_FOUND_FILES, CFormLayout::kStretches},
                      {IDC_ADD, CFormLayout::kStays},
                      {IDC_ANALYZE, CFormLayout::kStays},
                      {IDC_FILE_OUTPUT, CFormLayout::kStays},
                      {IDC_EXTENSION_LABEL, CFormLayout::kKeepsRight},
                      {IDC_EXTENSION, CFormLayout::kKeepsRight},
                      {IDC_EXTENSION_LIST, CFormLayout::kKeepsRight},
                      {IDC_CHOSEN_LABEL, CFormLayout::kStays},
                      {IDC_CHOSEN_FILES, CFormLayout::kStretches},
                      {IDC_FUNCTIONS_LABEL, CFormLayout::kStays},
                      {IDC_FUNC_COUNT, CFormLayout::kStays},
                      {IDC_SHOW_SOURCE, CFormLayout::kStays},
                      {IDC_FUNCTIONS, CFormLayout::kStretches},
                      {IDC_CALLEES_LABEL, CFormLayout::kStays},
                      {IDC_CALLEE_COUNT, CFormLayout::kStays},
                      {IDC_CALLEES, CFormLayout::kStretches},
                      {IDC_STATUS, CFormLayout::kWidens}},
                     cx, cy);
    SetScrollSizes(CSize(cx, cy));
    return;
  }
  m_layout.Apply(cx, cy);
}

void CTolvaneView::OnTimer(UINT_PTR nIDEvent) { CFormView::OnTimer(nIDEvent); }

void CTolvaneView::OnLButtonDblClk(UINT nFlags, CPoint point) {
  CFormView::OnLButtonDblClk(nFlags, point);
}

// Draws nothing: the form's controls paint themselves.
void CTolvaneView::OnPaint() { CPaintDC dc(this); }

// Does nothing: the extension box changes only with the extension list.
void CTolvaneView::OnChangeExtension() {}

void CTolvaneView::ReplaceText(CEdit& edit, const CString& text) {
  edit.SetSel(0, 65535);
  edit.ScrollCaret();
  edit.ReplaceSel(text);
}

// ---- The browser ----

bool CTolvaneView::IsBracketed(const CString& entry) {
  const std::string& s = entry.str();
  return s.size() >= 2 && s.front() == '[' && s.back() == ']';
}

bool CTolvaneView::IsSourcePath(const CString& path) { return HasSourceName(path.str()); }

void CTolvaneView::FillSourceList() {
  if (m_finder.FindFile("*")) {
    BOOL more;
    do {
      more = m_finder.FindNextFile();
      if (m_finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY))
        m_listFound.AddString("[" + m_finder.GetFilePath() + "]");
    } while (more);
  }
  if (m_finder.FindFile("*")) {
    BOOL more;
    do {
      more = m_finder.FindNextFile();
      CString path = m_finder.GetFilePath();
      if (IsSourcePath(path)) m_listFound.AddString(path);
    } while (more);
  }
  m_finder.Close();
  m_listFound.Dir(DDL_DRIVES | DDL_EXCLUSIVE, "");
}

void CTolvaneView::Navigate(const CString& entry) {
  CString dir = entry.Mid(1, entry.GetLength() - 2);
  if (!SetCurrentDirectory(dir)) {
    int drive = 2;
    for (int n = 1; n <= 8; ++n)
      if (entry.str().find(kDrivePatterns[n - 1]) != std::string::npos) drive = n;
    CString root;  // "A:" for drive 1, "B:" for 2...
    root += static_cast<char>('A' + drive - 1);
    root += ':';
    if (!SetCurrentDirectory(root))
      AfxMessageBox("ドライブの準備が出来ていません！！", MB_OK | MB_ICONEXCLAMATION);
  }
  m_listFound.ResetContent();
  m_listChosen.ResetContent();
  FillSourceList();
}

int CTolvaneView::TakeFoundFile() {
  int i = m_listFound.GetCurSel();
  if (i == LB_ERR) return LB_ERR;
  m_listFound.GetText(i, m_strFoundFile);
  if (!IsBracketed(m_strFoundFile)) return i;
  if (MayDiscardChosen())
    Navigate(m_strFoundFile);
  else
    m_listFound.RevertUserAction();
  return LB_ERR;
}

bool CTolvaneView::MayDiscardChosen() {
  int n = m_listChosen.GetCount();
  if (n <= kMaxSelected) return true;
  return AfxMessageBox("選択したｿｰｽﾌｧｲﾙ (" + CString(std::to_string(n)) + "個) を破棄して移動しますか？",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// A new document empties the chosen files too.
void CTolvaneView::OnFileNew() {
  CWinApp* app = AfxGetApp();
  if (app && MayDiscardChosen()) app->OnFileNew();
}

void CTolvaneView::OnFileOpen() {
  CWinApp* app = AfxGetApp();
  if (app && MayDiscardChosen()) app->OnFileOpen();
}

void CTolvaneView::OnSelchangeFoundFiles() {
  if (TakeFoundFile() == LB_ERR) return;
  m_strStatus = m_strFoundFile + "を選択しました。";
  ReplaceText(m_editStatus, m_strStatus);
  int selected[kMaxSelected];
  m_btnAdd.EnableWindow(m_listFound.GetSelItems(kMaxSelected, selected) != 0);
}

void CTolvaneView::OnDblclkFoundFiles() {
  int i = TakeFoundFile();
  if (i == LB_ERR) return;
  m_listFound.DeleteString(i);
  m_listChosen.AddString(m_strFoundFile);
  m_btnAdd.EnableWindow(m_listFound.GetSelCount() != 0);
  m_btnAnalyze.EnableWindow(TRUE);
}

// ---- The chosen files and the extension ----

int CTolvaneView::ChooseFiles(std::vector<CString> paths) {
  // A folder brings up to hundreds of thousands of paths, in byte order.
  // Repeats are found through that order (sorted here when they come
  // otherwise), which costs far less than a set of them all.
  std::vector<std::size_t> order(paths.size());
  std::iota(order.begin(), order.end(), std::size_t(0));
  auto less = [&paths](std::size_t a, std::size_t b) { return paths[a].view() < paths[b].view(); };
  if (!std::is_sorted(order.begin(), order.end(), less))
    std::stable_sort(order.begin(), order.end(), less);
  std::vector<bool> isNew(paths.size(), true);
  for (std::size_t k = 1; k < order.size(); ++k)
    if (paths[order[k]].view() == paths[order[k - 1]].view()) isNew[order[k]] = false;
  // The index of the first of paths equal to text, or paths.size().
  auto first = [&](std::string_view text) {
    auto lessThan = [&paths](std::size_t a, std::string_view t) { return paths[a].view() < t; };
    auto at = std::lower_bound(order.begin(), order.end(), text, lessThan);
    return at != order.end() && paths[*at].view() == text ? *at : paths.size();
  };
  // The files chosen already stay where they are: the first of each is not
  // new either, the repeats being marked already.
  CString text;
  for (int i = 0; i < m_listChosen.GetCount(); ++i) {
    m_listChosen.GetText(i, text);
    std::size_t k = first(text.view());
    if (k < paths.size()) isNew[k] = false;
  }
  std::size_t count = static_cast<std::size_t>(std::count(isNew.begin(), isNew.end(), true));
  // Taken out of the found-sources list as Add moves them; from the end, so
  // that the indices ahead stay good.
  if (count != 0) {
    for (int i = m_listFound.GetCount() - 1; i >= 0; --i) {
      m_listFound.GetText(i, text);
      if (first(text.view()) < paths.size()) m_listFound.DeleteString(i);
    }
  }
  std::vector<CString> fresh;
  fresh.reserve(count);
  for (std::size_t k = 0; k < paths.size(); ++k)
    if (isNew[k]) fresh.push_back(std::move(paths[k]));
  m_listChosen.AddStrings(std::move(fresh));
  if (count != 0) m_btnAnalyze.EnableWindow(TRUE);
  int selected[kMaxSelected];
  m_btnAdd.EnableWindow(m_listFound.GetSelItems(kMaxSelected, selected) != 0);
  return static_cast<int>(count);
}

void CTolvaneView::OnAdd() {
  int selected[kMaxSelected];
  int n = m_listFound.GetSelItems(kMaxSelected, selected);
  if (n != 0) m_btnAnalyze.EnableWindow(TRUE);
  for (int k = 0; k < n; ++k) {
    m_listFound.GetText(selected[k], m_strFoundFile);
    m_listChosen.AddString(m_strFoundFile);
  }
  for (int k = 0; k < n; ++k) m_listFound.DeleteString(selected[k] - k);
  m_btnAdd.EnableWindow(m_listFound.GetSelItems(kMaxSelected, selected) != 0);
}

void CTolvaneView::OnDblclkChosenFiles() {
  int i = m_listChosen.GetCurSel();
  if (i == LB_ERR) return;
  m_listChosen.GetText(i, m_strFoundFile);
  m_listChosen.DeleteString(i);
  m_listFound.AddString(m_strFoundFile);
  if (m_listChosen.GetCount() == 0) {
    m_btnAnalyze.EnableWindow(FALSE);
    m_btnFileOutput.EnableWindow(FALSE);
    m_btnShowSource.EnableWindow(FALSE);
  }
}

void CTolvaneView::OnSelchangeExtension() {
  int i = m_listExtension.GetCurSel();
  if (i == LB_ERR) return;
  m_editExtension.SetSel(0, 65535);
  m_editExtension.ScrollCaret();
  m_listExtension.GetText(i, m_strExtItem);
  m_editExtension.ReplaceSel(m_strExtItem);
  m_strExtension = m_strExtItem;
}

namespace {

// Names files in a message: the first ten, then how many more, so that the
// box fits the screen after a run over a whole tree.
CString NameFiles(const std::vector<CString>& files) {
  constexpr std::size_t kShown = 10;
  CString text;
  for (std::size_t k = 0; k < files.size() && k < kShown; ++k) text += "\n" + files[k];
  if (files.size() > kShown) text += CString("\n他") + CString(std::to_string(files.size() - kShown)) + "個";
  return text;
}

}  // namespace

void CTolvaneView::OnFileOutput() {
  // The cross-reference of the last run, a report beside the sources for
  // every output name.
  ReportPlan plan = PlanReports(m_engine.GetTable());
  if (!plan.existing.empty() &&
      AfxMessageBox("次のファイルは既に存在します。上書きしますか？" + NameFiles(plan.existing),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  CReportWriter writer(m_engine.GetTable());
  // Only what the user agreed to is replaced, not a file that turned up since.
  for (const CString& report : plan.outputs)
    writer.Write(report, std::find(plan.existing.begin(), plan.existing.end(), report) !=
                             plan.existing.end());
  CString done = CString(std::to_string(plan.outputs.size())) + "個のファイルを出力しました。";
  if (!plan.skipped.empty())
    done += "\n次のファイルは解析したソースファイルなので出力しませんでした。" + NameFiles(plan.skipped);
  AfxMessageBox(done, MB_OK | MB_ICONINFORMATION);
}

// ---- The analysis ----

// A run replaces the table that the callers windows and the last step to a
// definition refer to.
void CTolvaneView::OnClickedAnalyze() {
  m_callersDlgs.clear();
  m_lastDefinition = DefinitionStep();
  OnAnalyze();
}

namespace {

// The chosen-files list as the run's files, read one at a time: each ends
// the run when it fails.
class CChosenSources : public IAnalysisSources {
 public:
  explicit CChosenSources(CListBox& list) : m_list(list) {}
  bool Next(AnalysisSource& next) override {
    if (m_nNext >= m_list.GetCount()) return false;
    m_list.GetText(m_nNext++, next.path);
    next.endsRun = true;
    return true;
  }

 private:
  CListBox& m_list;
  int m_nNext = 0;
};

// The threads a run analyses on: TOLVANE_JOBS when it holds a count (1:
// the form's own thread alone, for the bench), else the processors the
// program may run on.
int AnalysisThreads() {
  const char* v = std::getenv("TOLVANE_JOBS");
  if (v && *v) {
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (*end == '\0' && n >= 1) return static_cast<int>(std::min<long>(n, AnalysisRequest::kMaxThreads));
  }
  return ProcessorsToRunOn();
}

}  // namespace

void CTolvaneView::OnAnalyze() {
  m_strStatus.Empty();
  ReplaceText(m_editStatus, m_strStatus);
  m_strFuncCount.Empty();
  ReplaceText(m_editFuncCount, m_strFuncCount);
  m_strCalleeCount.Empty();
  ReplaceText(m_editCalleeCount, m_strCalleeCount);
  m_listFunctions.ResetContent();
  m_pendingHeads.clear();
  m_listCallees.ResetContent();
  // Until this run completes, its table is no cross-reference to write out.
  m_btnFileOutput.EnableWindow(FALSE);

  // Should a file fail, the status line still shows the last name added.
  struct StatusFlush {
    CTolvaneView* view;
    ~StatusFlush() {
      if (view->m_bStatusPending) view->FlushStatus();
    }
  } flush{this};
  m_lastStatus = std::chrono::steady_clock::now();
  m_nSinceCheck = 0;

  CChosenSources sources(m_listChosen);
  AnalysisRequest request;
  request.extension = m_strExtension;
  request.encoding = m_encoding;
  request.rules = m_pRules;
  // The sink's calls still come on this thread, in the order of the files.
  request.threads = AnalysisThreads();
  // While this thread waits for the others, the windows paint but take no
  // input, so that nothing reaches the lists or starts another run; a close
  // waits for the run. A run on this thread alone paints only the status
  // line, as it always has.
  std::optional<CBusyWait> busy;
  if (request.threads > 1) {
    busy.emplace();
    // The heads found go into the list when the run ends, as on one
    // thread: the list lays out all its items again after each addition,
    // which would cost this thread most of what the others save. The
    // status line shows the run's progress meanwhile.
    request.whileWaiting = [&busy] { busy->Pump(); };
  }
  AnalysisOutcome outcome;
  try {
    outcome = m_engine.Run(sources, request, this);
  } catch (...) {
    // What was found stays listed, as the table keeps it (as far as memory
    // allows), so that the list and the table still agree.
    FlushHeads();
    throw;
  }
  FlushHeads();
  if (outcome.failure) throw *outcome.failure;

  m_bStatusPending = false;
  m_strFuncCount = CountText(m_listFunctions.GetCount());
  ReplaceText(m_editFuncCount, m_strFuncCount);
  m_strStatus.Empty();
  ReplaceText(m_editStatus, m_strStatus);
  m_btnFileOutput.EnableWindow(TRUE);
  m_btnShowSource.EnableWindow(TRUE);
}

void CTolvaneView::OnHead(const CTableEntry& entry) {
  std::string text;
  text.reserve(entry.outName.size() + entry.name.size() + 2);
  text += '<';
  text += entry.outName;
  text += '>';
  text += entry.name;
  m_pendingHeads.emplace_back(std::move(text));
}

void CTolvaneView::FlushHeads() {
  if (m_pendingHeads.empty()) return;
  m_listFunctions.AddStrings(std::move(m_pendingHeads));
  m_pendingHeads.clear();
}

void CTolvaneView::OnEntryFinal(const CTableEntry& entry) {
  // The run keeps the event loop waiting: the status line is painted here,
  // but not so often that painting slows the run. It names the last call
  // of the entry, the last name added by the time the entry is final, and
  // its text is composed only when it is shown.
  if (entry.calls.GetCount() == 0) return;
  m_lastCallee = entry.calls.ViewAt(static_cast<POSITION>(entry.calls.GetCount()));
  m_bStatusPending = true;
  if (++m_nSinceCheck < kStatusCheck) return;
  m_nSinceCheck = 0;
  if (std::chrono::steady_clock::now() - m_lastStatus >= kStatusInterval) FlushStatus();
}

void CTolvaneView::FlushStatus() {
  m_strStatus = CString(m_lastCallee) + "を追加中。";
  ReplaceText(m_editStatus, m_strStatus);
  m_editStatus.UpdateWindow();
  m_bStatusPending = false;
  m_lastStatus = std::chrono::steady_clock::now();
}

// ---- The results ----

void CTolvaneView::OnSelchangeFunctions() {
  int i = m_listFunctions.GetCurSel();
  if (i == LB_ERR || i >= m_engine.GetTable().GetFunctionCount()) return;
  m_listCallees.ResetContent();
  const CCallList calls = m_engine.GetTable().GetCallList(i);
  for (POSITION pos = calls.GetHeadPosition(); pos;) m_listCallees.AddString(calls.GetNext(pos));
  m_editCalleeCount.SetSel(0, 65535);
  m_editCalleeCount.ScrollCaret();
  m_strCalleeCount = CountText(m_listCallees.GetCount());
  m_editCalleeCount.ReplaceSel(m_strCalleeCount);
}

void CTolvaneView::OnShowSource() {
  if (!m_pSourceDlgOwner) throw std::logic_error("the view has no keeper of listing windows");
  int i = m_listFunctions.GetCurSel();
  if (i == LB_ERR || i >= m_engine.GetTable().GetFunctionCount()) return;
  m_listFunctions.GetText(i, m_strFunction);
  // One window per function found: the same text may name a function of
  // a.c and one of a.cpp, so the file is part of the key.
  const CString& source = m_engine.GetTable().GetEntrySource(i);
  CString key = source;
  key += '\0';
  key += m_strFunction;
  CSourceDlg* dlg = m_pSourceDlgOwner->FindSourceDlg(key);
  if (!dlg) {
    // Filled before it is kept: a file that cannot be read leaves no
    // half-filled window, and the next press tries again.
    std::unique_ptr<CSourceDlg> fresh = m_pSourceDlgOwner->CreateSourceDlg();
    fresh->SetWindowText(m_strFunction);
    const CFunctionTable& table = m_engine.GetTable();
    // The lines the listing looks for show the name as the rules of the
    // run read it: the syntax rules' "ns::C::f" is "f" on its lines.
    fresh->ShowFile(source, CString(m_engine.GetRules().ListedName(table.GetEntryName(i))),
                    table.GetFileEncoding(table.GetEntryFile(i)));
    dlg = m_pSourceDlgOwner->KeepSourceDlg(key, std::move(fresh));
    if (CWnd* frame = GetParent()) {
      CRect form;
      frame->GetWindowRect(&form);
      dlg->MoveWindow(CSourceDlg::Placement(form, frame->GetWorkArea(), m_nListingsPlaced++));
    }
    dlg->SetForegroundWindow();
  }
  dlg->ShowWindow(SW_SHOWNORMAL);
}

int CTolvaneView::SelectedFunction() const {
  int i = m_listFunctions.GetCurSel();
  return i != LB_ERR && i < m_engine.GetTable().GetFunctionCount() ? i : LB_ERR;
}

void CTolvaneView::SelectFunction(int i) {
  m_listFunctions.SetCurSel(i);
  OnSelchangeFunctions();
}

void CTolvaneView::OnContextMenu(CWnd* pWnd, CPoint point) {
  if (pWnd != &m_listFunctions) return;
  CMenu menu;
  menu.CreatePopupMenu();
  UINT state = SelectedFunction() == LB_ERR ? UINT{MF_GRAYED} : UINT{0};
  menu.AppendMenu(MF_STRING | state, ID_VIEW_CALLERS,
                  "呼出し元を表示(&R)");
  menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

CCallersDlg* CTolvaneView::FindCallersDlg(const CString& entry) const {
  auto it = m_callersDlgs.find(entry.str());
  return it == m_callersDlgs.end() ? nullptr : it->second.get();
}

void CTolvaneView::OnShowCallers() {
  int i = SelectedFunction();
  if (i == LB_ERR) return;
  CString entry = m_listFunctions.GetText(i);
  CCallersDlg* dlg = FindCallersDlg(entry);
  if (!dlg) {
    auto fresh = std::make_unique<CCallersDlg>();
    fresh->Create(IDD_CALLERS);
    fresh->m_onChoose = [this](int caller) {
      if (caller < m_engine.GetTable().GetFunctionCount()) SelectFunction(caller);
    };
    const CFunctionTable& table = m_engine.GetTable();
    std::vector<int> callers = FindCallers(table, table.GetEntryName(i));
    std::vector<CString> texts;
    texts.reserve(callers.size());
    for (int caller : callers) texts.push_back(table.GetEntryText(caller));
    fresh->ShowCallers(entry, std::move(callers), std::move(texts));
    dlg = fresh.get();
    m_callersDlgs[entry.str()] = std::move(fresh);
  }
  dlg->ShowWindow(SW_SHOWNORMAL);
}

void CTolvaneView::OnDblclkCallees() {
  int c = m_listCallees.GetCurSel();
  if (c == LB_ERR) return;
  CString name = m_listCallees.GetText(c);
  const std::vector<int> defs = FindDefinitions(m_engine.GetTable(), name.view());
  if (defs.empty()) {
    m_strStatus = name + " の定義は見つかりません。";
    ReplaceText(m_editStatus, m_strStatus);
    return;
  }
  int from = SelectedFunction();
  if (m_lastDefinition.name == name.str() && m_lastDefinition.from == from) from = m_lastDefinition.to;
  auto next = std::upper_bound(defs.begin(), defs.end(), from);
  if (next == defs.end()) next = defs.begin();
  m_lastDefinition = {name.str(), SelectedFunction(), *next};
  SelectFunction(*next);
  m_strStatus = name + ": 定義 " + CString(std::to_string(next - defs.begin() + 1)) + "/" +
                CString(std::to_string(defs.size()));
  ReplaceText(m_editStatus, m_strStatus);
}

bool CTolvaneView::FindFunction(const CString& text) {
  const CFunctionTable& table = m_engine.GetTable();
  int count = std::min(table.GetFunctionCount(), m_listFunctions.GetCount());
  int from = SelectedFunction();  // LB_ERR: from the first
  for (int k = 1; k <= count; ++k) {
    int i = (from + k) % count;
    if (table.GetEntryName(i).find(text.view()) != std::string_view::npos) {
      SelectFunction(i);
      return true;
    }
  }
  return false;
}

void CTolvaneView::OnEditFind() {
  if (!m_pFindDlg) {
    m_pFindDlg = std::make_unique<CFindDlg>();
    m_pFindDlg->Create(IDD_FIND);
    m_pFindDlg->m_findNext = [this](const CString& text) { return FindFunction(text); };
  }
  m_pFindDlg->ShowForTyping();
}
