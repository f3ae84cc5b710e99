#include "analysis/analysis_engine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "analysis/scanners.h"
#include "platform/text/mbcs.h"

CAnalysisEngine::CAnalysisEngine(IAnalysisSink* sink) : m_pSink(sink) {}

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
  // A new file rather than a truncated one: some file systems write a file
  // that was truncated and rewritten out to disk when it is closed, which
  // would cost a disk write per pass.
  ::unlink(path.GetString());
  m_pOutFile.reset(new CStdioFile(path, CStdioFile::modeCreate | CStdioFile::modeWrite |
                                            CStdioFile::typeText));
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

void CAnalysisEngine::LineCommentPass() {
  std::string_view line;
  while (m_pInFile->ReadPiece(line)) {
    scan::LineComment r = scan::ScanLineComment(line.data(), static_cast<int>(line.size()));
    if (r.slashes < 0) {
      m_pOutFile->WriteString(line);
    } else {
      if (!r.wordBefore) continue;  // nothing but a comment
      m_pOutFile->Write(line.data(), static_cast<std::size_t>(r.slashes));
      m_pOutFile->Write("\r\n", 2);
    }
    // A line naming one of the macros gets a line "{}" of its own, so that
    // the statement ends at the macro instead of joining the message-map
    // entries that follow it.
    for (unsigned m = r.macros; m != 0; m &= m - 1) m_pOutFile->Write("{}\n", 3);
  }
}

void CAnalysisEngine::BlockCommentPass() {
  std::string_view line;
  while (m_pInFile->ReadPiece(line)) {
    scan::Comments c = scan::ScanComments(line.data(), static_cast<int>(line.size()));
    if (m_bInComment) {
      if (c.close >= 0) m_bInComment = 0;  // code after the "*/" is lost
    } else if (c.open < 0) {
      if (c.bracket) m_pOutFile->WriteString(line);
    } else if (c.close < 0) {
      m_bInComment = 1;  // the line is dropped whole, code before "/*" too
    } else {
      // Only the text from the first "/*" to the first "*/" goes.
      m_pOutFile->Write(line.data(), static_cast<std::size_t>(c.open));
      m_pOutFile->WriteString(line.substr(static_cast<std::size_t>(c.close) + 2));
    }
  }
}

namespace {

// Whether piece holds "{", ";" or "}" at a character boundary. carryLead
// says that the text before it ended in a lead byte, which takes the
// piece's first byte; on return it says the same of this piece.
bool EndsStatement(std::string_view piece, bool& carryLead) {
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  std::size_t n = piece.size();
  std::size_t i = carryLead ? 1 : 0;
  carryLead = false;
  while (i < n) {
    unsigned char b = p[i];
    if (b == '{' || b == ';' || b == '}') return true;
    if (mbcs::IsLeadByte(b)) {
      if (i + 1 == n) {
        carryLead = true;
        return false;
      }
      i += 2;
    } else {
      ++i;
    }
  }
  return false;
}

}  // namespace

void CAnalysisEngine::StatementPass() {
  // A statement is gathered until its text holds "{", ";" or "}". Only its
  // first kMaxStatement bytes are kept, so a file without any statement end
  // is still read in constant memory.
  std::string_view piece;
  CString& statement = m_strStatement;
  while (m_pInFile->ReadPiece(piece)) {
    statement.Empty();
    bool carryLead = false;
    for (;;) {
      std::size_t room = static_cast<std::size_t>(kMaxStatement - statement.GetLength());
      statement.Append(piece.data(), std::min(room, piece.size()));
      if (EndsStatement(piece, carryLead) || !m_pInFile->ReadPiece(piece)) break;
    }
    // Without a "(" a statement is neither a head nor holds a call.
    if (!std::memchr(statement.GetString(), '(', static_cast<std::size_t>(statement.GetLength())))
      continue;
    scan::Statement s;
    scan::ScanStatement(statement.GetString(), statement.GetLength(), s);
    if (!RecognizeHead(statement, s)) ExtractCalls(statement, m_szCallName);
  }
}
