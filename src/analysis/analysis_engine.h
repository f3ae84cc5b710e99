// The analysis engine: takes chosen C and C++ source files through three
// passes and builds the function table.
//
// For each file, the line-comment pass copies the source into the first
// working file without its line comments, the block-comment pass copies the
// lines that can matter (those with a bracket) into the second working file
// without their block comments, and the statement pass joins those lines
// into statements, each ending at the first line that holds "{", ";" or "}".
// A statement is either a function head (recorded as a new entry of the
// table, which then becomes the current function), a declaration (dropped),
// or text whose calls are collected into the current function's call list.
// Nothing tracks braces: a function's calls are those met between its head
// and the next one, across files of the same run.
//
// Text is bytes and is never transcoded. Each file is read in the encoding
// its bytes show (or the one the caller chose for the run): Shift-JIS pairs
// each lead byte with the byte after it, while UTF-8 and EUC-JP, which
// never hold a byte below 0x80 inside a character, are read byte by byte. The engine knows no
// windows: it reports to its caller through IAnalysisSink and is read
// through its accessors.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/stdio_file.h"
#include "platform/text/basic_types.h"
#include "platform/text/cstring.h"
#include "platform/text/string_list.h"
#include "platform/text/text_encoding.h"

namespace scan {
struct Statement;
class RunIndex;
}

/// Where a run reports its progress. Both calls come from inside the run and
/// must be cheap.
class IAnalysisSink {
 public:
  virtual ~IAnalysisSink() = default;
  /// Entry `index` was appended to the function table.
  virtual void OnFunctionAdded(int index) = 0;
  /// `name` was appended to the call list of the current function.
  virtual void OnCalleeAdded(const CString& name) = 0;
};

/// A name buffer: at most 63 bytes of identifier and a terminating zero.
typedef char NameBuffer[64];

class CAnalysisEngine {
 public:
  static constexpr const char* kWorkFile1 = "tmp1.fnc";
  static constexpr const char* kWorkFile2 = "tmp2.fnc";
  /// The first line of the first working file: "関数名：" in Shift-JIS.
  static constexpr const char* kHeaderLine =
      "\x8A\xD6\x90\x94\x96\xBC\x81\x46\n";
  /// How much of a statement the recognisers see.
  static constexpr int kMaxStatement = 255;

  /// sink may be null; it is not owned.
  explicit CAnalysisEngine(IAnalysisSink* sink = nullptr);
  ~CAnalysisEngine();
  CAnalysisEngine(const CAnalysisEngine&) = delete;
  CAnalysisEngine& operator=(const CAnalysisEngine&) = delete;

  // ---- A run ----

  /// How the files analysed from now on are read: each in the encoding
  /// its bytes show (kAuto, the default), or every one in the one given.
  void SetEncoding(EncodingChoice choice) { m_encodingChoice = choice; }
  EncodingChoice GetEncoding() const { return m_encodingChoice; }

  /// Starts a run: empties the function table and names the two working
  /// files inside workDir, which must exist and be writable.
  void BeginRun(const std::string& workDir);

  /// Takes one chosen file (a full path) through the three passes, naming
  /// its entries after the path with its extension replaced by extension.
  /// The table and the current function carry over from the files before.
  /// Throws CFileException when the file or a working file cannot be
  /// opened, read or written: the run ends there, what was recorded so far
  /// stays, and so do the working files.
  void AnalyzeFile(const CString& path, const CString& extension);

  /// Closes the working files, leaving them on disk just as the last file's
  /// passes wrote them (while open, they may be longer). A run can go on
  /// after it. Throws CFileException when closing fails.
  void CloseWorkFiles();

  /// Ends a complete run: deletes both working files. A file that cannot be
  /// deleted (or does not exist) is no error.
  void EndRun();

  /// BeginRun, AnalyzeFile for each file in order, EndRun. Throws as
  /// AnalyzeFile does, leaving the working files in place.
  void Run(const std::vector<CString>& files, const CString& extension,
           const std::string& workDir);

  // ---- The function table ----

  int GetFunctionCount() const { return static_cast<int>(m_entries.size()); }
  /// "<", the output name of the entry's file, ">", the function name.
  CString GetEntryText(int i) const;
  const CString& GetEntryName(int i) const { return m_entries[i].name; }
  /// The output name of the file in which entry i was found.
  const CString& GetEntryOutName(int i) const { return m_files[m_entries[i].file].outName; }
  /// The chosen file in which entry i was found, as it was given.
  const CString& GetEntrySource(int i) const { return m_files[m_entries[i].file].source; }
  /// The distinct names that function i calls, in order of first appearance.
  const CStringList& GetCallList(int i) const { return m_pCallList[i]; }
  /// The file (an index into the run's files below) in which entry i was found.
  int GetEntryFile(int i) const { return m_entries[i].file; }
  /// -1 before the first head of a run, else the index of the last one.
  int GetCurrentFunction() const { return m_nCurFunc; }
  /// The files of the run that were opened for analysis, in order: each as
  /// it was given, and its output name.
  int GetFileCount() const { return static_cast<int>(m_files.size()); }
  const CString& GetFileSource(int i) const { return m_files[i].source; }
  const CString& GetFileOutName(int i) const { return m_files[i].outName; }
  /// The encoding file i was read in: under kAuto, kAscii for a file
  /// without a byte above 0x7F; otherwise the one chosen for the run.
  TextEncoding GetFileEncoding(int i) const { return m_files[i].encoding; }
  /// The output name of the file analysed last ("" before the first).
  const CString& GetOutName() const { return m_strOutName; }

  // ---- The operations of a run, usable one by one ----

  /// Empties the table; the current function becomes -1.
  void ResetFunctionTable();

  /// Makes path the file whose heads AddFunction records, with the output
  /// name MakeOutName(path, extension).
  void BeginFile(const CString& path, const CString& extension);

  /// The output name of a chosen file: its path with the file name's
  /// extension (if any) replaced by "." and extension.
  static CString MakeOutName(const CString& path, const CString& extension);

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
  struct FileInfo {
    CString source;
    CString outName;
    TextEncoding encoding = TextEncoding::kAscii;
  };
  struct Entry {
    CString name;
    int file;
  };

  // Reads the input of a pass a run of whole pieces at a time, indexes each
  // run for the classes of the set (a scan::RunIndex::Set) and hands it to f.
  template <class F>
  void ForEachRun(int set, F f);
  void LineCommentPass();
  void LineCommentPiece(std::string_view line);
  void BlockCommentPass();
  void BlockCommentPiece(std::string_view line);
  void StatementPass();
  void HandleStatement(std::string_view statement);
  void HandleIndexedStatement(const char* run, std::size_t from, std::size_t to);
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
  void CollectName(std::string_view name);
  static bool IsCallName(std::string_view name);
  // byteWise: no byte before the name is taken for a Shift-JIS lead byte.
  static BOOL NameBefore(std::string_view text, NameBuffer& out, int pos, bool byteWise = false);

  IAnalysisSink* m_pSink;
  EncodingChoice m_encodingChoice = EncodingChoice::kAuto;
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
  CString m_strOutName;
  CString m_strWorkFile1;
  CString m_strWorkFile2;
  CString m_strStatement;                    // one that runs on past a run
  std::unique_ptr<scan::RunIndex> m_pIndex;  // of the run being read

  // The function table: entry i has call list m_pCallList[i].
  std::vector<FileInfo> m_files;
  std::vector<Entry> m_entries;
  std::vector<CStringList> m_pCallList;
  int m_nCurFunc = -1;
};
