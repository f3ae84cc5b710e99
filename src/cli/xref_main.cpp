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
#include "analysis/rule_set.h"
#include "cli/xref_formats.h"
#include "cli/xref_options.h"
#include "cli/xref_output.h"
#include "cli/xref_progress.h"
#include "cli/xref_sources.h"
#include "cli/xref_stream.h"
#include "cli/xref_target.h"
#include "platform/files/drives.h"
#include "platform/files/file_exception.h"
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

// Hands the stream each entry once it is final, so that the output is
// written while the run goes on, a file of a million functions too.
class StreamFeeder : public IAnalysisSink {
 public:
  /// stream may be null: then nothing is fed during the run.
  explicit StreamFeeder(XrefStream* stream) : m_pStream(stream) {}
  void OnEntryFinal(const CTableEntry& entry) override {
    if (!m_pStream) return;
    m_pStream->Feed(entry);
    m_nFed = entry.index + 1;
  }
  /// Feeds every entry of the table not fed yet.
  void FeedRest(XrefStream& stream, const CFunctionTable& table) {
    for (; m_nFed < table.GetFunctionCount(); ++m_nFed) stream.Feed(table.GetEntry(m_nFed));
  }

 private:
  XrefStream* m_pStream;
  int m_nFed = 0;
};

// The sources of a run with the CLI's side of it: progress on a terminal,
// a message for each file skipped, and the run cut short once nobody reads
// the output (`| head`), unless the reports still want the whole run.
class XrefRunSources : public IAnalysisSources {
 public:
  XrefRunSources(const std::vector<XrefSource>& sources, const XrefOptions& options,
                 const XrefOutput& out)
      : m_sources(sources), m_out(out), m_bReports(options.reports) {
    // Only a terminal gets progress: the size of each file then costs a stat.
    if (!options.quiet && ::isatty(2))
      m_pProgress.reset(new XrefProgress(2, static_cast<int>(sources.size())));
  }
  ~XrefRunSources() override {
    if (m_pProgress) m_pProgress->Finish();
  }
  bool Next(AnalysisSource& next) override {
    if (m_nNext >= m_sources.size() || StopNow()) return false;
    const XrefSource& s = m_sources[m_nNext++];
    next.path = CString(s.path);
    next.endsRun = s.named;
    return true;
  }
  void Done(const AnalysisSource& source, const CFileException* skipped) override {
    if (skipped) {
      if (m_pProgress) m_pProgress->Finish();
      Complain(ErrorText(*skipped, source) + " Skipped.");
      m_bClean = false;
    }
    if (m_pProgress) {
      struct stat st;
      bool sized = ::stat(source.path.GetString(), &st) == 0;
      m_pProgress->FileDone(sized ? static_cast<std::uint64_t>(st.st_size) : 0);
    }
  }
  bool StopNow() override { return m_out.ReaderGone() && !m_bReports; }
  /// Whether no file was skipped.
  bool Clean() const { return m_bClean; }

  /// What e says, for an error of source: a folder named without -R is
  /// told how to be read.
  static std::string ErrorText(const CFileException& e, const AnalysisSource& source) {
    if (e.m_cause == CFileException::notRegularFile && IsFolder(source.path.str()))
      return source.path.str() + " is a folder; give -R to analyse the sources below it.";
    return e.GetErrorMessage().str();
  }

 private:
  const std::vector<XrefSource>& m_sources;
  std::size_t m_nNext = 0;
  const XrefOutput& m_out;
  bool m_bReports;
  bool m_bClean = true;
  std::unique_ptr<XrefProgress> m_pProgress;
};

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
  // The syntax rules know a member's scope, which the question may leave out.
  selection.lastPart = options.rules == XrefOptions::kSyntax;
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

// The run. Returns false when a file was skipped; *failure says why the
// run ended early.
bool Analyze(CAnalysisEngine& engine, const std::vector<XrefSource>& sources,
             const XrefOptions& options, StreamFeeder& feeder, const XrefOutput& out,
             std::string* failure) {
  bool clean = true;
  try {
    XrefRunSources runSources(sources, options, out);
    AnalysisRequest request;
    request.extension = CString(options.extension);
    request.encoding = options.encoding;
    request.rules = options.rules == XrefOptions::kSyntax ? &SyntaxRuleSet() : &ClassicRuleSet();
    request.threads = options.jobs > 0 ? options.jobs : ProcessorsToRunOn();
    AnalysisOutcome outcome = engine.Run(runSources, request, &feeder);
    if (outcome.failure)
      *failure = outcome.failedSource
                     ? XrefRunSources::ErrorText(*outcome.failure, *outcome.failedSource)
                     : outcome.failure->GetErrorMessage().str();
    clean = runSources.Clean();
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
void FinishFormatting(const CFunctionTable& table, StreamFeeder& feeder, XrefStream& stream,
                      std::string* failure) {
  try {
    feeder.FeedRest(stream, table);
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
  layout.rules = options.rules == XrefOptions::kSyntax ? "syntax" : "classic";
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
  CAnalysisEngine engine;
  std::string failure;
  if (!Analyze(engine, sources, options, feeder, out, &failure)) status = 1;
  FinishFormatting(engine.GetTable(), feeder, stream, &failure);
  if (!failure.empty()) status = 1;
  std::string leftOut = formatter->LeftOut();
  if (!leftOut.empty()) {
    Complain(leftOut);
    status = 1;
  }
  if (!CompleteOutput(out, target.get(), failure)) status = 1;
  // A name no function has is most likely mistyped: a script must not take
  // the empty answer for a function without calls. (No caller of a name
  // is an answer.)
  bool unknownCallee = options.callees && failure.empty() && !stream.AnySelected();
  if (unknownCallee) Complain("no function is named " + *options.callees + ".");
  // Reports only of a complete run: a partial one would replace good
  // reports with less.
  if (options.reports && status == 0) status = WriteReports(engine.GetTable(), options.force);
  return unknownCallee ? 1 : status;
}
