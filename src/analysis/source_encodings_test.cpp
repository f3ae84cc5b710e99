// Sources in Shift-JIS, UTF-8 and EUC-JP: each file is read in the encoding
// its bytes show, so the same text gives the same table in all three.
#include <gtest/gtest.h>

#include <iconv.h>
#include <random>
#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "platform/files/stdio_file.h"
#include "tests/engine_table.h"
#include "tests/temp_dir.h"

namespace {

const char* const kEncodings[] = {"CP932", "UTF-8", "EUC-JP"};

// utf8 transcoded to encoding (an iconv name).
std::string Transcode(const std::string& utf8, const char* encoding) {
  iconv_t cd = iconv_open(encoding, "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << encoding;
  std::string in = utf8, out(utf8.size() * 2 + 16, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t left = in.size(), room = out.size();
  EXPECT_NE(iconv(cd, &src, &left, &dst, &room), static_cast<std::size_t>(-1)) << utf8;
  iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

// Analyses one file of bytes, each encoding decided from them.
std::string Analyze(const TempDir& dir, const std::string& bytes, TextEncoding* decided = nullptr,
                    EncodingChoice choice = EncodingChoice::kAuto) {
  CAnalysisEngine e;
  CSourceList sources({CString(dir.Write("s.c", bytes))});
  AnalysisRequest request;
  request.encoding = choice;
  EXPECT_FALSE(e.Run(sources, request).failure);
  if (decided) *decided = e.GetTable().GetFileEncoding(0);
  return TableText(e.GetTable());
}

TEST(SourceEncodings, TrapCharactersGiveTheSameTableInEveryEncoding) {
  TempDir dir;
  const std::string entry = "<" + dir.Join("s.fnc") + ">";
  struct Case {
    const char* what;
    std::string text, table;
  } cases[] = {
      // EUC-JP あ is A4 A2: half-width katakana to the rules, and read alike.
      {"あ before */", "/* あ*/\nint f(void)\n{\n    g();\n}\n", "f\n\tg\n"},
      {"ソ before */ (Shift-JIS 83 5C)", "/* ソ*/\nint f(void)\n{\n    g();\n}\n", "f\n\tg\n"},
      {"表 in a string (95 5C)", "int f(void)\n{\n    g(\"表\");\n}\n", "f\n\tg\n"},
      {"能 before a line end (94 5C)", "int f(void) /* 能 */\n{\n    g(); // 能\n}\n", "f\n\tg\n"},
      // ボ is 83 7B: its "{" would make k a head.
      {"ボ after a call", "void f(void)\n{\n    k(x) + \"ボ\";\n}\n", "f\n\tk\n"},
      // マ is 83 7D: its "}" would end the head before its ")".
      {"マ inside a head", "int k(\"マ\"\n, int y)\n{\n    g();\n}\n", "k\n\tg\n"},
      {"あ before \"", "int f(void)\n{\n    g(\"あ\"/*\"*/);\n    h();\n}\n", "f\n\tg\n\th\n"},
      {"あ before a line end", "int f(void)\n{\n    g(); /* あ\n*/  h();\n    k();\n}\n", "f\n\tk\n"},
      // EUC-JP 語 is B8 EC: EC is a Shift-JIS lead byte and would take the "*".
      {"語 before */", "/* 語*/\nint f(void)\n{\n    g();\n}\n", "f\n\tg\n"},
      {"half-width katakana alone", "/* ｶﾀｶﾅ*/\nint f(void)\n{\n    g(\"ﾃｽﾄ\");\n}\n", "f\n\tg\n"},
  };
  for (const Case& c : cases) {
    std::string expected;
    for (std::size_t at = 0, next; at < c.table.size(); at = next) {
      next = c.table.find('\n', at) + 1;
      expected += (c.table[at] == '\t' ? "" : entry) + c.table.substr(at, next - at);
    }
    for (const char* encoding : kEncodings)
      EXPECT_EQ(Analyze(dir, Transcode(c.text, encoding)), expected) << c.what << " in " << encoding;
  }
  // Read as Shift-JIS, the third byte of UTF-8 あ (0x82) takes the "*" with it.
  EXPECT_EQ(Analyze(dir, "/* あ*/\nint f(void)\n{\n    g();\n}\n", nullptr, EncodingChoice::kCp932), "");
}

TEST(SourceEncodings, TheDecisionLeavesTheTextBeingReadAsItWas) {
  // The first byte above 0x7F comes in the first buffer of a long file,
  // which ends at any byte of its lines, for some at a line end.
  TempDir dir;
  CStdioFile::SetBufferSize(512);
  for (int pad = 0; pad < 40; ++pad) {
    std::string text = std::string(pad, 'x') + "\n";
    for (int i = 0; i < 40; ++i) text += "void f" + std::to_string(i) + "(void)\n{\n  g();\n}\n";
    text.insert(text.size() / 30, "/* \xE3\x81\x82*/\n");
    TextEncoding decided;
    ASSERT_EQ(Analyze(dir, text, &decided), Analyze(dir, text, nullptr, EncodingChoice::kUtf8)) << pad;
    ASSERT_EQ(decided, TextEncoding::kUtf8);
  }
  CStdioFile::SetBufferSize(128 * 1024);
}

// Random C-like text with Japanese words and comments, in lines short
// enough that no piece and no statement is cut (the cut would fall at
// another character in each encoding), and with no Japanese character right
// before a name (Shift-JIS takes a name's first byte after a byte above
// 0x7F for a second byte).
std::string RandomSource(std::mt19937& rng, bool kanaOnly) {
  const char* const code[] = {"int ", "void ", "f", "g", "Draw", "CShape::CShape", "if ", "x",
                              "(", "(", ")", ")", " ", ", ", "1", "::", "~"};
  const char* const japanese[] = {" 表 ", " ソ ", " 能 ", " ボ ", " マ ", " あ ", " 語 ", "\"あ\"",
                                  "\"ボ\"", "/*ソ*/", "/*あ*/", "/*語*/", "/* マ "};
  const char* const kana[] = {" ｶﾀｶﾅ ", "\"ﾃｽﾄ\"", "/*ｿ*/"};
  const char* const ends[] = {";", "{", "}", ";", " /* ソ */;", " {", ";  // 表"};
  std::string s;
  int lines = 1 + static_cast<int>(rng() % 40);
  for (int l = 0; l < lines; ++l) {
    if (rng() % 6 == 0) {
      s += rng() % 2 ? "/* 表示\n    語 */\n" : "// あいう\n";
      continue;
    }
    int tokens = static_cast<int>(rng() % 10);
    for (int t = 0; t < tokens; ++t) {
      if (rng() % 4 == 0)
        s += kanaOnly ? kana[rng() % 3] : japanese[rng() % (sizeof japanese / sizeof *japanese)];
      else
        s += code[rng() % (sizeof code / sizeof *code)];
    }
    s += ends[rng() % (kanaOnly ? 4 : sizeof ends / sizeof *ends)];
    s += "\n";
  }
  return s;
}

TEST(SourceEncodings, TheSameSourceGivesTheSameTableInEveryEncoding) {
  TempDir dir;
  std::mt19937 rng(13);
  for (int round = 0; round < 200; ++round) {
    // Small buffers make the decision look ahead past what is buffered.
    CStdioFile::SetBufferSize(round % 2 ? 512 : 128 * 1024);
    std::string text = RandomSource(rng, round % 5 == 0);
    std::string shiftJis = Analyze(dir, Transcode(text, "CP932"));
    for (const char* encoding : {"UTF-8", "EUC-JP"})
      ASSERT_EQ(Analyze(dir, Transcode(text, encoding)), shiftJis) << encoding << ":\n" << text;
  }
  CStdioFile::SetBufferSize(128 * 1024);
}

}  // namespace
