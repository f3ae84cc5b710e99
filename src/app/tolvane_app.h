// CTolvaneApp: the program. Its one object starts the program as a single
// copy, opens the empty document with the main frame and the form, and owns
// the map of listing windows.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/settings_file.h"
#include "platform/ui/app.h"
#include "results/source_dlg.h"

class CTolvaneApp : public CWinApp, public ISourceDlgOwner {
 public:
  CTolvaneApp();
  ~CTolvaneApp() override;

  BOOL InitInstance() override;
  BOOL OnIdle(LONG lCount) override;
  /// Returns 0 and writes nothing back.
  int ExitInstance() override;

  void OnAppAbout();
  /// The check item "C/C++ の構文で解析": the next runs take the other
  /// rules, and the choice is written to the settings file ([Settings]
  /// Rules=syntax or classic). A failed write is reported; the choice holds
  /// all the same until the program ends.
  void OnFileSyntaxRules();

  /// A new listing window: modeless, hidden, owned by the main window, with
  /// the application's icon.
  std::unique_ptr<CSourceDlg> CreateSourceDlg() override;
  CSourceDlg* FindSourceDlg(const CString& key) const override;
  CSourceDlg* KeepSourceDlg(const CString& key, std::unique_ptr<CSourceDlg> dlg) override;

  /// Listing windows by their key; added on demand, never removed. Their
  /// windows go with the main window, whose children they are.
  std::unordered_map<std::string, std::unique_ptr<CSourceDlg>> m_mapSourceDlg;

  /// The settings file, read at start and written when a choice changes.
  CSettingsFile m_settings;
  std::string m_strSettingsPath;

  /// Texts of the message boxes that report what reaches the event loop.
  CString FileErrorText(const CFileException& e) const override;
  CString OutOfMemoryText() const override;
  /// "tolvane: no display was found; tolvane-xref works without one."
  std::string NoDisplayText() const override;

  /// The paths of the command line: InitInstance starts in the folder they
  /// name, with the sources among them chosen (see FindStartPlace).
  std::vector<std::string> m_startPaths;

  DECLARE_MESSAGE_MAP()

 private:
  // Hands the rules chosen to the form and shows the choice on the menu.
  void ApplyRules();
  bool m_bSyntaxRules = false;
};

/// The caption of the main window of a new document, by which a running
/// copy of the program is known.
extern const char kMainWindowCaption[];
