// Test helper: the desktop program started as it starts (offscreen, without
// the single-instance guard), in a temporary folder that is its current
// directory, with a private folder for its working files and a settings
// folder of its own (empty: the user's settings do not count).
#pragma once

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "app/main_frame.h"
#include "app/tolvane_app.h"
#include "platform/files/drives.h"
#include "tests/temp_dir.h"
#include "view/tolvane_view.h"

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

class Program {
 public:
  Program() : m_oldCwd(GetCurrentDirectory().str()) {
    static TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    if (chdir(tree.path().c_str()) != 0) qFatal("cannot enter %s", tree.path().c_str());
  }
  ~Program() {
    if (app) app->CloseAllDocuments();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.reset();
    if (chdir(m_oldCwd.c_str()) != 0) qWarning("cannot go back to %s", m_oldCwd.c_str());
  }
  /// Runs the program's start-up, with the paths of a command line, and
  /// makes its main window the active one.
  bool Start(const std::vector<std::string>& paths = {}) {
    app.reset(new CTolvaneApp);
    app->m_startPaths = paths;
    return app->InitInstance() && QTest::qWaitForWindowExposed(Frame()->m_hWnd) && Activate();
  }
  bool Activate() {
    Frame()->m_hWnd->activateWindow();
    return QTest::qWaitForWindowActive(Frame()->m_hWnd);
  }
  /// Types a key into the main window, made active again after any dialog.
  bool Keys(int key, Qt::KeyboardModifiers mods) {
    if (!Activate()) return false;
    QTest::keyClick(Frame()->m_hWnd, static_cast<Qt::Key>(key), mods);
    return true;
  }
  CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(app->m_pMainWnd); }
  CTolvaneView* View() const { return dynamic_cast<CTolvaneView*>(Frame()->GetActiveView()); }
  /// The full path of name in the folder, as the program shows it.
  QString Path(const std::string& name) const { return QString::fromStdString(tree.Join(name)); }

  TempDir tree;
  TempDir config;  // XDG_CONFIG_HOME: tolvane/tolvane.ini is read at Start()
  std::unique_ptr<CTolvaneApp> app;

 private:
  std::string m_oldCwd;
};
