#include "analysis/pipeline.h"

#include "analysis/analysis_run.h"

CAnalysisEngine::CAnalysisEngine(IAnalysisSink* sink) : m_pRun(new CAnalysisRun(sink)) {}

CAnalysisEngine::~CAnalysisEngine() = default;

void CAnalysisEngine::Run(const std::vector<CString>& files, const CString& extension,
                          const std::string& workDir) {
  m_pRun->Run(files, extension, workDir);
}

void CAnalysisEngine::BeginRun(const std::string& workDir) { m_pRun->BeginRun(workDir); }

void CAnalysisEngine::AnalyzeFile(const CString& path, const CString& extension) {
  m_pRun->AnalyzeFile(path, extension);
}

void CAnalysisEngine::EndRun() { m_pRun->EndRun(); }

void CAnalysisEngine::ResetFunctionTable() { m_pRun->ResetFunctionTable(); }

const CFunctionTable& CAnalysisEngine::GetTable() const { return m_pRun->GetTable(); }
