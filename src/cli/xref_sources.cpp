#include "cli/xref_sources.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_exception.h"
#include "platform/files/source_tree.h"

namespace {

std::string FileError(const std::string& path, int err) {
  return CFileException(CFileException::CauseFromOpenError(err), CString(path), err)
      .GetErrorMessage()
      .str();
}

// A list may be a pipe (`-L <(find ...)`), so it is read as a stream, not
// through the text-file layer, which takes regular files only.
bool ReadList(const std::string& name, int stdinFd, bool nullSeparated,
              std::vector<std::string>* paths, std::string* fatal) {
  int fd = name == "-" ? stdinFd : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  std::string shown = name == "-" ? "standard input" : name;
  if (fd < 0) {
    *fatal = FileError(shown, errno);
    return false;
  }
  std::string text;
  char buf[64 * 1024];
  int err = 0;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      text.append(buf, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0) err = errno;
      break;
    }
  }
  if (fd != stdinFd) ::close(fd);
  if (err) {
    *fatal = CFileException(err == EISDIR ? CFileException::notRegularFile
                                          : CFileException::readError,
                            CString(shown), err)
                 .GetErrorMessage()
                 .str();
    return false;
  }
  char sep = nullSeparated ? '\0' : '\n';
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find(sep, from);
    if (end == std::string::npos) end = text.size();
    // A list written on Windows ends its lines with CR LF.
    std::size_t last = end;
    if (!nullSeparated && last > from && text[last - 1] == '\r') --last;
    if (last > from) paths->push_back(text.substr(from, last - from));
    from = end + 1;
  }
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<std::string> WalkSourceTree(const std::string& dir,
                                        const std::vector<std::string>& suffixes,
                                        const XrefComplain& complain) {
  std::vector<CSourceTreeWalk::Failure> failures;
  std::vector<std::string> found = FindSourcesBelow(dir, suffixes, &failures);
  for (const CSourceTreeWalk::Failure& f : failures)
    complain(FileError(f.folder, f.error) + (f.inPart ? " Skipped in part." : " Skipped."));
  return found;
}

bool GatherXrefSources(const XrefOptions& options, const std::string& cwd, int stdinFd,
                       const XrefComplain& complain, std::vector<XrefSource>* sources,
                       std::string* fatal) {
  struct Given {
    std::string path;
    bool named;
  };
  std::vector<Given> given;
  for (const std::string& list : options.lists) {
    std::vector<std::string> paths;
    if (!ReadList(list, stdinFd, options.nullSeparated, &paths, fatal)) return false;
    for (std::string& p : paths) given.push_back({std::move(p), false});
  }
  for (const std::string& f : options.files) given.push_back({f, true});

  for (Given& g : given) {
    if (g.path[0] != '/') {
      if (cwd.empty()) {
        *fatal = "cannot tell the current directory";
        return false;
      }
      g.path = AbsoluteXrefPath(g.path, cwd);
    }
    // The text output is one entry per line: such a path could not be read back.
    if (g.path.find('\n') != std::string::npos) {
      complain(g.path + " holds a line feed. Skipped.");
      continue;
    }
    if (options.recursive && IsFolder(g.path)) {
      std::string dir = g.path;
      while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
      for (std::string& p : WalkSourceTree(dir, options.suffixes, complain)) {
        if (p.find('\n') != std::string::npos) {
          complain(p + " holds a line feed. Skipped.");
          continue;
        }
        sources->push_back({std::move(p), false});
      }
    } else {
      sources->push_back({std::move(g.path), g.named});
    }
  }
  return true;
}
