#include "analysis/pipeline.h"

#include <sched.h>

#include <algorithm>
#include <thread>

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

int ProcessorsToRunOn() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0)
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::max(1, CPU_COUNT(&set));
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
    m_nSubfolders = 0;
  }
  const int threads = std::min(request.threads, AnalysisRequest::kMaxThreads);
  if (threads > 1) {
    // Each thread's working files go into a subfolder of its own, made at
    // the first run that needs it; one that cannot be made means a thread
    // fewer.
    std::vector<std::unique_ptr<IFileAnalyzer>> analyzers;
    std::vector<IFileAnalyzer*> each;
    for (int i = 0; i < threads; ++i) {
      std::string folder = m_pFolder->GetPath();
      if (!files.empty()) {
        const std::string name = std::to_string(i + 1);
        if (i >= m_nSubfolders) {
          try {
            m_pFolder->AddSubfolderRemovedOnSignal(name, files);
          } catch (const CFileException&) {
            break;
          }
          m_nSubfolders = i + 1;
        }
        folder += "/" + name;
      }
      analyzers.push_back(rules.NewAnalyzer(folder, request.encoding));
      try {
        analyzers.back()->MakeWorkFiles();
      } catch (const CFileException&) {
        analyzers.pop_back();
        break;
      }
      each.push_back(analyzers.back().get());
    }
    if (!each.empty()) {
      outcome = RunSourcesSideBySide(sources, each, assembler, request.whileWaiting);
      outcome.table = &m_table;
      return outcome;
    }
  }
  std::unique_ptr<IFileAnalyzer> analyzer = rules.NewAnalyzer(m_pFolder->GetPath(), request.encoding);
  outcome = RunSources(sources, *analyzer, assembler);
  outcome.table = &m_table;
  return outcome;
}
