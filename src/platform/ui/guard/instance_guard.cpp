#include "platform/ui/guard/instance_guard.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool IsSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

class AnyOfFinder : public IWindowFinder {
 public:
  explicit AnyOfFinder(std::vector<std::unique_ptr<IWindowFinder>> parts)
      : m_parts(std::move(parts)) {}
  bool HasTopLevelWindow(const std::string& captionUtf8) override {
    for (auto& part : m_parts)
      if (part->HasTopLevelWindow(captionUtf8)) return true;
    return false;
  }

 private:
  std::vector<std::unique_ptr<IWindowFinder>> m_parts;
};

std::unique_ptr<IWindowFinder> DefaultFinder() {
  // The sockets first: they answer for the copies on any platform, usually
  // within a millisecond, so the X search runs only when they find nothing.
  std::vector<std::unique_ptr<IWindowFinder>> parts;
  parts.push_back(MakeCaptionSocketFinder());
  parts.push_back(MakeX11WindowFinder());
  return std::make_unique<AnyOfFinder>(std::move(parts));
}

}  // namespace

bool PreferX11Platform(int argc, const char* const* argv) {
  if (!IsSet("DISPLAY") || IsSet("QT_QPA_PLATFORM")) return false;
  // Qt takes the option with one dash or two, before or after other options.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      return false;
  return ::setenv("QT_QPA_PLATFORM", "xcb;wayland", 1) == 0;
}

CInstanceGuard::CInstanceGuard(std::unique_ptr<IWindowFinder> finder)
    : m_pFinder(finder ? std::move(finder) : DefaultFinder()) {}

CInstanceGuard::~CInstanceGuard() {
  QObject::disconnect(m_titleConnection);
}

bool CInstanceGuard::IsAnotherCopyRunning(const std::string& captionUtf8) {
  CStartLock lock;
  if (m_pFinder->HasTopLevelWindow(captionUtf8)) return true;
  m_server.SetCaption(captionUtf8);
  // A copy that cannot serve its caption still runs: only later copies
  // lose the chance to find it, unless they see its window on X.
  m_server.Listen();
  return false;
}

void CInstanceGuard::FollowCaption(QWidget* window) {
  QObject::disconnect(m_titleConnection);
  m_server.SetCaption(window->windowTitle().toStdString());
  CCaptionServer* server = &m_server;
  m_titleConnection = QObject::connect(
      window, &QWidget::windowTitleChanged,
      [server](const QString& title) { server->SetCaption(title.toStdString()); });
}

void ShowDoubleStartMessage() {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("メッセージ"),
                  QStringLiteral("２重起動は出来ません"), QMessageBox::Ok);
  // Some styles put a tick on dialog buttons; this box has plain text only.
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}
