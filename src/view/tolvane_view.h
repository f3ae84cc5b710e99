// CTolvaneView: the program's form. Every control of the user interface
// lives here: the browser of directories and drives with its source files,
// the files chosen for analysis and the output extension, the Analyze and
// File output buttons, the functions found with their count, and the
// functions the selected one calls.
//
// The found functions are browsed from here too: who calls the selected
// one (a callers window per function, from the context menu or Ctrl+R),
// where a function it calls is defined (a double-click on the callee), and
// which entry has a name holding a text (the find box, Ctrl+F).
//
// The analysis itself is the engine's; the view hands it the chosen files
// and shows what it reports: every head as an entry of the found-functions
// list, and the names collected in the status line.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/pipeline.h"
#include "platform/files/file_find.h"
#include "platform/text/cstring.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/runtime_class.h"
#include "res/resource.h"
#include "view/form_layout.h"

class CCallersDlg;
class CFindDlg;
class ISourceDlgOwner;

class CTolvaneView : public CFormView, public IAnalysisSink {
 public:
  enum { IDD = IDD_TOLVANE_FORM };

  CTolvaneView();
  ~CTolvaneView() override;

  // The controls.
  CButton m_btnShowSource;
  CEdit m_editCalleeCount;
  CEdit m_editFuncCount;
  CListBox m_listCallees;
  CListBox m_listFunctions;
  CButton m_btnAdd;
  CButton m_btnAnalyze;
  CButton m_btnFileOutput;
  CEdit m_editStatus;
  CEdit m_editExtension;
  CListBox m_listExtension;
  CListBox m_listChosen;
  CListBox m_listFound;
  // The texts exchanged with them.
  CString m_strFoundFile;    // scratch: one found-sources entry
  CString m_strChosenFile;   // scratch: one chosen-files entry
  CString m_strExtItem;      // the extension item last read
  CString m_strExtension;    // the output extension; "fnc" at first
  CString m_strStatus;       // the status text last composed
  CString m_strFunction;     // the selected found-function entry
  CString m_strCallee;
  CString m_strFuncCount;
  CString m_strCalleeCount;
  // The run and the function table.
  CAnalysisEngine m_engine;
  CFileFind m_finder;

  void OnInitialUpdate() override;

  /// Hands the view the keeper of its listing windows, which must outlive
  /// it. Show source without one is a programming error (std::logic_error).
  void SetSourceDlgOwner(ISourceDlgOwner* owner) { m_pSourceDlgOwner = owner; }
  /// How the runs from now on read the chosen files: each in the encoding
  /// its bytes show (the default), or all in one.
  void SetEncoding(EncodingChoice choice) { m_encoding = choice; }
  /// The rules of the runs from now on: the classic rules at first. The
  /// rules must outlive the view.
  void SetRules(const IRuleSet* rules) { m_pRules = rules; }

  /// Appends the listing of the current directory to the found-sources list:
  /// its directories as "[path]", its C and C++ sources as full paths, then
  /// the drive entries.
  void FillSourceList();

  /// Whether a found-sources entry is a directory or drive entry.
  static bool IsBracketed(const CString& entry);
  /// Whether a path names a C or C++ source by its end: ".c", ".cpp", ".C"
  /// or ".CPP", byte for byte.
  static bool IsSourcePath(const CString& path);

  // Handlers.
  void OnAdd();
  void OnAnalyze();
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDblclkFoundFiles();
  void OnDblclkChosenFiles();
  void OnTimer(UINT_PTR nIDEvent);
  void OnFileOutput();
  void OnSelchangeExtension();
  void OnSelchangeFoundFiles();
  void OnSelchangeFunctions();
  void OnChangeExtension();
  void OnShowSource();
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  void OnAddFolder();
  void OnClickedAnalyze();
  void OnContextMenu(CWnd* pWnd, CPoint point);
  void OnShowCallers();
  void OnDblclkCallees();
  void OnEditFind();
  void OnFileNew();
  void OnFileOpen();

  /// Selects entry i of the found functions (a valid index of the table)
  /// and shows its callees, as a selection by the user does.
  void SelectFunction(int i);
  /// Selects the next entry after the selected one, wrapping, whose
  /// function name holds text (case-sensitive). Returns whether one did.
  bool FindFunction(const CString& text);
  /// The callers window kept for an entry text, or null.
  CCallersDlg* FindCallersDlg(const CString& entry) const;
  CFindDlg* GetFindDlg() const { return m_pFindDlg.get(); }

  /// Appends every source below folder to the chosen-files list, as the
  /// menu's add-folder command does once the folder is picked.
  void AddFolder(const CString& folder);
  /// Appends paths to the chosen-files list in their order, leaving out those
  /// already chosen, and takes them out of the found-sources list; the Add
  /// and Analyze buttons follow as after Add. Returns how many were added.
  int ChooseFiles(std::vector<CString> paths);

  // The add-folder walk: its progress box shows after this many
  // milliseconds, and it reads this many folder entries between two looks
  // at the event queue.
  int m_nProgressDelay = 1000;
  int m_nWalkStep = 512;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  // Reports of the run.
  void OnHead(const CTableEntry& entry) override;
  void OnEntryFinal(const CTableEntry& entry) override;

 private:
  // Makes the bracketed entry's directory (or drive) current and lists it.
  void Navigate(const CString& entry);
  // Reads the focus item of the found-sources list into m_strFoundFile: a
  // directory or drive entry is gone to at once. Returns the index of a file
  // entry, else LB_ERR.
  int TakeFoundFile();
  // Replaces an edit box's whole text: select all, scroll the caret into
  // view, replace the selection.
  static void ReplaceText(CEdit& edit, const CString& text);
  // Writes the status text to the status line and paints it now.
  void FlushStatus();
  // Adds the heads reported since the last call to the found functions.
  void FlushHeads();
  // Whether the chosen files may be emptied: asks first when there are more
  // than Add can bring at one press.
  bool MayDiscardChosen();
  // The selected entry of the found functions, or LB_ERR.
  int SelectedFunction() const;

  // The heads a run has reported and the list does not show yet: they go
  // in together when the run ends, which costs the list far less than one
  // at a time.
  std::vector<CString> m_pendingHeads;
  // The status line is painted at most this often during a run; the clock
  // is read once every kStatusCheck names.
  static constexpr std::chrono::milliseconds kStatusInterval{40};
  static constexpr int kStatusCheck = 64;
  bool m_bStatusPending = false;
  int m_nSinceCheck = 0;
  // The name the status line is to show: a view into the table, which
  // holds it until the next run.
  std::string_view m_lastCallee;
  EncodingChoice m_encoding = EncodingChoice::kAuto;
  const IRuleSet* m_pRules = nullptr;  // null: the classic rules
  std::chrono::steady_clock::time_point m_lastStatus;
  ISourceDlgOwner* m_pSourceDlgOwner = nullptr;
  int m_nListingsPlaced = 0;  // listing windows opened, for their offsets

  // The callers windows by entry text, until the next run; the find box.
  std::map<std::string, std::unique_ptr<CCallersDlg>> m_callersDlgs;
  std::unique_ptr<CFindDlg> m_pFindDlg;
  // The definition a callee's double-click went to last, and from which
  // entry: the same double-click from there goes on to the next one.
  struct DefinitionStep {
    std::string name;
    int from = LB_ERR;
    int to = LB_ERR;
  } m_lastDefinition;

  // The form follows the frame from the size it first had on the screen.
  CFormLayout m_layout;
  bool m_bInitialised = false;

  DECLARE_DYNCREATE(CTolvaneView)
  DECLARE_MESSAGE_MAP()
};
