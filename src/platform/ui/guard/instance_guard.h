// The single-instance guard of the desktop program. Right after creating the
// QApplication, before any window of its own, main() asks whether another
// copy already shows the main window's first caption; if one does, it shows
// ShowDoubleStartMessage() and ends with status 0, leaving the other copy
// alone. Otherwise the guard serves this copy's caption to copies started
// later, for as long as it lives:
//
//   PreferX11Platform(argc, argv);
//   QApplication app(argc, argv);
//   CInstanceGuard guard;
//   if (guard.IsAnotherCopyRunning(kMainCaption)) {
//     ShowDoubleStartMessage();
//     return 0;
//   }
//   ... create the main window w ...
//   guard.FollowCaption(&w);
#pragma once

#include <QMetaObject>
#include <memory>
#include <string>

#include "platform/ui/guard/caption_socket.h"
#include "platform/ui/guard/window_finder.h"

class QWidget;

/// Call before the QApplication exists. When DISPLAY is set and the user
/// chose no platform (neither QT_QPA_PLATFORM nor a -platform argument),
/// sets QT_QPA_PLATFORM to "xcb;wayland": the program then shows its windows
/// on the X display, where other programs can find them, and falls back to
/// Wayland only when that display cannot be opened. Returns true when it set
/// the variable.
bool PreferX11Platform(int argc, const char* const* argv);

class CInstanceGuard {
 public:
  /// finder: where the windows of other copies are looked for; nullptr
  /// means the X display and the caption sockets of this user's copies.
  explicit CInstanceGuard(std::unique_ptr<IWindowFinder> finder = nullptr);
  ~CInstanceGuard();
  CInstanceGuard(const CInstanceGuard&) = delete;
  CInstanceGuard& operator=(const CInstanceGuard&) = delete;

  /// True when some top-level window is captioned exactly captionUtf8.
  /// Otherwise this copy starts serving captionUtf8 on its caption socket
  /// and returns false. Two copies started together cannot both see false:
  /// the search and the start of serving happen under the start-up lock.
  /// The lock and the socket are real even with a fake finder: tests that
  /// run copies side by side give each its own XDG_RUNTIME_DIR. Call once.
  bool IsAnotherCopyRunning(const std::string& captionUtf8);

  /// Serves window's caption from now on, following every change to it
  /// (the title as set: a "[*]" placeholder is served as it stands).
  /// REQUIRES: IsAnotherCopyRunning returned false.
  void FollowCaption(QWidget* window);

 private:
  std::unique_ptr<IWindowFinder> m_pFinder;
  CCaptionServer m_server;
  QMetaObject::Connection m_titleConnection;
};

/// The refusal shown to a second copy: a message box without owner, text
/// "２重起動は出来ません", caption "メッセージ", an OK button and no icon.
/// Returns when it is closed. REQUIRES: a QApplication exists.
void ShowDoubleStartMessage();
