// How a run puts the table together: each file's analysis fills a unit,
// and the assembler appends the units to the table in the order of the
// files, deciding which calls are new and when an entry is final.
//
// A unit holds one file's entries, each with its calls, and the calls met
// before the file's first head: those belong to the function current when
// the file began, the last one of the files before. A unit whose file is
// next in order (with one file at a time, always) writes through to the
// assembler as the rules find things; any other keeps them until its turn.
// Either way the table comes out the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "analysis/function_table.h"
#include "analysis/name_set.h"
#include "analysis/pipeline.h"

class IFileAnalyzer;

class CTableAssembler {
 public:
  /// Writes into table, telling sink (may be null); entries are named after
  /// their files with extension.
  CTableAssembler(CFunctionTable& table, IAnalysisSink* sink, const CString& extension);

  /// Empties the table.
  void Reset();
  void SetExtension(const CString& extension) { m_strExtension = extension; }
  /// The file whose entries and calls come next.
  void BeginFile(const CString& source, TextEncoding encoding);
  void SetFileEncoding(TextEncoding encoding) { m_writer.SetFileEncoding(encoding); }
  /// A head: a new entry, which becomes the current function.
  void AddHead(std::string_view name, int line, bool inNamespace = false);
  /// A call of the current function: kept when the function does not call
  /// name yet, at line(), and dropped before the run's first head.
  template <class LineOf>
  void AddCall(std::string_view name, const LineOf& line);
  /// A call the current function is known not to make yet: recorded
  /// without looking.
  void AddDistinctCall(std::string_view name, int line);
  bool HasCurrent() const { return m_table.GetFunctionCount() > 0; }
  /// The run is over: every entry is final.
  void Finish();

  /// The output name of a file: its path with the file name's extension (if
  /// any) replaced by "." and extension.
  static CString MakeOutName(const CString& path, const CString& extension);

 private:
  CFunctionTable& m_table;
  CFunctionTable::Writer m_writer;
  IAnalysisSink* m_pSink;
  CString m_strExtension;
  // Puts the calls AddDistinctCall recorded into m_calls.
  void CatchUpCalls();

  CNameSet m_calls;    // of the current function
  bool m_bCallsBehind = false;  // m_calls lacks some of them
  int m_nFinal = 0;    // entries the sink knows to be final
};

class CFileUnit {
 public:
  /// A unit that writes through to live, or, with none, keeps what it is
  /// given for StitchInto. sources, if any, is asked whether to stop.
  explicit CFileUnit(CTableAssembler* live = nullptr, IAnalysisSources* sources = nullptr);

  // ---- Filled by the rules ----

  /// The file is open; encoding as far as it is known.
  void BeginFile(const CString& source, TextEncoding encoding);
  /// The file's encoding, once the rules have decided it.
  void SetEncoding(TextEncoding encoding);
  /// inNamespace: the name's scope is a namespace (see CFunctionTable).
  void AddHead(std::string_view name, int line, bool inNamespace = false);
  /// A call of the last head's function, or before the first head of the
  /// previous file's last function; line() is asked only for one that is kept.
  template <class LineOf>
  void AddCall(std::string_view name, const LineOf& line);
  /// False when every call would be dropped now: before the run's first head.
  bool TakesCalls() const { return !m_pLive || m_pLive->HasCurrent(); }
  /// Whether the run is to end now. Once true, stays true.
  bool StopRequested();

  // ---- Read by the run ----

  bool Stopped() const { return m_bStopped; }
  bool Began() const { return m_bBegan; }
  /// Appends a kept unit to the table. REQUIRES: not live.
  void StitchInto(CTableAssembler& assembler);

 private:
  struct Head {
    std::uint32_t name;  // in m_names
    std::uint32_t line;
    std::uint32_t firstCall;
    bool inNamespace;
  };
  struct Call {
    std::uint32_t name;
    std::uint32_t line;
  };

  CTableAssembler* m_pLive;
  IAnalysisSources* m_pSources;
  bool m_bStopped = false;
  bool m_bBegan = false;
  // Kept: the file, its heads and calls (those before the first head
  // first), and the names of the last head's calls.
  CString m_strSource;
  TextEncoding m_encoding = TextEncoding::kAscii;
  CNameArena m_names;
  std::vector<Head> m_heads;
  std::vector<Call> m_callList;
  CNameSet m_calls;
};

/// Analyses sources in order with analyzer into assembler (which Reset has
/// emptied), one file at a time: a file's unit writes through, or with
/// keepUnits is kept and stitched once the file is done. Ends with
/// assembler.Finish(), and removes the working files after a complete run.
/// Throws std::bad_alloc.
AnalysisOutcome RunSources(IAnalysisSources& sources, IFileAnalyzer& analyzer,
                           CTableAssembler& assembler, bool keepUnits = false);

/// As RunSources, with the files analysed side by side: one thread for
/// each of analyzers (each reads with its own working files), at most eight
/// files per thread in flight, and the units stitched in the order of the
/// files on the calling thread, which alone talks to sources and to the
/// assembler's sink. The table, the sink's calls and what sources hears
/// come out as RunSources gives them with one analyser, except that Next
/// is asked ahead of the files being done. Threads that cannot be started
/// are done without; with none at all, or a run of one file, the calling
/// thread reads the files with the first analyser, as RunSources does.
/// While the calling thread waits for a file, it calls whileWaiting (if
/// any) at most every 20 ms. REQUIRES: analyzers not empty. Throws
/// std::bad_alloc.
AnalysisOutcome RunSourcesSideBySide(IAnalysisSources& sources,
                                     const std::vector<IFileAnalyzer*>& analyzers,
                                     CTableAssembler& assembler,
                                     const std::function<void()>& whileWaiting = {});

// ---- Inline ----

template <class LineOf>
void CTableAssembler::AddCall(std::string_view name, const LineOf& line) {
  if (!HasCurrent()) return;  // before the run's first head nothing is recorded
  if (m_bCallsBehind) CatchUpCalls();
  m_calls.AddIfNew(name, [this](std::uint32_t at) { return m_writer.NameAt(at); },
                   [&] { return m_writer.AddCall(name, line()); });
}

template <class LineOf>
void CFileUnit::AddCall(std::string_view name, const LineOf& line) {
  if (m_pLive) {
    m_pLive->AddCall(name, line);
    return;
  }
  m_calls.AddIfNew(name, [this](std::uint32_t at) { return m_names.Get(at); }, [&] {
    const std::uint32_t at = m_names.Add(name);
    m_callList.push_back(Call{at, static_cast<std::uint32_t>(line())});
    return at;
  });
}
