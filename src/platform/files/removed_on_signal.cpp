#include "platform/files/removed_on_signal.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
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

const int kFromOutside[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1, SIGUSR2,
                            SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPWR};
const int kFromWithin[] = {SIGABRT, SIGSEGV, SIGBUS};

// How many threads block the signals from outside right now (CSignalsBlocked).
std::atomic<int> g_nBlocking{0};

bool FromOutside(int sig) {
  for (int s : kFromOutside)
    if (s == sig) return true;
  return false;
}

extern "C" void RemoveOnSignal(int sig) {
  // A thread that blocks the signals may be making a folder it has not yet
  // registered. Threads a toolkit starts on its own do not block them, and
  // may take the signal meanwhile: they wait for the registration, a few
  // system calls, but not for ever (a hung file system).
  if (FromOutside(sig))
    for (int i = 0; i < 2000 && g_nBlocking.load() > 0; ++i) {
      struct timespec ms = {0, 1000 * 1000};
      ::nanosleep(&ms, nullptr);
    }
  // Files, then folders twice over: a folder registered before the one
  // inside it empties on the second pass.
  for (CRemovedOnSignal::Kind kind :
       {CRemovedOnSignal::kFile, CRemovedOnSignal::kFolder, CRemovedOnSignal::kFolder})
    for (Slot& s : g_slots)
      if (s.state.load() == kReady && s.kind == kind)
        kind == CRemovedOnSignal::kFile ? ::unlink(s.path) : ::rmdir(s.path);
  // Raised again with the default action: blocked until the handler
  // returns, then it ends the process. A fault from the code itself comes
  // back anyway when the faulting instruction runs again.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void InstallHandlersOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = RemoveOnSignal;
    sigemptyset(&sa.sa_mask);
    for (int other : kFromOutside) sigaddset(&sa.sa_mask, other);
    auto install = [&sa](int sig) {
      struct sigaction old;
      // Run under nohup, or started with SIGINT ignored by a shell: the
      // signal must keep not ending the process.
      if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
      sigaction(sig, &sa, nullptr);
    };
    for (int sig : kFromOutside) install(sig);
    for (int sig : kFromWithin) install(sig);
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

sigset_t SignalsFromOutside() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kFromOutside) sigaddset(&set, sig);
  return set;
}

CSignalsBlocked::CSignalsBlocked() {
  sigset_t set = SignalsFromOutside();
  pthread_sigmask(SIG_BLOCK, &set, &m_old);
  ++g_nBlocking;
}

CSignalsBlocked::~CSignalsBlocked() {
  --g_nBlocking;
  pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}
