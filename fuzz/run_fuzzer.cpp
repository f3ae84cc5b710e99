// Fuzz target: a whole analysis run over one or two files made from the
// input, checked against the plain algorithm, then a run of the syntax
// rules over the same files. Any difference, crash, hang or sanitizer
// report is a finding.
//
// Input: byte 0 chooses one or two files, small or large file buffers, the
// vector width and whether the text is read as Shift-JIS or byte by byte
// (as UTF-8 and EUC-JP are); byte 1 where the input is split between the files; the
// rest is the files' text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "tests/classic_run.h"
#include "analysis/pipeline.h"
#include "analysis/rule_set.h"
#include "analysis/run_index.h"
#include "tests/engine_table.h"
#include "tests/plain_run.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char path[] = "/tmp/tolvane-fuzz-XXXXXX";
    if (!mkdtemp(path)) std::abort();
    return std::string(path);
  }();
  return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned control = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  std::vector<std::pair<std::string, std::string>> files;
  if (control & 1) {
    std::size_t split = text.size() * data[1] / 255;
    files.emplace_back(Folder() + "/a.c", text.substr(0, split));
    files.emplace_back(Folder() + "/b.cpp", text.substr(split));
  } else {
    files.emplace_back(Folder() + "/a.c", text);
  }
  for (const auto& [path, bytes] : files) WriteFile(path, bytes);

  CStdioFile::SetBufferSize(control & 2 ? 512 + (control >> 4) * 7 : 128 * 1024);
  scan::RunIndex::UseWideVectors((control & 4) != 0);
  const bool byteWise = (control & 8) != 0;
  ClassicRun engine;
  engine.SetEncoding(byteWise ? EncodingChoice::kUtf8 : EncodingChoice::kCp932);
  engine.BeginRun(Folder());
  for (const auto& file : files) engine.AnalyzeFile(CString(file.first), "fnc");
  engine.CloseWorkFiles();

  PlainRun plain = RunPlain(files, "fnc", byteWise);
  std::string work1, work2;
  for (auto [name, into] : {std::make_pair("/tmp1.fnc", &work1), std::make_pair("/tmp2.fnc", &work2)}) {
    FILE* f = std::fopen((Folder() + name).c_str(), "rb");
    if (!f) std::abort();
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) into->append(buf, n);
    std::fclose(f);
  }
  const std::string table = TableText(engine.GetTable()), lines = LinesText(engine.GetTable());
  if (work1 != plain.work1 || work2 != plain.work2 || table != plain.table || lines != plain.lines) {
    std::fprintf(stderr, "the engine and the plain algorithm differ\n--- engine\n%s%s--- plain\n%s%s",
                 table.c_str(), lines.c_str(), plain.table.c_str(), plain.lines.c_str());
    std::abort();
  }
  engine.EndRun();

  // The syntax rules over the same files: no crash, no hang, no sanitizer
  // report, and no entry or call past the longest name.
  CAnalysisEngine syntax;
  std::vector<CString> paths;
  for (const auto& file : files) paths.emplace_back(file.first);
  CSourceList sources(paths);
  AnalysisRequest request;
  request.rules = &SyntaxRuleSet();
  request.encoding = byteWise ? EncodingChoice::kUtf8 : EncodingChoice::kAuto;
  syntax.Run(sources, request);
  const CFunctionTable& t = syntax.GetTable();
  for (int i = 0; i < t.GetFunctionCount(); ++i) {
    if (t.GetEntryName(i).size() > 255 || t.GetEntryLine(i) < 1) std::abort();
    for (const CString& call : t.GetCallList(i))
      if (call.GetLength() > 255 || call.IsEmpty()) std::abort();
  }
  return 0;
}
