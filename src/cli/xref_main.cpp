#include "cli/xref_main.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <exception>
#include <new>
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
#include "platform/files/drives.h"
#include "platform/files/file_exception.h"
#include "platform/files/working_dir.h"
#include "platform/files/write_all.h"
#include "reports/report_writer.h"

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
  engine.BeginRun(workDir);
  for (const XrefSource& s : sources) {
    // Nobody reads the output any more (`| head`): the rest would be work
    // for nothing, unless the reports still want the whole run.
    if (out.ReaderGone() && !options.reports) break;
    try {
      engine.AnalyzeFile(CString(s.path), extension);
    } catch (const CFileException& e) {
      // A working file that fails (a full disk) fails every file after it.
      if (s.named || e.m_strFileName.str() != s.path) {
        failure = e.GetErrorMessage().str();
        break;
      }
      if (progress) progress->Finish();
      Complain(e.GetErrorMessage().str() + " Skipped.");
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

}  // namespace

int XrefMain(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  XrefOptions options = ParseXrefOptions(args);
  if (options.action == XrefOptions::kHelp) {
    int err = WriteAll(1, XrefUsage());
    if (err) Complain(std::string("cannot write the output (") + std::strerror(err) + ")");
    return err ? 1 : 0;
  }
  if (options.action == XrefOptions::kUsageError) {
    WriteAll(2, "tolvane-xref: " + EscapedForTerminal(options.error) + "\n" + XrefUsage());
    return 2;
  }

  // A reader that goes away shows up as EPIPE from write(), not as a signal.
  ::signal(SIGPIPE, SIG_IGN);

  int status = 0;
  std::string cwd;
  cwd = GetCurrentDirectory().str();  // "" when unknown: then only full paths can be taken
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

  XrefSelection selection;
  if (options.callers) {
    selection.kind = XrefSelection::kCallers;
    selection.name = *options.callers;
  } else if (options.callees) {
    selection.kind = XrefSelection::kCallees;
    selection.name = *options.callees;
  }
  XrefOutput out(1);
  std::unique_ptr<XrefFormatter> formatter = MakeXrefFormatter(options.format, selection, out);
  // The output is written while the run goes on, except to a terminal,
  // where it would mix with the progress display; JSON and graphs are
  // formatted on a second thread where there are processors for two.
  bool streaming = !::isatty(1);
  XrefStream stream(*formatter, selection,
                    streaming && options.format != XrefOptions::kText &&
                        XrefStream::SecondThreadHelps());

  std::string failure;
  std::unique_ptr<CWorkingDir> workDir;
  CAnalysisEngine engine;
  try {
    workDir = CreateWorkingDir();
    if (!AnalyzeSources(engine, sources, options, workDir->GetPath(),
                        streaming ? &stream : nullptr, out, failure))
      status = 1;
  } catch (const CFileException& e) {
    failure = e.GetErrorMessage().str();
  } catch (const std::bad_alloc&) {
    failure = "Out of memory.";
  } catch (const std::exception& e) {
    failure = e.what();
  }
  // Whatever happened, what was found is printed.
  try {
    stream.Feed(engine.GetTable(), engine.GetTable().GetFunctionCount());
    stream.Finish();
  } catch (const std::bad_alloc&) {
    if (failure.empty()) failure = "Out of memory.";
  } catch (const std::exception& e) {
    if (failure.empty()) failure = e.what();
  }
  if (!failure.empty()) status = 1;

  if (!out.Flush()) {
    Complain(std::string("cannot write the output (") + std::strerror(out.Error()) + ")");
    status = 1;
  }
  if (!failure.empty()) Complain(failure);
  workDir.reset();
  // Reports only of a complete run: a partial one would replace good
  // reports with less.
  if (options.reports && status == 0) status = WriteReports(engine.GetTable(), options.force);
  return status;
}
