#include "analysis/analysis_engine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "analysis/run_index.h"
#include "analysis/scanners.h"
#include "platform/text/mbcs.h"

CAnalysisEngine::CAnalysisEngine(IAnalysisSink* sink)
    : m_pSink(sink), m_pIndex(new scan::RunIndex) {}

CAnalysisEngine::~CAnalysisEngine() = default;

CString CAnalysisEngine::MakeOutName(const CString& path, const CString& extension) {
  std::filesystem::path p(path.str());
  p.replace_extension();
  return CString(p.native()) + "." + extension;
}

void CAnalysisEngine::BeginFile(const CString& path, const CString& extension) {
  m_strOutName = MakeOutName(path, extension);
  m_files.push_back(FileInfo{path, m_strOutName});
}

CString CAnalysisEngine::GetEntryText(int i) const {
  const Entry& e = m_entries[i];
  return "<" + m_files[e.file].outName + ">" + e.name;
}

void CAnalysisEngine::BeginRun(const std::string& workDir) {
  ResetFunctionTable();
  std::string dir = workDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  m_strWorkFile1 = CString(dir + kWorkFile1);
  m_strWorkFile2 = CString(dir + kWorkFile2);
}

void CAnalysisEngine::Run(const std::vector<CString>& files, const CString& extension,
                          const std::string& workDir) {
  BeginRun(workDir);
  for (const CString& f : files) AnalyzeFile(f, extension);
  EndRun();
}

void CAnalysisEngine::EndRun() {
  ::unlink(m_strWorkFile1.GetString());
  ::unlink(m_strWorkFile2.GetString());
}

void CAnalysisEngine::CloseFiles() {
  // Closing the writer first reports a failed final write.
  if (m_pOutFile) m_pOutFile->Close();
  m_pOutFile.reset();
  if (m_pInFile) m_pInFile->Close();
  m_pInFile.reset();
}

void CAnalysisEngine::CreateWorkFile(const CString& path) {
  // Reused in place: a new file per pass costs an inode, and some file
  // systems write a truncated and rewritten file out to disk at its close.
  m_pOutFile.reset(new CStdioFile(path, CStdioFile::modeCreate | CStdioFile::modeReuse |
                                            CStdioFile::modeWrite | CStdioFile::typeText));
}

void CAnalysisEngine::AnalyzeFile(const CString& path, const CString& extension) {
  // Whatever happens, no file stays open past this call; a failure leaves
  // the working files on disk as they are.
  struct Cleanup {
    CAnalysisEngine* e;
    ~Cleanup() {
      e->m_pOutFile.reset();
      e->m_pInFile.reset();
      e->m_bInComment = 0;
    }
  } cleanup{this};

  m_pInFile.reset(new CStdioFile(path, CStdioFile::modeRead | CStdioFile::typeText));
  BeginFile(path, extension);

  const unsigned kRead = CStdioFile::modeRead | CStdioFile::typeText;

  CreateWorkFile(m_strWorkFile1);
  m_pOutFile->WriteString(CString(kHeaderLine));
  LineCommentPass();
  CloseFiles();

  m_pInFile.reset(new CStdioFile(m_strWorkFile1, kRead));
  CreateWorkFile(m_strWorkFile2);
  m_bInComment = 0;
  BlockCommentPass();
  m_bInComment = 0;
  CloseFiles();

  m_pInFile.reset(new CStdioFile(m_strWorkFile2, kRead));
  StatementPass();
  CloseFiles();
}

