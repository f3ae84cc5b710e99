// What the engine makes of input no one would call source code: lines and
// names far past every limit, characters split between pieces, files
// without a statement end, hundreds of thousands of functions.
#include <gtest/gtest.h>

#include <string>

#include "tests/classic_run.h"
#include "tests/engine_table.h"
#include "tests/temp_dir.h"

namespace {

TEST(BadInput, HugeAndSplitTextGivesWhatTheRulesSay) {
  TempDir dir;
  const std::string entry = "<" + dir.Join("a.fnc") + ">", head = "void f(void)\n{\n";
  const std::string piece = "  g()" + std::string(249, ' ');
  std::string many, manyTable, open = head;
  for (int i = 0; i < 300000; ++i) {
    many += "int f" + std::to_string(i) + "(int a)\n{\n  g" + std::to_string(i % 1000) + "(a);\n}\n";
    manyTable += entry + "f" + std::to_string(i) + "\n\tg" + std::to_string(i % 1000) + "\n";
  }
  while (open.size() < (20u << 20)) open += "  a(1)\n  b(2)\n";
  struct Case {
    const char* what;
    std::string bytes, table;
  } cases[] = {
      // A 255-byte piece ending in a lead byte: the "}" that starts the next
      // piece is the second byte of a character, so the statement runs on
      // into the line after it, whose call lies beyond byte 255.
      {"a character split between pieces", head + piece + "\x83}\n  h();\n}\n",
       entry + "f\n\tg\n"},
      {"the same without the lead byte", head + piece + " }\n  h();\n}\n",
       entry + "f\n\tg\n\th\n"},
      // The recognisers see a statement's first 255 bytes only: no head,
      // and f is taken for a call.
      {"a head longer than 255 bytes",
       "void m(void)\n{\n}\nvoid f(int a" + std::string(260, ' ') + ")\n{\n  g();\n}\n",
       entry + "m\n\tf\n\tg\n"},
      {"a line of four megabytes", head + "  g(" + std::string(4 << 20, 'a') + ");\n  h();\n}\n",
       entry + "f\n\tg\n\th\n"},
      // The 5000-byte name fills twenty pieces; the one holding "(void)"
      // keeps its last 160 bytes, of which the first 63 are the entry. The
      // call's name ends a piece that does not start its statement.
      {"names of thousands of bytes",
       "void " + std::string(5000, 'n') + "(void)\n{\n  " + std::string(3000, 'c') + "(1);\n}\n",
       entry + std::string(63, 'n') + "\n\t" + std::string(63, 'c') + "\n"},
      {"twenty megabytes without a statement end", std::move(open), entry + "f\n\ta\n\tb\n"},
      {"300000 functions", std::move(many), std::move(manyTable)},
      {"an empty file", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClassicRun e;
    e.Run({CString(dir.Write("a.c", c.bytes))}, "fnc", dir.path());
    EXPECT_EQ(TableText(e.GetTable()), c.table);
  }
}

}  // namespace
