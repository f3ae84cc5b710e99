#include "cli/xref_main.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "analysis/analysis_engine.h"
#include "cli/xref_options.h"
#include "cli/xref_output.h"
#include "platform/files/working_dir.h"

namespace {

// What a fatal signal removes: the two working files and their folder.
// Set before the handlers are installed and never changed afterwards.
const char* g_removeOnSignal[3] = {nullptr, nullptr, nullptr};
const int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void OnFatalSignal(int sig) {
  ::unlink(g_removeOnSignal[0]);
  ::unlink(g_removeOnSignal[1]);
  ::rmdir(g_removeOnSignal[2]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void WriteAll(int fd, const std::string& s) {
  std::size_t done = 0;
  while (done < s.size()) {
    ssize_t w = ::write(fd, s.data() + done, s.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    done += static_cast<std::size_t>(w);
  }
}

void Complain(const std::string& message) {
  WriteAll(2, "tolvane-xref: " + message + "\n");
}

bool CurrentDirectory(std::string& cwd) {
  std::vector<char> buf(4096);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) {
      cwd = buf.data();
      return true;
    }
    if (errno != ERANGE) return false;
    buf.resize(buf.size() * 2);
  }
}

// Creates the private working folder with the fatal signals held back, so
// that from the moment it exists a signal always finds it to remove.
std::unique_ptr<CWorkingDir> CreateWorkingDir() {
  static std::vector<std::string> keep;  // outlives every handler call
  sigset_t fatal, old;
  sigemptyset(&fatal);
  for (int sig : kFatalSignals) sigaddset(&fatal, sig);
  sigprocmask(SIG_BLOCK, &fatal, &old);
  std::unique_ptr<CWorkingDir> dir;
  try {
    dir = CWorkingDir::Create();
  } catch (...) {
    sigprocmask(SIG_SETMASK, &old, nullptr);
    throw;
  }
  keep = {dir->GetPath() + "/" + CAnalysisEngine::kWorkFile1,
          dir->GetPath() + "/" + CAnalysisEngine::kWorkFile2, dir->GetPath()};
  for (int i = 0; i < 3; ++i) g_removeOnSignal[i] = keep[i].c_str();
  for (int sig : kFatalSignals) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return dir;
}

void PrintTable(const CAnalysisEngine& engine, XrefOutput& out) {
  for (int i = 0; i < engine.GetFunctionCount() && !out.ReaderGone() && !out.Error(); ++i) {
    out.Put("<");
    out.Put(engine.GetEntryOutName(i).view());
    out.Put(">");
    out.Put(engine.GetEntryName(i).view());
    out.Put("\n");
    const CStringList& calls = engine.GetCallList(i);
    for (POSITION pos = calls.GetHeadPosition(); pos;) {
      out.Put("\t");
      out.Put(calls.GetNextView(pos));
      out.Put("\n");
    }
  }
}

}  // namespace

int XrefMain(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  XrefOptions options = ParseXrefOptions(args);
  if (options.action == XrefOptions::kHelp) {
    WriteAll(1, XrefUsage());
    return 0;
  }
  if (options.action == XrefOptions::kUsageError) {
    WriteAll(2, "tolvane-xref: " + options.error + "\n" + XrefUsage());
    return 2;
  }

  std::string cwd;
  std::vector<CString> paths;
  for (const std::string& f : options.files) {
    if (f.empty() || f[0] != '/') {
      if (cwd.empty() && !CurrentDirectory(cwd)) {
        Complain(std::string("cannot tell the current directory (") + std::strerror(errno) + ")");
        return 1;
      }
    }
    paths.push_back(CString(AbsoluteXrefPath(f, cwd)));
  }

  // A reader that goes away shows up as EPIPE from write(), not as a signal.
  ::signal(SIGPIPE, SIG_IGN);

  int status = 0;
  std::string failure;
  std::unique_ptr<CWorkingDir> workDir;
  CAnalysisEngine engine;
  try {
    workDir = CreateWorkingDir();
    engine.Run(paths, CString(options.extension), workDir->GetPath());
  } catch (const CFileException& e) {
    failure = e.GetErrorMessage().str();
    status = 1;
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
    status = 1;
  } catch (const std::exception& e) {
    failure = e.what();
    status = 1;
  }

  XrefOutput out(1);
  PrintTable(engine, out);
  if (!out.Flush()) {
    Complain(std::string("cannot write the output (") + std::strerror(out.Error()) + ")");
    status = 1;
  }
  if (!failure.empty()) Complain(failure);
  workDir.reset();
  return status;
}
