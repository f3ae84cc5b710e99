// What the engine makes of input no one would call source code: every case
// either gives the result the rules specify or fails with a clear message.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/analysis_engine.h"
#include "tests/plain_run.h"
#include "tests/engine_table.h"
#include "tests/temp_dir.h"

namespace {


// The engine's table for one source, and the plain algorithm's.
std::pair<std::string, std::string> BothTables(const std::string& bytes) {
  TempDir dir;
  std::string path = dir.Write("src.c", bytes);
  CAnalysisEngine e;
  e.Run({CString(path)}, "fnc", dir.path());
  return {TableText(e), RunPlain({{path, bytes}}, "fnc").table};
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

TEST(BadInput, OddBytesGiveWhatTheRulesSay) {
  const std::string head = "void f(void)\n{\n";
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"an empty file", ""},
      {"no final line feed", head + "  g();\n}"},
      {"no final line feed after a call", head + "  g()"},
      {"NUL bytes", head + std::string("  g(\0);\0\n  h\0(1);\n}\n", 20)},
      {"Ctrl-Z in the middle", head + "  g();\n\x1A\n  h();\n}\n"},
      {"CR alone", head + "  g();\r  h();\r}\r"},
      {"CR CR LF", head + "  g();\r\r\n  h();\r\r\n}\r\r\n"},
      {"lone lead bytes at line ends", head + "  g();\x81\n  h(\x9F\n);\n}\xE0\n"},
      {"a lone lead byte at the file end", head + "  g();\n}\n\xFC"},
      {"invalid Shift-JIS", head + "  \x81\x7F g(\xFD\xFE);\x80 h();\xA0(x);\n}\n"},
      {"a lead byte hiding a bracket", head + "  \x83{ g();\n  h();\n}\n"},
      {"binary", RandomBytes(200000, 1)},
      {"binary after a head", head + RandomBytes(200000, 2)},
  };
  for (const auto& c : cases) {
    auto [engine, plain] = BothTables(c.bytes);
    EXPECT_EQ(engine, plain) << c.what;
  }
}

TEST(BadInput, ReadsLinesOfMegabytesInPieces) {
  // A call whose argument runs on for four megabytes: the statement is
  // read to its ";" but only its first 255 bytes are looked at.
  std::string src = "void f(void)\n{\n  g(" + std::string(4 << 20, 'a') + ");\n  h();\n}\n";
  auto [engine, plain] = BothTables(src.substr(0, 4000) + ");\n  h();\n}\n");
  EXPECT_EQ(engine, plain);
  TempDir dir;
  std::string path = dir.Write("long.c", src);
  CAnalysisEngine e;
  e.Run({CString(path)}, "fnc", dir.path());
  EXPECT_EQ(TableText(e), "<" + dir.path() + "/long.fnc>f\n\tg\n\th\n");
}

TEST(BadInput, CutsIdentifiersOfThousandsOfBytes) {
  // The 5000-byte name fills twenty pieces; the one holding "(void)" keeps
  // the last 160 bytes of the name, of which the first 63 become the entry.
  TempDir dir;
  std::string path = dir.Write("n.c", "void " + std::string(5000, 'n') + "(void)\n{\n  " +
                                          std::string(3000, 'c') + "(1);\n}\n");
  CAnalysisEngine e;
  e.Run({CString(path)}, "fnc", dir.path());
  ASSERT_EQ(e.GetFunctionCount(), 1);
  EXPECT_EQ(e.GetEntryName(0), CString(std::string(63, 'n')));
  // The call's name stands at the end of a 255-byte piece that is not the
  // start of its statement: its first 63 bytes are collected.
  EXPECT_EQ(e.GetCallList(0).GetCount(), 1);
  EXPECT_EQ(e.GetCallList(0).GetAt(1), CString(std::string(63, 'c')));
}

TEST(BadInput, KeepsEveryOneOf300000Functions) {
  std::string src;
  src.reserve(300000 * 40);
  for (int i = 0; i < 300000; ++i)
    src += "int f" + std::to_string(i) + "(int a)\n{\n  g" + std::to_string(i % 1000) + "(a);\n}\n";
  TempDir dir;
  std::string path = dir.Write("many.c", src);
  CAnalysisEngine e;
  e.Run({CString(path)}, "fnc", dir.path());
  ASSERT_EQ(e.GetFunctionCount(), 300000);
  EXPECT_EQ(e.GetEntryText(299999), CString("<" + dir.path() + "/many.fnc>f299999"));
  EXPECT_EQ(e.GetCallList(299999).GetAt(1), CString("g999"));
  EXPECT_EQ(e.GetCurrentFunction(), 299999);
}

TEST(BadInput, GathersAFileWithoutAnyStatementEndAsOneStatement) {
  // Twenty megabytes of calls without a ";": one statement to the end of
  // the file, of which the first 255 bytes count.
  std::string src = "void f(void)\n{\n";
  while (src.size() < (20u << 20)) src += "  a(1)\n  b(2)\n";
  TempDir dir;
  std::string path = dir.Write("open.c", src);
  CAnalysisEngine e;
  e.Run({CString(path)}, "fnc", dir.path());
  EXPECT_EQ(TableText(e), "<" + dir.path() + "/open.fnc>f\n\ta\n\tb\n");
}

}  // namespace
