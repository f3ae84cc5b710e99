#include "platform/files/removed_on_signal.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

// The handler reads only these fixed slots: no allocation, no lock. A slot
// is claimed (kWriting), filled, then published (kReady) for the handler.
enum State : int { kFree, kWriting, kReady };
struct Slot {
  std::atomic<int> state{kFree};
  CRemovedOnSignal::Kind kind = CRemovedOnSignal::kFile;
  char path[CRemovedOnSignal::kMaxPath + 1] = {};
};
Slot g_slots[CRemovedOnSignal::kSlots];

const int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveOnSignal(int sig) {
  // Files, then folders twice over: a folder registered before the one
  // inside it empties on the second pass.
  for (CRemovedOnSignal::Kind kind :
       {CRemovedOnSignal::kFile, CRemovedOnSignal::kFolder, CRemovedOnSignal::kFolder})
    for (Slot& s : g_slots)
      if (s.state.load() == kReady && s.kind == kind)
        kind == CRemovedOnSignal::kFile ? ::unlink(s.path) : ::rmdir(s.path);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void InstallHandlersOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : kFatalSignals) {
      struct sigaction old;
      // Run under nohup, or started with SIGINT ignored by a shell: the
      // signal must keep not ending the process.
      if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
      struct sigaction sa;
      std::memset(&sa, 0, sizeof sa);
      sa.sa_handler = RemoveOnSignal;
      sigemptyset(&sa.sa_mask);
      for (int other : kFatalSignals) sigaddset(&sa.sa_mask, other);
      sigaction(sig, &sa, nullptr);
    }
  });
}

}  // namespace

CRemovedOnSignal::CRemovedOnSignal(const std::string& path, Kind kind) {
  if (path.size() > kMaxPath) return;
  InstallHandlersOnce();
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kWriting)) continue;
    g_slots[i].kind = kind;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].state.store(kReady);
    m_nSlot = i;
    return;
  }
}

CRemovedOnSignal::~CRemovedOnSignal() {
  if (m_nSlot >= 0) g_slots[m_nSlot].state.store(kFree);
}
