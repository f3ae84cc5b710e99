#include "analysis/run_assembly.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "analysis/rule_set.h"
#include "platform/files/removed_on_signal.h"

CTableAssembler::CTableAssembler(CFunctionTable& table, IAnalysisSink* sink, const CString& extension)
    : m_table(table), m_writer(table), m_pSink(sink), m_strExtension(extension) {}

CString CTableAssembler::MakeOutName(const CString& path, const CString& extension) {
  std::filesystem::path p(path.str());
  p.replace_extension();
  return CString(p.native()) + "." + extension;
}

void CTableAssembler::Reset() {
  m_writer.Clear();
  m_calls.Clear();
  m_bCallsBehind = false;
  m_nFinal = 0;
}

void CTableAssembler::AddDistinctCall(std::string_view name, int line) {
  if (!HasCurrent()) return;
  m_writer.AddCall(name, line);
  m_bCallsBehind = true;
}

void CTableAssembler::CatchUpCalls() {
  m_calls.Clear();
  const auto get = [this](std::uint32_t at) { return m_writer.NameAt(at); };
  m_writer.ForEachCurrentCall([&](std::uint32_t at) { m_calls.AddNew(at, get); });
  m_bCallsBehind = false;
}

void CTableAssembler::BeginFile(const CString& source, TextEncoding encoding) {
  m_writer.AddFile(source, MakeOutName(source, m_strExtension), encoding);
}

void CTableAssembler::AddHead(std::string_view name, int line, bool inNamespace) {
  // The current function's list is complete once another head comes: this
  // is the one place that decides when an entry is final.
  if (m_nFinal < m_table.GetFunctionCount()) {
    m_nFinal = m_table.GetFunctionCount();
    if (m_pSink) m_pSink->OnEntryFinal(m_table.GetEntry(m_table.GetCurrentFunction()));
  }
  m_writer.AddEntry(name, line, inNamespace);
  m_calls.Clear();
  m_bCallsBehind = false;
  if (m_pSink) m_pSink->OnHead(m_table.GetEntry(m_table.GetCurrentFunction()));
}

void CTableAssembler::Finish() {
  if (m_nFinal < m_table.GetFunctionCount()) {
    m_nFinal = m_table.GetFunctionCount();
    if (m_pSink) m_pSink->OnEntryFinal(m_table.GetEntry(m_table.GetCurrentFunction()));
  }
  m_calls.Clear();
  m_bCallsBehind = false;
}

CFileUnit::CFileUnit(CTableAssembler* live, IAnalysisSources* sources)
    : m_pLive(live), m_pSources(sources) {}

void CFileUnit::BeginFile(const CString& source, TextEncoding encoding) {
  m_bBegan = true;
  if (m_pLive) {
    m_pLive->BeginFile(source, encoding);
    return;
  }
  m_strSource = source;
  m_encoding = encoding;
}

void CFileUnit::SetEncoding(TextEncoding encoding) {
  if (m_pLive)
    m_pLive->SetFileEncoding(encoding);
  else
    m_encoding = encoding;
}

void CFileUnit::AddHead(std::string_view name, int line, bool inNamespace) {
  if (m_pLive) {
    m_pLive->AddHead(name, line, inNamespace);
    return;
  }
  m_heads.push_back(Head{m_names.Add(name), static_cast<std::uint32_t>(line),
                         static_cast<std::uint32_t>(m_callList.size()), inNamespace});
  m_calls.Clear();
}

bool CFileUnit::StopRequested() {
  if (!m_bStopped && m_pSources && m_pSources->StopNow()) m_bStopped = true;
  return m_bStopped;
}

void CFileUnit::StitchInto(CTableAssembler& a) {
  if (!m_bBegan) return;
  a.BeginFile(m_strSource, m_encoding);
  std::size_t k = 0;
  for (std::size_t h = 0; h <= m_heads.size(); ++h) {
    // The calls before the first head go to the function current before
    // this file, through the same test of what is new.
    const std::size_t end = h < m_heads.size() ? m_heads[h].firstCall : m_callList.size();
    for (; k < end; ++k) {
      const Call& c = m_callList[k];
      // Within one of this file's functions the calls are distinct already;
      // those before its first head may repeat the previous function's.
      if (h > 0)
        a.AddDistinctCall(m_names.Get(c.name), static_cast<int>(c.line));
      else
        a.AddCall(m_names.Get(c.name), [&c] { return static_cast<int>(c.line); });
    }
    if (h < m_heads.size())
      a.AddHead(m_names.Get(m_heads[h].name), static_cast<int>(m_heads[h].line),
                m_heads[h].inNamespace);
  }
}

AnalysisOutcome RunSources(IAnalysisSources& sources, IFileAnalyzer& analyzer,
                           CTableAssembler& assembler, bool keepUnits) {
  AnalysisOutcome outcome;
  AnalysisSource source;
  while (sources.Next(source)) {
    CFileUnit unit(keepUnits ? nullptr : &assembler, &sources);
    try {
      // What a file gave before it failed stays, as it does written through.
      try {
        analyzer.Analyze(source.path, unit);
      } catch (const CFileException&) {
        if (keepUnits) unit.StitchInto(assembler);
        throw;
      } catch (const std::length_error&) {
        if (keepUnits) unit.StitchInto(assembler);
        throw;
      }
      if (keepUnits) unit.StitchInto(assembler);
    } catch (const std::length_error&) {
      // The table is full: no later file could go in either.
      outcome.failure.emplace(CFileException::tooLarge, source.path);
      outcome.failedSource = source;
      break;
    } catch (const CFileException& e) {
      // A working file that fails would fail every file after it.
      const bool own = !analyzer.IsOwnFile(e.m_strFileName);
      if (source.endsRun || !own) {
        outcome.failure = e;
        if (own) outcome.failedSource = source;
        break;
      }
      sources.Done(source, &e);
      continue;
    }
    if (unit.Stopped()) {
      outcome.stopped = true;
      break;
    }
    sources.Done(source, nullptr);
  }
  if (!outcome.failure && !outcome.stopped) outcome.stopped = sources.StopNow();
  assembler.Finish();
  if (!outcome.failure) analyzer.RemoveWorkFiles();
  return outcome;
}

namespace {

constexpr std::size_t kFilesInFlightPerThread = 8;

// What a unit analysed on another thread asks instead of the run's sources:
// whether the calling thread has seen the run end.
class CStopFlag : public IAnalysisSources {
 public:
  bool Next(AnalysisSource&) override { return false; }
  bool StopNow() override { return m_bStop.load(std::memory_order_relaxed); }
  void Set() { m_bStop.store(true, std::memory_order_relaxed); }

 private:
  std::atomic<bool> m_bStop{false};
};

// The sources of a run with the files already asked for given first.
class CAskedAhead : public IAnalysisSources {
 public:
  CAskedAhead(IAnalysisSources& sources, std::vector<AnalysisSource> asked, bool more)
      : m_sources(sources), m_asked(std::move(asked)), m_bMore(more) {}
  std::size_t Asked() const { return m_asked.size(); }
  bool Next(AnalysisSource& next) override {
    if (m_nNext < m_asked.size()) {
      next = m_asked[m_nNext++];
      return true;
    }
    // Not asked again once it has said there is no more.
    return m_bMore && (m_bMore = m_sources.Next(next));
  }
  void Done(const AnalysisSource& source, const CFileException* skipped) override {
    m_sources.Done(source, skipped);
  }
  bool StopNow() override { return m_sources.StopNow(); }

 private:
  IAnalysisSources& m_sources;
  std::vector<AnalysisSource> m_asked;
  std::size_t m_nNext = 0;
  bool m_bMore;
};

// A file in flight: analysed on some thread into its kept unit, then
// stitched on the calling thread.
struct SideJob {
  SideJob(const AnalysisSource& s, IAnalysisSources* stop) : source(s), unit(nullptr, stop) {}
  AnalysisSource source;
  CFileUnit unit;
  std::atomic<bool> done{false};  // set under the run's mutex
  // How the analysis ended, when not well.
  std::optional<CFileException> error;
  bool workFileError = false;  // error names one of the analyser's own files
  bool tooLarge = false;
  std::exception_ptr other;
};

class CSideBySide {
 public:
  ~CSideBySide() { End(); }

  bool Start(const std::vector<IFileAnalyzer*>& analyzers) {
    m_threads.reserve(analyzers.size());
    for (IFileAnalyzer* a : analyzers) {
      try {
        m_threads.push_back(StartThreadWithoutSignals([this, a] { Work(*a); }));
      } catch (const std::system_error&) {
        break;  // fewer threads then
      }
    }
    return !m_threads.empty();
  }
  std::size_t Threads() const { return m_threads.size(); }

  void Add(SideJob* job) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_waiting.push_back(job);
      m_nWaiting.store(m_waiting.size(), std::memory_order_relaxed);
    }
    m_work.notify_one();
  }

  // Waits for job to be done, asking sources now and then whether the run
  // is to end: the units in flight then stop too. whileWaiting, if any, is
  // called at a wait's start when its last call is kPoll old, and after
  // each kPoll of waiting: a file that keeps this thread waiting long does
  // not keep the caller's windows from painting, and short waits between
  // quick files do not make it paint for each.
  void WaitFor(const SideJob& job, IAnalysisSources& sources,
               const std::function<void()>& whileWaiting) {
    if (whileWaiting && Clock::now() - m_lastCall >= kPoll) Call(whileWaiting);
    // Files take a fraction of a millisecond as a rule: a short spin saves
    // going to sleep and being woken for each.
    if (SpinUntil([&job] { return job.done.load(std::memory_order_acquire); })) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_done.wait_for(lock, kPoll, [&job] { return job.done.load(); })) {
      lock.unlock();
      if (sources.StopNow()) m_stop.Set();
      if (whileWaiting) Call(whileWaiting);
      lock.lock();
    }
  }

  bool Stopping() { return m_stop.StopNow(); }
  void Stop() { m_stop.Set(); }
  IAnalysisSources* StopFlag() { return &m_stop; }

  // Stops the files still in flight and waits for every thread.
  void End() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bEnding = true;
    }
    m_stop.Set();
    m_work.notify_all();
    for (std::thread& t : m_threads)
      if (t.joinable()) t.join();
  }

 private:
  // Spins a little while, yielding the processor, until ready() holds.
  template <class Ready>
  static bool SpinUntil(const Ready& ready) {
    for (int i = 0; i < kSpins; ++i) {
      if (ready()) return true;
      std::this_thread::yield();
    }
    return ready();
  }

  void Work(IFileAnalyzer& analyzer) {
    for (;;) {
      SideJob* job;
      SpinUntil([this] { return m_nWaiting.load(std::memory_order_relaxed) > 0 || m_stop.StopNow(); });
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_work.wait(lock, [this] { return m_bEnding || !m_waiting.empty(); });
        if (m_bEnding) return;
        job = m_waiting.front();
        m_waiting.pop_front();
        m_nWaiting.store(m_waiting.size(), std::memory_order_relaxed);
      }
      try {
        try {
          analyzer.Analyze(job->source.path, job->unit);
        } catch (const CFileException& e) {
          job->workFileError = analyzer.IsOwnFile(e.m_strFileName);
          job->error = e;
        } catch (const std::length_error&) {
          job->tooLarge = true;
        }
      } catch (...) {
        job->other = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        job->done = true;
      }
      m_done.notify_one();
    }
  }

  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kPoll{20};

  // Calls whileWaiting, without the run's lock.
  void Call(const std::function<void()>& f) {
    f();
    m_lastCall = Clock::now();
  }

  Clock::time_point m_lastCall = Clock::now();  // of whileWaiting; the calling thread's
  std::mutex m_mutex;
  std::condition_variable m_work;  // a file waits, or the run ends
  std::condition_variable m_done;  // a file is done
  std::deque<SideJob*> m_waiting;
  std::atomic<std::size_t> m_nWaiting{0};  // m_waiting.size(), read without the lock
  bool m_bEnding = false;
  static constexpr int kSpins = 200;
  CStopFlag m_stop;
  std::vector<std::thread> m_threads;
};

}  // namespace

AnalysisOutcome RunSourcesSideBySide(IAnalysisSources& runSources,
                                     const std::vector<IFileAnalyzer*>& analyzers,
                                     CTableAssembler& assembler,
                                     const std::function<void()>& whileWaiting) {
  // A run of one file gains nothing from threads, and its unit would be
  // kept whole before it is stitched: it is read on this thread, written
  // through, as are the files of a run that can start no thread.
  std::vector<AnalysisSource> asked;
  bool more = true;
  while (more && asked.size() < 2) {
    AnalysisSource next;
    more = runSources.Next(next);
    if (more) asked.push_back(next);
  }
  CAskedAhead sources(runSources, std::move(asked), more);
  // The files in flight outlive the threads that work on them.
  std::deque<std::unique_ptr<SideJob>> inFlight;
  CSideBySide run;
  if (sources.Asked() < 2 || !run.Start(analyzers))
    return RunSources(sources, *analyzers.front(), assembler);
  // Files analysed ahead of a slow one wait in memory, as their units: a
  // few hundred bytes for most. Eight per thread keep every thread busy
  // while one reads a long file; two left a thread idle a third of the run.
  const std::size_t most = kFilesInFlightPerThread * run.Threads();
  AnalysisOutcome outcome;
  more = true;
  for (;;) {
    while (more && inFlight.size() < most) {
      AnalysisSource next;
      if (!sources.Next(next)) {
        more = false;
        break;
      }
      inFlight.push_back(std::make_unique<SideJob>(next, run.StopFlag()));
      run.Add(inFlight.back().get());
    }
    if (inFlight.empty()) break;
    const std::unique_ptr<SideJob> job = std::move(inFlight.front());
    inFlight.pop_front();
    run.WaitFor(*job, sources, whileWaiting);
    if (job->other) std::rethrow_exception(job->other);
    // What a file gave before it failed stays, as with one thread.
    bool tooLarge = job->tooLarge;
    try {
      job->unit.StitchInto(assembler);
    } catch (const std::length_error&) {
      tooLarge = true;
    }
    const AnalysisSource& source = job->source;
    if (tooLarge) {
      // The table is full: no later file could go in either.
      outcome.failure.emplace(CFileException::tooLarge, source.path);
      outcome.failedSource = source;
      break;
    }
    // Stitching tells the sink, which may end the run (a reader gone): the
    // files after this one then go unread, as with one thread.
    if (sources.StopNow()) run.Stop();
    if (run.Stopping()) {
      outcome.stopped = true;
      break;
    }
    if (job->error) {
      // A working file that fails would fail every file after it.
      if (source.endsRun || job->workFileError) {
        outcome.failure = job->error;
        if (!job->workFileError) outcome.failedSource = source;
        break;
      }
      sources.Done(source, &*job->error);
      continue;
    }
    sources.Done(source, nullptr);
  }
  run.End();
  if (!outcome.failure && !outcome.stopped) outcome.stopped = sources.StopNow();
  assembler.Finish();
  if (!outcome.failure)
    for (IFileAnalyzer* a : analyzers) a->RemoveWorkFiles();
  return outcome;
}
