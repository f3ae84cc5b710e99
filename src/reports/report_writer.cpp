#include "reports/report_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <stdio.h>
#include <set>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>

#include "analysis/pipeline.h"
#include "analysis/report_head.h"
#include "platform/files/file_exception.h"
#include "platform/files/write_all.h"
#include "platform/files/removed_on_signal.h"
#include "reports/report_writer_testing.h"

namespace {

[[noreturn]] void Fail(const CString& outName, int err) {
  CFileException::Cause cause = CFileException::CauseFromOpenError(err);
  if (cause == CFileException::generic) cause = CFileException::writeError;
  throw CFileException(cause, outName, err);
}

std::function<void(const std::string&)> g_beforeRename;

// Puts temp in place of a file named path that does not exist, and fails
// with EEXIST when one does, however late it came.
bool RenameNoReplace(const std::string& temp, const std::string& path) {
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != EPERM && errno != ENOSYS) return false;
  // A link fails just as surely on a name that exists.
  if (::link(temp.c_str(), path.c_str()) == 0) {
    ::unlink(temp.c_str());
    return true;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return false;
  // Some file systems (vfat, some network mounts) know neither: there only
  // a check before the rename is left, which a file made in between beats.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

ReportPlan PlanReports(const CFunctionTable& engine) {
  std::set<std::pair<dev_t, ino_t>> analysed;
  for (int i = 0; i < engine.GetFileCount(); ++i) {
    struct stat st;
    if (::stat(engine.GetFileSource(i).GetString(), &st) == 0)
      analysed.insert({st.st_dev, st.st_ino});
  }
  ReportPlan plan;
  std::unordered_set<std::string_view> seen;
  for (int i = 0; i < engine.GetFunctionCount(); ++i) {
    const CString& name = engine.GetEntryOutName(i);
    if (!seen.insert(name.view()).second) continue;
    struct stat st;
    if (::stat(name.GetString(), &st) == 0 && analysed.count({st.st_dev, st.st_ino})) {
      plan.skipped.push_back(name);
      continue;
    }
    plan.outputs.push_back(name);
    // lstat: a dangling symbolic link is still something the report replaces.
    if (::lstat(name.GetString(), &st) == 0) plan.existing.push_back(name);
  }
  return plan;
}

CReportWriter::CReportWriter(const CFunctionTable& engine) : m_engine(engine) {
  for (int i = 0; i < engine.GetFunctionCount(); ++i)
    m_entries[engine.GetEntryOutName(i).view()].push_back(i);
}

TextEncoding CReportWriter::Encoding(const CString& outName) const {
  auto it = m_entries.find(outName.view());
  if (it == m_entries.end()) return TextEncoding::kCp932;
  TextEncoding shared = TextEncoding::kAscii;
  for (int i : it->second) {
    TextEncoding e = m_engine.GetFileEncoding(m_engine.GetEntryFile(i));
    if (e == TextEncoding::kAscii || e == shared) continue;
    if (shared != TextEncoding::kAscii) return TextEncoding::kCp932;  // sources differ
    shared = e;
  }
  return shared == TextEncoding::kAscii ? TextEncoding::kCp932 : shared;
}

std::string CReportWriter::Text(const CString& outName) const {
  std::string text;
  auto it = m_entries.find(outName.view());
  if (it == m_entries.end()) return text;
  std::string_view header = ReportHeadIn(Encoding(outName));
  for (int i : it->second) {
    text += header;
    text += m_engine.GetEntryName(i);
    text += '\n';
    const CCallList calls = m_engine.GetCallList(i);
    for (POSITION pos = calls.GetHeadPosition(); pos;) {
      text += '\t';
      text += calls.GetNextView(pos);
      text += '\n';
    }
    text += '\n';
  }
  return text;
}

void SetBeforeRenameHookForTesting(std::function<void(const std::string&)> hook) {
  g_beforeRename = std::move(hook);
}

void CReportWriter::Write(const CString& outName, bool replace) const {
  ReplaceFileWith(outName, Text(outName), replace);
}

void ReplaceFileWith(const CString& outName, std::string_view text, bool replace) {
  const std::string& path = outName.str();
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string temp = folder + (slash == std::string::npos ? "/" : "") + ".tolvane-XXXXXX";

  struct stat st;
  bool replaces = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);

  int fd = ::mkostemp(&temp[0], O_CLOEXEC);
  if (fd < 0) Fail(outName, errno);
  CRemovedOnSignal onSignal(temp, CRemovedOnSignal::kFile);
  // The old file is replaced only by a complete new one, on disk before
  // the rename makes it visible.
  int err = WriteAll(fd, text);
  if (err == 0) err = SealReplacement(fd, replaces ? &st : nullptr);
  bool ok = err == 0;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && g_beforeRename) g_beforeRename(path);
  if (ok && !(replace ? ::rename(temp.c_str(), path.c_str()) == 0 : RenameNoReplace(temp, path))) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    if (err == EEXIST) throw CFileException(CFileException::alreadyExists, outName, err);
    Fail(outName, err);
  }
}

void WriteReport(const CFunctionTable& engine, const CString& outName, bool replace) {
  CReportWriter(engine).Write(outName, replace);
}

std::string ReportText(const CFunctionTable& engine, const CString& outName) {
  return CReportWriter(engine).Text(outName);
}
