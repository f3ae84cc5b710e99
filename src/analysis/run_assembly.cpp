#include "analysis/run_assembly.h"

#include <filesystem>
#include <stdexcept>

#include "analysis/rule_set.h"

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
  m_nFinal = 0;
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
  if (m_pSink) m_pSink->OnHead(m_table.GetEntry(m_table.GetCurrentFunction()));
}

void CTableAssembler::Finish() {
  if (m_nFinal < m_table.GetFunctionCount()) {
    m_nFinal = m_table.GetFunctionCount();
    if (m_pSink) m_pSink->OnEntryFinal(m_table.GetEntry(m_table.GetCurrentFunction()));
  }
  m_calls.Clear();
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
