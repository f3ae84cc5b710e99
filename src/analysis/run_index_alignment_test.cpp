// Heads at every offset within the scanner's blocks: a keyword, a class
// name or a "::" that straddles a block boundary must be seen whole. The
// engine against the plain algorithm (tests/plain_run), 0 to 127 bytes of
// padding before each head, both vector widths.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/classic_run.h"
#include "analysis/run_index.h"
#include "tests/engine_table.h"
#include "tests/plain_run.h"
#include "tests/temp_dir.h"

namespace {

// Each after a function of its own, whose calls a missed head would take.
const char* const kHeads[] = {
    "void C::m(int a)\n{\n  g();\n}\n",
    "int\tf(void)\n{\n  h();\n}\n",
    "CShape::CShape()\n{\n  k();\n}\n",
    "CShape::~CShape()\n{\n  d();\n}\n",
    "unsigned long u(void)\n{\n  w();\n}\n",
    "BOOL b() {\n  m();\n}\n",
};

TEST(RunIndexAlignment, FindsHeadsAtEveryOffsetAsThePlainAlgorithmDoes) {
  TempDir dir;
  for (bool wide : {true, false}) {
    scan::RunIndex::UseWideVectors(wide);
    for (int pad = 0; pad < 128; ++pad) {
      // Spaces on the head's own line, and a comment line before it.
      std::vector<std::pair<std::string, std::string>> files;
      for (std::size_t h = 0; h < sizeof kHeads / sizeof kHeads[0]; ++h) {
        const std::string before = "void p(void)\n{\n  q();\n}\n";
        files.emplace_back(dir.Join("s" + std::to_string(h) + ".c"),
                           before + std::string(pad, ' ') + kHeads[h]);
        std::string comment = pad == 0 ? "" : "//" + std::string(pad - 1, 'c') + "\n";
        files.emplace_back(dir.Join("c" + std::to_string(h) + ".c"), before + comment + kHeads[h]);
      }
      for (const auto& [path, bytes] : files) WriteWholeFile(path, bytes);
      ClassicRun e;
      e.BeginRun(dir.path());
      for (const auto& file : files) e.AnalyzeFile(CString(file.first), "fnc");
      e.CloseWorkFiles();
      PlainRun plain = RunPlain(files, "fnc");
      ASSERT_EQ(TableText(e.GetTable()), plain.table) << "pad " << pad << (wide ? " wide" : " narrow");
      ASSERT_EQ(ReadWholeFile(dir.Join("tmp1.fnc")), plain.work1) << "pad " << pad;
      ASSERT_EQ(ReadWholeFile(dir.Join("tmp2.fnc")), plain.work2) << "pad " << pad;
      ASSERT_EQ(LinesText(e.GetTable()), plain.lines) << "pad " << pad;
    }
  }
  scan::RunIndex::UseWideVectors(true);
}

}  // namespace
