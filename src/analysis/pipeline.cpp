#include "analysis/pipeline.h"

#include "analysis/rule_set.h"
#include "analysis/run_assembly.h"
#include "platform/files/working_dir.h"

CSourceList::CSourceList(const std::vector<CString>& paths) {
  for (const CString& p : paths) m_sources.push_back(AnalysisSource{p, true});
}

bool CSourceList::Next(AnalysisSource& next) {
  if (m_nNext >= m_sources.size()) return false;
  next = m_sources[m_nNext++];
  return true;
}

CAnalysisEngine::CAnalysisEngine() : m_pRules(&ClassicRuleSet()) {}

CAnalysisEngine::~CAnalysisEngine() = default;

AnalysisOutcome CAnalysisEngine::Run(IAnalysisSources& sources, const AnalysisRequest& request,
                                     IAnalysisSink* sink) {
  CTableAssembler assembler(m_table, sink, request.extension);
  assembler.Reset();
  const IRuleSet& rules = request.rules ? *request.rules : ClassicRuleSet();
  m_pRules = &rules;
  AnalysisOutcome outcome;
  outcome.table = &m_table;
  // One private folder serves every run of the engine; a fatal signal
  // removes it with the working files.
  const std::vector<std::string> files = rules.WorkFileNames();
  if (!m_pFolder || files != m_folderFiles) {
    m_pFolder.reset();
    try {
      m_pFolder = CWorkingDir::CreateRemovedOnSignal(files);
    } catch (const CFileException& e) {
      outcome.failure = e;
      return outcome;
    }
    m_folderFiles = files;
  }
  std::unique_ptr<IFileAnalyzer> analyzer = rules.NewAnalyzer(m_pFolder->GetPath(), request.encoding);
  outcome = RunSources(sources, *analyzer, assembler);
  outcome.table = &m_table;
  return outcome;
}
