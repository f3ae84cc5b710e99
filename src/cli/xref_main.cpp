#include "cli/xref_main.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "analysis/pipeline.h"
#include "cli/xref_formats.h"
#include "cli/xref_options.h"
#include "cli/xref_output.h"
#include "cli/xref_progress.h"
#include "cli/xref_sources.h"
#include "cli/xref_stream.h"
#include "cli/xref_target.h"
#include "platform/files/drives.h"
#include "platform/files/file_exception.h"
#include "platform/files/working_dir.h"
#include "platform/files/write_all.h"
#include "platform/text/terminal_escape.h"
#include "reports/report_writer.h"
#include "res/images.h"

namespace {

// Standard error is where a failure would be told: one there goes untold.
// Every message names files as they are, control characters escaped: a
// name must not be able to steer the terminal.
void Complain(const std::string& message) {
  WriteAll(2, "tolvane-xref: " + EscapedForTerminal(message) + "\n");
}

// The private working folder, which a fatal signal removes too.
std::unique_ptr<CWorkingDir> CreateWorkingDir() {
  return CWorkingDir::CreateRemovedOnSignal({CAnalysisEngine::kWorkFile1, CAnalysisEngine::kWorkFile2});
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string VersionText() { return TolvaneVersionText("tolvane-xref"); }

// The source that output (a full path) would replace, or "" when none.
std::string SourceAt(const std::string& output, const std::vector<XrefSource>& sources) {
  struct stat out;
  if (::stat(output.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return std::string();
  for (const XrefSource& s : sources) {
    struct stat st;
    if (::stat(s.path.c_str(), &st) == 0 && st.st_dev == out.st_dev && st.st_ino == out.st_ino)
      return s.path;
  }
  return std::string();
}

// Hands the stream the entries of a long file while the run finds them,
// every kFeedEvery functions, so that a file of a million functions never
// waits whole in one batch: the entries before the current one are final.
class StreamFeeder : public IAnalysisSink {
 public:
  static constexpr int kFeedEvery = 10000;
  /// stream may be null: then nothing is fed.
  explicit StreamFeeder(XrefStream* stream) : m_pStream(stream) {}
  /// The table the run fills, once the engine exists.
  void Watch(const CFunctionTable& table) { m_pTable = &table; }
  void OnFunctionAdded(int index) override {
    if (m_pStream && m_pTable && index % kFeedEvery == 0) m_pStream->Feed(*m_pTable, index);
  }
  void OnCalleeAdded(const CString&) override {}

 private:
  XrefStream* m_pStream;
  const CFunctionTable* m_pTable = nullptr;
};

// Analyses the sources in order as one run. A named file that fails ends
// the run (failure says why); any other is named on stderr and skipped.
// After each file, the entries before the current function, which are
// final, go to stream when there is one. Returns false when a file was
// skipped.
bool AnalyzeSources(CAnalysisEngine& engine, const std::vector<XrefSource>& sources,
                    const XrefOptions& options, const std::string& workDir,
                    XrefStream* stream, const XrefOutput& out, std::string& failure) {
  bool clean = true;
  // Only a terminal gets progress: the size of each file then costs a stat.
  std::unique_ptr<XrefProgress> progress;
  if (!options.quiet && ::isatty(2))
    progress.reset(new XrefProgress(2, static_cast<int>(sources.size())));
  CString extension(options.extension);
  engine.SetEncoding(options.encoding);
  engine.BeginRun(workDir);
  for (const XrefSource& s : sources) {
    // Nobody reads the output any more (`| head`): the rest would be work
    // for nothing, unless the reports still want the whole run.
    if (out.ReaderGone() && !options.reports) break;
    try {
      engine.AnalyzeFile(CString(s.path), extension);
    } catch (const CFileException& e) {
      std::string message = e.GetErrorMessage().str();
      bool own = e.m_strFileName.str() == s.path;
      if (own && e.m_cause == CFileException::notRegularFile && IsFolder(s.path))
        message = s.path + " is a folder; give -R to analyse the sources below it.";
      // A working file that fails (a full disk) fails every file after it.
      if (s.named || !own) {
        failure = message;
        break;
      }
      if (progress) progress->Finish();
      Complain(message + " Skipped.");
      clean = false;
    }
    if (stream) stream->Feed(engine.GetTable(), engine.GetTable().GetCurrentFunction());
    if (progress) {
      struct stat st;
      bool sized = ::stat(s.path.c_str(), &st) == 0;
      progress->FileDone(sized ? static_cast<std::uint64_t>(st.st_size) : 0);
    }
  }
  if (progress) progress->Finish();
  if (failure.empty()) engine.EndRun();
  return clean;
}

// The reports of a complete run, as --reports asks. Returns the exit status.
int WriteReports(const CFunctionTable& engine, bool force) {
  ReportPlan plan = PlanReports(engine);
  if (!force && !plan.existing.empty()) {
    for (const CString& name : plan.existing)
      Complain(name.str() + " exists already: no report written (--force replaces it).");
    return 1;
  }
  int status = 0;
  for (const CString& name : plan.skipped) {
    Complain(name.str() + " is a file the run analysed: its report is not written.");
    status = 1;
  }
  CReportWriter writer(engine);
  for (const CString& name : plan.outputs) {
    try {
      writer.Write(name, force);
    } catch (const CFileException& e) {
      // Made by someone else since the check above: kept, as that check keeps it.
      if (e.m_cause == CFileException::alreadyExists)
        Complain(name.str() + " exists already: no report written (--force replaces it).");
      else
        Complain(e.GetErrorMessage().str());
      status = 1;
    }
  }
  return status;
}

// --help, --version or a usage error: answered without a run. Returns the
// exit status.
int Answer(const XrefOptions& options) {
  if (options.action == XrefOptions::kUsageError) {
    // The whole usage would bury the one line that matters.
    WriteAll(2, "tolvane-xref: " + EscapedForTerminal(options.error) +
                    "\nTry 'tolvane-xref --help' for more information.\n");
    return 2;
  }
  int err = WriteAll(1, options.action == XrefOptions::kHelp ? XrefUsage() : VersionText());
  if (err) Complain(std::string("cannot write the output (") + std::strerror(err) + ")");
  return err ? 1 : 0;
}

XrefSelection SelectionOf(const XrefOptions& options) {
  XrefSelection selection;
  if (options.callers) {
    selection.kind = XrefSelection::kCallers;
    selection.name = *options.callers;
  } else if (options.callees) {
    selection.kind = XrefSelection::kCallees;
    selection.name = *options.callees;
  }
  return selection;
}

// The -o file, opened. Null, the reason told, when it cannot be written or
// is one of the sources.
std::unique_ptr<XrefTarget> OpenTarget(const std::string& output, const std::string& cwd,
                                       const std::vector<XrefSource>& sources) {
  if (cwd.empty() && output[0] != '/') {
    Complain("cannot tell the current directory");
    return nullptr;
  }
  std::string path = AbsoluteXrefPath(output, cwd);
  std::string source = SourceAt(path, sources);
  if (!source.empty()) {
    Complain(source + " is a file the run analyses: no output written to it.");
    return nullptr;
  }
  auto target = std::make_unique<XrefTarget>();
  std::string why;
  if (!target->Open(path, &why)) {
    Complain(why);
    return nullptr;
  }
  return target;
}

// TOLVANE_XREF_THREADS=1 formats on the main thread, =2 on a thread of its
// own, whatever the format and the processors; unset (or anything else),
// the run decides.
std::optional<bool> ThreadsChosen() {
  const char* v = std::getenv("TOLVANE_XREF_THREADS");
  if (v && std::strcmp(v, "1") == 0) return false;
  if (v && std::strcmp(v, "2") == 0) return true;
  return std::nullopt;
}

// Formats other than text are formatted on a second thread where there
// are processors for two, unless TOLVANE_XREF_THREADS says otherwise.
bool SecondThread(const XrefOptions& options, bool streaming) {
  bool helps = streaming && options.format != XrefOptions::kText &&
               XrefStream::SecondThreadHelps();
  return ThreadsChosen().value_or(helps);
}

// The run, in a working folder of its own. Returns false when a file was
// skipped; *failure says why the run ended early.
bool Analyze(CAnalysisEngine& engine, const std::vector<XrefSource>& sources,
             const XrefOptions& options, XrefStream* stream, const XrefOutput& out,
             std::string* failure) {
  bool clean = true;
  try {
    std::unique_ptr<CWorkingDir> workDir = CreateWorkingDir();
    clean = AnalyzeSources(engine, sources, options, workDir->GetPath(), stream, out, *failure);
  } catch (const CFileException& e) {
    *failure = e.GetErrorMessage().str();
  } catch (const std::bad_alloc&) {
    *failure = "Out of memory.";
  } catch (const std::exception& e) {
    *failure = e.what();
  }
  return clean;
}

// Hands the formatter the rest of what the run found, whatever happened to
// the run, and has it finish. *failure, when still empty, says why it
// could not.
void FinishFormatting(const CFunctionTable& table, XrefStream& stream, std::string* failure) {
  try {
    stream.Feed(table, table.GetFunctionCount());
    stream.Finish();
  } catch (const std::bad_alloc&) {
    if (failure->empty()) *failure = "Out of memory.";
  } catch (const std::exception& e) {
    if (failure->empty()) *failure = e.what();
  }
}

// Writes what remains of the output and puts the -o file in place, or
// leaves the old one when the run failed (failure not empty); then says
// what went wrong, the failure included. Returns false when the output
// could not be written.
bool CompleteOutput(XrefOutput& out, XrefTarget* target, const std::string& failure) {
  bool written = true;
  std::string kept;  // why the output file stayed as it was
  if (!out.Flush()) {
    if (target) {
      Complain(XrefTargetWriteError(target->path(), out.Error()));
    } else {
      Complain(std::string("cannot write the output (") + std::strerror(out.Error()) + ")");
    }
    written = false;
  } else if (target && !failure.empty()) {
    // A run cut short would replace a whole output with less.
    target->Discard();
    kept = target->path() + " is left as it was: the run did not finish.";
  } else if (target) {
    std::string why;
    if (!target->Commit(&why)) {
      Complain(why);
      written = false;
    }
  }
  if (!failure.empty()) Complain(failure);
  if (!kept.empty()) Complain(kept);
  return written;
}

}  // namespace

int XrefMain(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  XrefOptions options = ParseXrefOptions(args);
  if (options.action != XrefOptions::kRun) return Answer(options);

  // A reader that goes away shows up as EPIPE from write(), not as a signal;
  // a file past the size limit (ulimit -f) as EFBIG, reported as any other
  // failed write, where the signal would end the run without a word and
  // leave the temporary files.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);

  int status = 0;
  // "" when unknown: then only full paths can be taken.
  std::string cwd = GetCurrentDirectory().str();
  std::vector<XrefSource> sources;
  std::string fatal;
  auto skipped = [&status](const std::string& message) {
    Complain(message);
    status = 1;
  };
  if (!GatherXrefSources(options, cwd, 0, skipped, &sources, &fatal)) {
    Complain(fatal);
    return 1;
  }

  XrefLayout layout;
  layout.lineNumbers = options.lineNumbers;
  layout.cwd = cwd;
  std::unique_ptr<XrefTarget> target;
  if (!options.output.empty()) {
    target = OpenTarget(options.output, cwd, sources);
    if (!target) return 1;
    layout.output = AbsoluteXrefPath(options.output, cwd);
  }
  int outFd = target ? target->fd() : 1;
  XrefOutput out(outFd);
  XrefSelection selection = SelectionOf(options);
  std::unique_ptr<XrefFormatter> formatter =
      MakeXrefFormatter(options.format, selection, out, layout);
  // The output is written while the run goes on, except to a terminal,
  // where it would mix with the progress display.
  bool streaming = !::isatty(outFd);
  XrefStream stream(*formatter, selection, SecondThread(options, streaming));

  StreamFeeder feeder(streaming ? &stream : nullptr);
  CAnalysisEngine engine(&feeder);
  feeder.Watch(engine.GetTable());
  std::string failure;
  if (!Analyze(engine, sources, options, streaming ? &stream : nullptr, out, &failure)) status = 1;
  FinishFormatting(engine.GetTable(), stream, &failure);
  if (!failure.empty()) status = 1;
  std::string leftOut = formatter->LeftOut();
  if (!leftOut.empty()) {
    Complain(leftOut);
    status = 1;
  }
  if (!CompleteOutput(out, target.get(), failure)) status = 1;
  // Reports only of a complete run: a partial one would replace good
  // reports with less.
  if (options.reports && status == 0) status = WriteReports(engine.GetTable(), options.force);
  return status;
}
