#include "analysis/analysis_engine.h"

#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "platform/text/mbcs.h"

namespace {

// Lines naming one of these macros get a line "{}" of their own, so that
// the statement ends at the macro instead of joining the message-map
// entries that follow it.
const char* const kMacroNames[] = {"IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE",
                                   "BEGIN_MESSAGE_MAP", "END_MESSAGE_MAP"};

}  // namespace

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

  const unsigned kCreate = CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText;
  const unsigned kRead = CStdioFile::modeRead | CStdioFile::typeText;

  m_pOutFile.reset(new CStdioFile(m_strWorkFile1, kCreate));
  m_pOutFile->WriteString(CString(kHeaderLine));
  LineCommentPass();
  CloseFiles();

  m_pInFile.reset(new CStdioFile(m_strWorkFile1, kRead));
  m_pOutFile.reset(new CStdioFile(m_strWorkFile2, kCreate));
  m_bInComment = 0;
  BlockCommentPass();
  m_bInComment = 0;
  CloseFiles();

  m_pInFile.reset(new CStdioFile(m_strWorkFile2, kRead));
  StatementPass();
  CloseFiles();
}

void CAnalysisEngine::LineCommentPass() {
  CString line;
  while (m_pInFile->ReadString(line)) {
    if (!CutLineComment(line)) continue;
    for (const char* macro : kMacroNames)
      if (line.Find(macro) >= 0) line += "{}\n";
    m_pOutFile->WriteString(line);
  }
}

void CAnalysisEngine::BlockCommentPass() {
  CString line;
  while (m_pInFile->ReadString(line)) {
    if (m_bInComment) {
      if (!LacksCommentClose(line)) m_bInComment = 0;
      continue;
    }
    if (LacksCommentOpen(line)) {
      if (HasBracket(line)) m_pOutFile->WriteString(line);
    } else if (LacksCommentClose(line)) {
      m_bInComment = 1;  // the line is dropped whole, code before "/*" too
    } else {
      int open = line.Find("/*");
      int close = line.Find("*/");
      m_pOutFile->WriteString(line.Left(open) + line.Mid(close + 2));
    }
  }
}

void CAnalysisEngine::StatementPass() {
  // A statement is gathered until its text holds "{", ";" or "}" at a
  // character boundary. Only its first kMaxStatement bytes are kept, so a
  // file without any statement end is still read in constant memory; the
  // scan goes on over every byte, carrying a lead byte that ends one line
  // over to the first byte of the next.
  CString piece;
  CString statement;
  while (m_pInFile->ReadString(piece)) {
    statement.Empty();
    bool carryLead = false;
    for (;;) {
      int room = kMaxStatement - statement.GetLength();
      if (room > 0)
        statement.Append(piece.GetString(),
                         static_cast<std::size_t>(std::min(room, piece.GetLength())));
      const auto* p = reinterpret_cast<const unsigned char*>(piece.GetString());
      int n = piece.GetLength();
      int i = carryLead ? 1 : 0;
      bool ended = false;
      carryLead = false;
      while (i < n) {
        unsigned char b = p[i];
        if (b == '{' || b == ';' || b == '}') {
          ended = true;
          break;
        }
        if (mbcs::IsLeadByte(b)) {
          if (i + 1 == n) {
            carryLead = true;
            break;
          }
          i += 2;
        } else {
          ++i;
        }
      }
      if (ended || !m_pInFile->ReadString(piece)) break;
    }
    if (!RecognizeHead(statement)) ExtractCalls(statement, m_szCallName);
  }
}
