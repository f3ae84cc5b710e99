// The engine against the plain algorithm (tests/plain_run), on random
// C-like sources full of the bytes that matter: Shift-JIS lead and trail
// bytes, UTF-8 and EUC-JP characters, comment markers, brackets, keywords,
// long lines, CR, NUL; read as Shift-JIS and byte by byte.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/classic_run.h"
#include "analysis/run_index.h"
#include "tests/plain_run.h"
#include "tests/engine_table.h"
#include "tests/temp_dir.h"

namespace {

const char* const kTokens[] = {
    "void ", "int ", "int\t", "char ", "long\t", "short ", "float ", "unsigned ", "BOOL ",
    "BOOL\t", "static ", "print ", "(", "(", "(", ")", ")", "{", "}", ";", ";", "//", "/*",
    "*/", "/", "*", "\n", "\n", "\n", "\r\n", "\r", " ", "  ", "\t", "if", "while ", "for",
    "return", "exit", "sizeof", "::", "~", ":", "f", "g", "Draw", "CShape", "CShape::CShape",
    "CShape::~CShape", "IMPLEMENT_DYNCREATE", "DECLARE_DYNCREATE", "BEGIN_MESSAGE_MAP",
    "END_MESSAGE_MAP", "\x81", "\x83", "\x9F", "\xE0", "\xFC", "\x80", "\xA0", "\xFD",
    "\x83\x7B", "\x83\x7D", "\x8A\xD6\x90\x94", "\x83\x41", "\xE3\x81\x82", "\xB8\xEC", "=", ",", "x", "2", "_", "\"",
    "'", "#define ", "case 2: ", "->", ".",
};

std::string RandomSource(std::mt19937& rng) {
  std::string s;
  int tokens = static_cast<int>(rng() % 400);
  for (int i = 0; i < tokens; ++i) {
    unsigned pick = rng() % 100;
    if (pick == 0) {
      s += std::string(200 + rng() % 400, ' ');  // lines past 255 bytes
    } else if (pick == 1) {
      s += std::string(60 + rng() % 40, 'n');  // names past 63 bytes
    } else if (pick == 2) {
      s += std::string(1, '\0');
    } else if (pick == 3) {
      s += static_cast<char>(rng() % 256);
    } else if (pick < 8) {
      // A lead byte as the last byte of a 255-byte piece, and then a byte
      // that matters as the first of the next piece.
      std::size_t nl = s.rfind('\n');
      std::size_t lineLen = s.size() - (nl == std::string::npos ? 0 : nl + 1);
      std::size_t target = 255 * (1 + rng() % 2) - 1 - rng() % 2;
      std::string pad = "x(";
      if (lineLen + pad.size() < target) pad.append(target - lineLen - pad.size(), ' ');
      s += pad;
      s += "\x83\x81\xE0"[rng() % 3];
      s += "{;}(/*\n"[rng() % 7];
    } else {
      s += kTokens[rng() % (sizeof kTokens / sizeof kTokens[0])];
    }
  }
  return s;
}


TEST(FastPaths, GiveThePlainAlgorithmsResultsOnRandomSources) {
  TempDir dir;
  std::mt19937 rng(20261207);
  for (int round = 0; round <= 1500; ++round) {
    // Small buffers put run and block boundaries everywhere; both vector
    // widths get their turn.
    CStdioFile::SetBufferSize(round % 2 ? 512 + rng() % 300 : 128 * 1024);
    scan::RunIndex::UseWideVectors(round % 4 < 2);
    std::vector<std::pair<std::string, std::string>> files;
    int count = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < count; ++f)
      files.emplace_back(dir.Join("src" + std::to_string(f) + ".c"), RandomSource(rng));
    if (round == 1500) {  // last, 300 KB of random bytes after a head, in the usual blocks
      files.resize(1);
      files[0].second = "void f(void)\n{\n";
      for (int i = 0; i < 300000; ++i) files[0].second += static_cast<char>(rng());
    }
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : files) {
      WriteWholeFile(path, bytes);
      paths.push_back(path);
    }

    // Every other pair of rounds byte-wise, as UTF-8 and EUC-JP are read.
    const bool byteWise = round / 4 % 2 == 1;
    ClassicRun e;
    e.SetEncoding(byteWise ? EncodingChoice::kUtf8 : EncodingChoice::kCp932);
    e.BeginRun(dir.path());
    for (const auto& file : files) e.AnalyzeFile(CString(file.first), "fnc");
    e.CloseWorkFiles();
    PlainRun plain = RunPlain(files, "fnc", byteWise);
    ASSERT_EQ(ReadWholeFile(dir.Join("tmp1.fnc")), plain.work1) << "round " << round;
    ASSERT_EQ(ReadWholeFile(dir.Join("tmp2.fnc")), plain.work2) << "round " << round;
    ASSERT_EQ(TableText(e.GetTable()), plain.table) << "round " << round;
    ASSERT_EQ(LinesText(e.GetTable()), plain.lines) << "round " << round;
    if (round % 4 == 0) {
      // Each file's unit kept, then stitched: the same table.
      ClassicRun kept;
      kept.SetEncoding(byteWise ? EncodingChoice::kUtf8 : EncodingChoice::kCp932);
      kept.Run(std::vector<CString>(paths.begin(), paths.end()), "fnc", dir.path(), true);
      ASSERT_EQ(TableText(kept.GetTable()), plain.table) << "round " << round;
      ASSERT_EQ(LinesText(kept.GetTable()), plain.lines) << "round " << round;
    }
  }
  CStdioFile::SetBufferSize(128 * 1024);
  scan::RunIndex::UseWideVectors(true);
}

}  // namespace
