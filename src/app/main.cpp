// tolvane: the desktop program.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/tolvane_app.h"
#include "platform/files/write_all.h"

CTolvaneApp theApp;

int main(int argc, char** argv) {
  // Started with a standard descriptor closed, the display connection would
  // take its number, and the GUI library's messages would go into it.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) != fd) return 1;
  // --help and --version answer at once: no window, no look for another copy.
  CommandLine cl = ParseCommandLine(argc, argv);
  switch (cl.action) {
    case CommandLine::kHelp:
    case CommandLine::kVersion:
      if (int err = WriteAll(1, cl.action == CommandLine::kHelp ? UsageText() : VersionText())) {
        WriteAll(2, std::string("tolvane: cannot write the output (") + std::strerror(err) + ")\n");
        return 1;
      }
      return 0;
    case CommandLine::kMisuse:
      WriteAll(2, "tolvane: " + cl.error + "\nTry 'tolvane --help' for more information.\n");
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
