// tolvane: the desktop program.
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/tolvane_app.h"

CTolvaneApp theApp;

int main(int argc, char** argv) {
  // --help and --version answer at once: no window, no look for another copy.
  CommandLine cl = ParseCommandLine(argc, argv);
  switch (cl.action) {
    case CommandLine::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case CommandLine::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandLine::kMisuse:
      std::fprintf(stderr, "tolvane: %s\n%s", cl.error.c_str(), UsageText().c_str());
      return 2;
    case CommandLine::kStart:
      break;
  }
  // A report past the file size limit (ulimit -f) fails with EFBIG and is
  // named like any failed write, where the signal would end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  theApp.m_startPaths = cl.paths;
  return AfxWinMain(argc, argv);
}
