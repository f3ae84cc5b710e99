#include "platform/ui/guard/guard_test_support.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

const char kMainCaption[] = "ソース選択 - Tolvane For Windows95";
const char kFileCaption[] = "main.c - Tolvane For Windows95";
const char kGuardCopy[] = TOLVANE_GUARD_COPY_PATH;

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value)
    : m_name(name) {
  if (const char* old = std::getenv(name)) m_old = old;
  if (value) setenv(name, value->c_str(), 1);
  else unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (m_old) setenv(m_name, m_old->c_str(), 1);
  else unsetenv(m_name);
}

XvfbDisplay::XvfbDisplay() {
  const char* xvfb = "/usr/bin/Xvfb";
  if (access(xvfb, X_OK) != 0) return;
  // -displayfd: Xvfb takes the first free display number and writes it out
  // once it accepts connections. -noreset: no reset (during which connections
  // fail) each time the last client leaves.
  m_pServer.reset(new LineChild({xvfb, "-displayfd", "1", "-nolisten", "tcp", "-noreset"}));
  if (std::optional<std::string> number = m_pServer->ReadLine(20000))
    m_pDisplay = std::make_unique<ScopedEnv>("DISPLAY", ":" + *number);
}

XvfbDisplay::~XvfbDisplay() {
  if (m_pServer) {
    kill(m_pServer->pid(), SIGTERM);
    m_pServer->Wait();
  }
}
