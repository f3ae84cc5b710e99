#include "analysis/classic_rules.h"

#include <unistd.h>

#include "analysis/encoding_detect.h"
#include "analysis/run_index.h"

namespace {

// Thrown inside the passes when the run is to stop; Analyze catches it.
struct StopRequested {};

class CClassicRuleSet : public IRuleSet {
 public:
  std::vector<std::string> WorkFileNames() const override {
    return {CClassicRules::kWorkFile1, CClassicRules::kWorkFile2};
  }
  std::unique_ptr<IFileAnalyzer> NewAnalyzer(const std::string& folder,
                                             EncodingChoice encoding) const override {
    return std::make_unique<CClassicRules>(folder, encoding);
  }
};

}  // namespace

const IRuleSet& ClassicRuleSet() {
  static const CClassicRuleSet rules;
  return rules;
}

CClassicRules::CClassicRules(const std::string& workDir, EncodingChoice encoding)
    : m_encodingChoice(encoding), m_pIndex(new scan::RunIndex) {
  std::string dir = workDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  m_strWorkFile1 = CString(dir + kWorkFile1);
  m_strWorkFile2 = CString(dir + kWorkFile2);
}

CClassicRules::~CClassicRules() = default;

void CClassicRules::DecideEncoding(std::string_view run) {
  // Up to the first byte above 0x7F every encoding reads alike, so the
  // file is read as ASCII until one comes; from there the rules look ahead
  // to the end of the file, through what the file has buffered and then
  // what the page cache holds, without moving the reads of the pass.
  TextEncoding encoding = TextEncoding::kAscii;
  if (!DecideFileEncoding(run, *m_pSource, &encoding)) return;
  m_bDeciding = false;
  m_pUnit->SetEncoding(encoding);
  m_bByteWise = !PairsLeadBytes(encoding);
}

void CClassicRules::CheckStop() {
  if (m_pUnit->StopRequested()) throw StopRequested();
}

bool CClassicRules::IsOwnFile(const CString& path) const {
  return path == m_strWorkFile1 || path == m_strWorkFile2;
}

void CClassicRules::CloseWorkFiles() {
  if (m_pWorkFile1) m_pWorkFile1->Close();
  if (m_pWorkFile2) m_pWorkFile2->Close();
  m_pWorkFile1.reset();
  m_pWorkFile2.reset();
}

void CClassicRules::RemoveWorkFiles() {
  m_pWorkFile1.reset();
  m_pWorkFile2.reset();
  ::unlink(m_strWorkFile1.GetString());
  ::unlink(m_strWorkFile2.GetString());
}

void CClassicRules::MakeWorkFiles() {
  Rewind(m_pWorkFile1, m_strWorkFile1, false);
  Rewind(m_pWorkFile2, m_strWorkFile2, false);
}

CStdioFile& CClassicRules::Rewind(std::unique_ptr<CStdioFile>& file, const CString& path,
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

void CClassicRules::Analyze(const CString& path, CFileUnit& unit) {
  // A failure closes every file and leaves the working files on disk as
  // they are.
  struct Cleanup {
    CClassicRules* e;
    bool done = false;
    // A source that cannot be opened leaves the working files as they
    // are, open: no thread need make them again.
    bool workFilesUntouched = false;
    ~Cleanup() {
      e->m_pInFile = e->m_pOutFile = nullptr;
      e->m_pSource.reset();
      e->m_bInComment = 0;
      e->m_bDeciding = false;
      e->m_pUnit = nullptr;
      if (!done && !workFilesUntouched) {
        e->m_pWorkFile1.reset();
        e->m_pWorkFile2.reset();
      }
    }
  } cleanup{this};

  m_pUnit = &unit;
  cleanup.workFilesUntouched = true;
  m_pSource.reset(new CStdioFile(path, CStdioFile::modeRead | CStdioFile::typeText));
  cleanup.workFilesUntouched = false;
  TextEncoding encoding = TextEncoding::kAscii;
  switch (m_encodingChoice) {
    case EncodingChoice::kAuto: break;
    case EncodingChoice::kCp932: encoding = TextEncoding::kCp932; break;
    case EncodingChoice::kUtf8: encoding = TextEncoding::kUtf8; break;
    case EncodingChoice::kEucJp: encoding = TextEncoding::kEucJp; break;
  }
  unit.BeginFile(path, encoding);
  m_bByteWise = !PairsLeadBytes(encoding);
  m_bDeciding = m_encodingChoice == EncodingChoice::kAuto;

  try {
    CStdioFile& work1 = Rewind(m_pWorkFile1, m_strWorkFile1, true);
    m_pInFile = m_pSource.get();
    m_pOutFile = &work1;
    m_work1Lines.Clear();
    m_pOutLines = &m_work1Lines;
    m_outPlace = lines::Place();
    InsertOut(kHeaderLine);
    LineCommentPass();
    m_bDeciding = false;  // all ASCII, or decided: the working files are not the source
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
  } catch (const StopRequested&) {
    // The run ends here; the working files hold what they hold.
  }
  cleanup.done = true;
}
