#include "analysis/analysis_run.h"

#include <filesystem>
#include <unistd.h>

#include "analysis/run_index.h"

CAnalysisRun::CAnalysisRun(IAnalysisSink* sink)
    : m_pSink(sink), m_pIndex(new scan::RunIndex) {}

CAnalysisRun::~CAnalysisRun() = default;

CString CAnalysisRun::MakeOutName(const CString& path, const CString& extension) {
  std::filesystem::path p(path.str());
  p.replace_extension();
  return CString(p.native()) + "." + extension;
}

void CAnalysisRun::BeginFile(const CString& path, const CString& extension) {
  m_strOutName = MakeOutName(path, extension);
  m_table.m_files.push_back(CFunctionTable::FileInfo{path, m_strOutName, m_table.m_calls.size()});
}

void CAnalysisRun::BeginRun(const std::string& workDir) {
  ResetFunctionTable();
  m_pWorkFile1.reset();
  m_pWorkFile2.reset();
  std::string dir = workDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  m_strWorkFile1 = CString(dir + CAnalysisEngine::kWorkFile1);
  m_strWorkFile2 = CString(dir + CAnalysisEngine::kWorkFile2);
}

void CAnalysisRun::Run(const std::vector<CString>& files, const CString& extension,
                          const std::string& workDir) {
  BeginRun(workDir);
  for (const CString& f : files) AnalyzeFile(f, extension);
  EndRun();
}

void CAnalysisRun::CloseWorkFiles() {
  if (m_pWorkFile1) m_pWorkFile1->Close();
  if (m_pWorkFile2) m_pWorkFile2->Close();
  m_pWorkFile1.reset();
  m_pWorkFile2.reset();
}

void CAnalysisRun::EndRun() {
  m_pWorkFile1.reset();
  m_pWorkFile2.reset();
  ::unlink(m_strWorkFile1.GetString());
  ::unlink(m_strWorkFile2.GetString());
}

CStdioFile& CAnalysisRun::Rewind(std::unique_ptr<CStdioFile>& file, const CString& path,
                                    bool rewrite) {
  // Opened once a run and rewritten in place: a new file per pass would
  // cost an inode, and some file systems write a truncated and rewritten
  // file out to disk when it is closed.
  if (!file)
    file.reset(new CStdioFile(path, CStdioFile::modeCreate | CStdioFile::modeNoTruncate |
                                        CStdioFile::modeReadWrite | CStdioFile::typeText));
  file->SeekToBegin();
  // The old text goes: should the pass fail, the file holds just what it
  // wrote.
  if (rewrite) file->SetLength(0);
  return *file;
}

void CAnalysisRun::AnalyzeFile(const CString& path, const CString& extension) {
  // A failure closes every file and leaves the working files on disk as
  // they are.
  struct Cleanup {
    CAnalysisRun* e;
    bool done = false;
    ~Cleanup() {
      e->m_pInFile = e->m_pOutFile = nullptr;
      e->m_pSource.reset();
      e->m_bInComment = 0;
      if (!done) {
        e->m_pWorkFile1.reset();
        e->m_pWorkFile2.reset();
      }
    }
  } cleanup{this};

  m_pSource.reset(new CStdioFile(path, CStdioFile::modeRead | CStdioFile::typeText));
  BeginFile(path, extension);

  CStdioFile& work1 = Rewind(m_pWorkFile1, m_strWorkFile1, true);
  m_pInFile = m_pSource.get();
  m_pOutFile = &work1;
  m_work1Lines.Clear();
  m_pOutLines = &m_work1Lines;
  m_outPlace = lines::Place();
  InsertOut(CAnalysisEngine::kHeaderLine);
  LineCommentPass();
  work1.SetLength(work1.GetPosition());
  m_pSource->Close();

  CStdioFile& work2 = Rewind(m_pWorkFile2, m_strWorkFile2, true);
  m_pInFile = &Rewind(m_pWorkFile1, m_strWorkFile1, false);
  m_pOutFile = &work2;
  m_bInComment = 0;
  m_work2Lines.Clear();
  m_pOutLines = &m_work2Lines;
  m_outPlace = lines::Place();
  BlockCommentPass();
  m_bInComment = 0;
  work2.SetLength(work2.GetPosition());

  m_pInFile = &Rewind(m_pWorkFile2, m_strWorkFile2, false);
  m_pOutFile = nullptr;
  m_pOutLines = nullptr;
  StatementPass();
  cleanup.done = true;
}
