#include <fcntl.h>
#include <unistd.h>

#include <new>

#include "cli/xref_main.h"

int main(int argc, char** argv) {
  // Started with a standard descriptor closed, the first file opened would
  // take its number, and the output would go into a working file.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0 && ::open("/dev/null", O_RDWR) != fd) return 1;
  try {
    return XrefMain(argc, argv);
  } catch (const std::bad_alloc&) {
    static const char kMessage[] = "tolvane-xref: Out of memory.\n";
    if (::write(2, kMessage, sizeof kMessage - 1) < 0) return 1;
    return 1;
  }
}
