#include "platform/ui/busy_wait.h"

#include <QCoreApplication>

#include "platform/ui/input_blocker.h"

CBusyWait::CBusyWait() : m_pBlocker(new InputBlocker(nullptr, InputBlocker::Closes::kHeld)) {}

CBusyWait::~CBusyWait() = default;

void CBusyWait::Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
