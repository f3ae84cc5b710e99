#include "tests/classic_run.h"

ClassicRun::ClassicRun(IAnalysisSink* sink)
    : m_pSink(sink), m_assembler(m_table, sink, "fnc"), m_unit(&m_assembler),
      m_pRules(new CClassicRules("")) {
  m_pRules->SetUnit(&m_unit);
}

void ClassicRun::BeginRun(const std::string& workDir) {
  m_assembler.Reset();
  m_pRules.reset(new CClassicRules(workDir, m_encoding));
}

void ClassicRun::AnalyzeFile(const CString& path, const CString& extension) {
  m_assembler.SetExtension(extension);
  CFileUnit unit(&m_assembler);
  m_pRules->Analyze(path, unit);
}

void ClassicRun::EndRun() {
  m_assembler.Finish();
  m_pRules->RemoveWorkFiles();
}

void ClassicRun::Run(const std::vector<CString>& files, const CString& extension,
                     const std::string& workDir, bool keepUnits) {
  BeginRun(workDir);
  m_assembler.SetExtension(extension);
  CSourceList sources(files);
  AnalysisOutcome outcome = RunSources(sources, *m_pRules, m_assembler, keepUnits);
  if (outcome.failure) throw *outcome.failure;
}
