// Faults for tests of the real tolvane-xref, preloaded into it (LD_PRELOAD),
// as XREF_FAULT says:
//   no-threads         every pthread_create fails with EAGAIN, as under a
//                      process or address-space limit (which root ignores);
//   new-off-main:N     the N-th operator new outside the main thread throws
//                      std::bad_alloc, as when memory runs out while the
//                      formatting thread works.
#include <dlfcn.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char* Fault() {
  const char* v = std::getenv("XREF_FAULT");
  return v ? v : "";
}

long FailingNewOffMain() {
  static const long n = [] {
    const char* f = Fault();
    const char kPrefix[] = "new-off-main:";
    return std::strncmp(f, kPrefix, sizeof kPrefix - 1) == 0 ? std::atol(f + sizeof kPrefix - 1)
                                                             : 0L;
  }();
  return n;
}

std::atomic<long> g_newOffMain{0};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                              void* (*start)(void*), void* arg) {
  if (std::strcmp(Fault(), "no-threads") == 0) return EAGAIN;
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const Create real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  return real(thread, attr, start, arg);
}

void* operator new(std::size_t size) {
  long n = FailingNewOffMain();
  if (n > 0 && syscall(SYS_gettid) != getpid() && ++g_newOffMain == n) throw std::bad_alloc();
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
