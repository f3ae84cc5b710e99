// The classic rules, step by step: the three passes through two working
// files, the line tests, head recognition and call extraction. The engine
// reaches them through ClassicRuleSet() (rule_set.h); the tests use the
// steps one by one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/line_map.h"
#include "analysis/report_head.h"
#include "analysis/rule_set.h"
#include "analysis/run_assembly.h"
#include "platform/files/stdio_file.h"
#include "platform/text/basic_types.h"
#include "platform/text/cstring.h"

namespace scan {
struct Statement;
class RunIndex;
}

/// A name buffer: at most 63 bytes of identifier and a terminating zero.
typedef char NameBuffer[64];

class CClassicRules : public IFileAnalyzer {
 public:
  /// How much of a statement the recognisers see.
  static constexpr int kMaxStatement = 255;
  static constexpr const char* kWorkFile1 = "tmp1.fnc";
  static constexpr const char* kWorkFile2 = "tmp2.fnc";
  /// The first line of the first working file: "関数名：" in Shift-JIS.
  static constexpr const char* kHeaderLine = kReportHeadLine;

  /// The working files go into workDir, which must exist and be writable;
  /// they are opened at the first file.
  explicit CClassicRules(const std::string& workDir,
                         EncodingChoice encoding = EncodingChoice::kAuto);
  ~CClassicRules() override;
  CClassicRules(const CClassicRules&) = delete;
  CClassicRules& operator=(const CClassicRules&) = delete;

  // ---- A file ----

  /// Takes the file through the three passes into unit. The current
  /// function of the run carries into the file through the unit. Throws
  /// CFileException when the file or a working file cannot be opened, read
  /// or written: what was recorded so far stays, and so do the working
  /// files.
  void Analyze(const CString& path, CFileUnit& unit) override;
  bool IsOwnFile(const CString& path) const override;
  /// Closes and deletes both working files. A file that cannot be deleted
  /// (or does not exist) is no error.
  void RemoveWorkFiles() override;
  void MakeWorkFiles() override;
  /// Closes the working files, leaving them on disk just as the last file's
  /// passes wrote them (while open, they may be longer). Files can follow.
  /// Throws CFileException when closing fails.
  void CloseWorkFiles();

  // ---- The operations of a file, usable one by one ----

  /// The unit AddFunction, RecognizeHead and ExtractCalls record into.
  void SetUnit(CFileUnit* unit) { m_pUnit = unit; }

  /// TRUE when the line is to be kept: it holds no "//", or a letter, digit
  /// or "_" stands before its first "//"; then the line is cut at the "//"
  /// and CR LF takes the comment's place. FALSE drops the line.
  static BOOL CutLineComment(CString& line);
  /// TRUE when the line holds no "/*".
  static BOOL LacksCommentOpen(const CString& line);
  /// TRUE when the line holds no "*/".
  static BOOL LacksCommentClose(const CString& line);
  /// TRUE when the line holds any of "(", ")", "{", "}".
  static BOOL HasBracket(const CString& line);

  /// TRUE when the statement is consumed: a function head, recorded with
  /// AddFunction, or a declaration, recorded nowhere. FALSE: no head;
  /// nothing was recorded, and the calls in it are to be collected.
  BOOL RecognizeHead(const CString& statement);

  /// The identifier that ends nearest before the "(" at text[pos], after
  /// any blanks and further "(" between them; letters, digits, "_", ":" and
  /// "~" make it up, and it is cut to its first 63 bytes. Returns FALSE and
  /// leaves out unchanged when there is none.
  static BOOL GetFunctionName(const CString& text, NameBuffer& out, int pos);
  /// FALSE for the words that are never calls: for, while, if, switch,
  /// return, exit, sizeof and ":".
  static BOOL IsCallName(const char* name);
  /// Appends an entry for name (found in the file being analysed) and makes
  /// it the current function.
  void AddFunction(const char* name);
  /// Appends each name called in the statement, once, to the call list of
  /// the current function (nothing before the run's first head). name is
  /// scratch space.
  void ExtractCalls(const CString& statement, NameBuffer& name);

 private:
  // Reads the input of a pass a run of whole pieces at a time, indexes each
  // run for the classes of the set (a scan::RunIndex::Set) and hands it to f.
  template <class F>
  void ForEachRun(int set, F f);
  void LineCommentPass();
  void LineCommentPiece(std::string_view line);
  void BlockCommentPass();
  void BlockCommentPiece(std::string_view line);
  void StatementPass();
  void HandleStatement(std::string_view statement, bool inRun);
  // Copies bytes [from, to) of the run being read to the pass's output,
  // noting where they came from; part is such a range too.
  void CopyOut(std::size_t from, std::size_t to);
  void CopyOut(std::string_view part);
  // Writes a text of the pass's own.
  void InsertOut(std::string_view text);
  // Makes statement (in the run being read, or not) the one whose lines
  // StatementLine gives.
  void SetStatement(std::string_view statement, bool inRun);
  // The source line of byte offset of the statement.
  int StatementLine(int offset);
  // AddFunction, for a head whose name stands on line.
  void AddEntry(const char* name, int line);
  void HandleIndexedStatement(const char* run, std::size_t from, std::size_t to);
  // Throws the run's stop once the unit asks for it.
  void CheckStop();
  // Decides the source file's encoding when run, the next text the
  // line-comment pass reads from it, holds its first byte above 0x7F.
  void DecideEncoding(std::string_view run);
  // Opens a working file if need be and goes back to its start, to read it
  // or (rewrite) to replace its text.
  CStdioFile& Rewind(std::unique_ptr<CStdioFile>& file, const CString& path, bool rewrite);
  // The operations above, on text in place.
  BOOL RecognizeText(std::string_view statement);
  BOOL RecognizeScanned(std::string_view statement, const scan::Statement& s);
  void CollectCalls(std::string_view statement, NameBuffer& name);
  void CollectCallAt(std::string_view statement, int pos, NameBuffer& name);
  void CollectName(std::string_view name, int start);
  static bool IsCallName(std::string_view name);
  // GetFunctionName, also giving the offset of the name's first byte.
  // byteWise: no byte before the name is taken for a Shift-JIS lead byte.
  static BOOL NameBefore(std::string_view text, NameBuffer& out, int pos, int* start = nullptr,
                         bool byteWise = false);

  CFileUnit* m_pUnit = nullptr;
  EncodingChoice m_encodingChoice;
  // The file being analysed is read byte by byte (UTF-8, EUC-JP) rather
  // than with Shift-JIS lead bytes paired.
  bool m_bByteWise = false;
  // The source file's encoding is still to be decided from its bytes.
  bool m_bDeciding = false;

  // The run's state. The working files stay open from the first file of a
  // run to its end, and are rewound for every pass; m_pInFile and
  // m_pOutFile are the file each pass reads and writes.
  std::unique_ptr<CStdioFile> m_pSource;
  std::unique_ptr<CStdioFile> m_pWorkFile1;
  std::unique_ptr<CStdioFile> m_pWorkFile2;
  CStdioFile* m_pInFile = nullptr;
  CStdioFile* m_pOutFile = nullptr;
  int m_bInComment = 0;
  NameBuffer m_szFuncName = {};  // the name of the last head
  NameBuffer m_szCallName = {};  // scratch for the names of calls
  CString m_strWorkFile1;
  CString m_strWorkFile2;
  CString m_strStatement;                    // one that runs on past a run
  std::unique_ptr<scan::RunIndex> m_pIndex;  // of the run being read
  const char* m_pRun = nullptr;              // the run being read

  // Where the bytes of the working files came from: work 1 in the source,
  // work 2 in work 1. Each pass notes what it copies in the map of its
  // output; the statement pass traces names back through both.
  lines::LineMap m_work1Lines;
  lines::LineMap m_work2Lines;
  lines::LineMap* m_pOutLines = nullptr;  // of the pass's output
  lines::PlaceCursor m_inPlaces;          // in the pass's input
  lines::Place m_outPlace;                // of the next byte written
  // The statement being handled, for StatementLine.
  const char* m_pStatement = nullptr;
  bool m_bStatementInRun = false;
  std::size_t m_nStatementFrom = 0;  // where it starts in the run, when in one
  lines::Place m_statementStart;     // where it starts in work 2, when not
};
