// CTolvaneApp: the program. Its one object starts the program as a single
// copy, opens the empty document with the main frame and the form, and owns
// the map of listing windows.
#pragma once

#include <string>
#include <vector>

#include "platform/text/map_string_to_ob.h"
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

  /// A new listing window: modeless, hidden, owned by the main window, with
  /// the application's icon.
  CSourceDlg* CreateSourceDlg() override;
  CMapStringToOb& SourceDlgMap() override { return m_mapSourceDlg; }

  /// Listing windows by their key; added on demand, never removed.
  CMapStringToOb m_mapSourceDlg;

  /// The paths of the command line: InitInstance starts in the folder they
  /// name, with the sources among them chosen (see FindStartPlace).
  std::vector<std::string> m_startPaths;

  DECLARE_MESSAGE_MAP()
};

/// The caption of the main window of a new document, by which a running
/// copy of the program is known.
extern const char kMainWindowCaption[];
