#include "analysis/encoding_detect.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

#include "platform/files/stdio_file.h"
#include "tests/classic_run.h"
#include "tests/temp_dir.h"

namespace {

struct Case {
  const char* what;
  std::string bytes;
  TextEncoding expected;
};

// Each text in the middle of ASCII, so that it lands at every place of a
// vector.
const Case kCases[] = {
    {"empty", "", TextEncoding::kAscii},
    {"NUL and control bytes", std::string("int x;\0\x1A\r\n", 10), TextEncoding::kAscii},
    {"half-width katakana, also valid EUC-JP", "\xCC\xA7\xB2\xD9", TextEncoding::kCp932},
    {"half-width katakana, also valid UTF-8", "\xC3\xBD", TextEncoding::kCp932},
    {"UTF-8", "\xE3\x81\x82*/", TextEncoding::kUtf8},
    {"UTF-8 with a byte order mark", "\xEF\xBB\xBFint f(void);", TextEncoding::kUtf8},
    {"UTF-8, four bytes", "\xF0\x9F\x98\x80", TextEncoding::kUtf8},
    {"UTF-8 cut at the end", "\xE3\x81", TextEncoding::kCp932},
    {"UTF-8 overlong", "\xC0\xAF", TextEncoding::kCp932},
    {"UTF-8 surrogate", "\xED\xA0\x80", TextEncoding::kCp932},
    {"UTF-8 past U+10FFFF", "\xF4\x90\x80\x80", TextEncoding::kCp932},
    {"EUC-JP", "\xB8\xEC\xA4\xA2", TextEncoding::kEucJp},
    {"EUC-JP of bytes A1-DF alone", "\xC9\xBD\xA4\xA2", TextEncoding::kCp932},
    {"EUC-JP half-width katakana", "\x8E\xB1\xA4\xA2", TextEncoding::kEucJp},
    {"EUC-JP three bytes", "\x8F\xB0\xA1", TextEncoding::kEucJp},
    {"EUC-JP with ASCII inside a character", "\xC9\x5C", TextEncoding::kCp932},
    {"EUC-JP 8E with a byte past katakana", "\x8E\xE0", TextEncoding::kCp932},
    {"Shift-JIS with a second byte 0x5C", "\x95\x5C", TextEncoding::kCp932},
    {"Shift-JIS then a UTF-8 line", "\x83\x5C\n\xE3\x81\x82\n", TextEncoding::kCp932},
    {"UTF-8 then a Shift-JIS line", "\xE3\x81\x82\n\x83\x5C\n", TextEncoding::kCp932},
};

TEST(DetectEncoding, TakesTheFirstRuleThatHoldsWhereverTheTextStands) {
  for (bool wide : {true, false}) {
    CEncodingDetector::UseWideVectors(wide);
    for (const Case& c : kCases) {
      for (std::size_t pad : {0, 1, 15, 31, 33, 70}) {
        SCOPED_TRACE(std::string(c.what) + ", after " + std::to_string(pad) + " bytes");
        std::string text = std::string(pad, 'x') + c.bytes + std::string(pad % 7, ' ');
        EXPECT_EQ(EncodingName(DetectEncoding(text)), std::string(EncodingName(c.expected)));
      }
    }
  }
  CEncodingDetector::UseWideVectors(true);
}

// The rules once more, each on its own over the whole text and written
// from what the encodings are rather than as the detector checks them.
bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int length = b < 0x80 ? 1
                 : (b & 0xE0) == 0xC0 ? 2
                 : (b & 0xF0) == 0xE0 ? 3
                 : (b & 0xF8) == 0xF0 ? 4
                 : 0;
    if (length == 0 || i + length > s.size()) return false;
    unsigned long c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = c << 6 | (t & 0x3F);
    }
    const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool ValidEucJp(const std::string& s) {
  auto in = [&](std::size_t i, int low, int high) {
    return i < s.size() && static_cast<unsigned char>(s[i]) >= low &&
           static_cast<unsigned char>(s[i]) <= high;
  };
  for (std::size_t i = 0; i < s.size();) {
    if (in(i, 0x00, 0x7F)) i += 1;
    else if (in(i, 0xA1, 0xFE) && in(i + 1, 0xA1, 0xFE)) i += 2;
    else if (in(i, 0x8E, 0x8E) && in(i + 1, 0xA1, 0xDF)) i += 2;
    else if (in(i, 0x8F, 0x8F) && in(i + 1, 0xA1, 0xFE) && in(i + 2, 0xA1, 0xFE)) i += 3;
    else return false;
  }
  return true;
}

TextEncoding PlainEncoding(const std::string& s) {
  bool high = false, kana = true;
  for (char ch : s) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b >= 0x80) high = true;
    if (b >= 0x80 && (b < 0xA1 || b > 0xDF)) kana = false;
  }
  if (!high) return TextEncoding::kAscii;
  if (kana) return TextEncoding::kCp932;
  if (ValidUtf8(s)) return TextEncoding::kUtf8;
  if (ValidEucJp(s)) return TextEncoding::kEucJp;
  return TextEncoding::kCp932;
}

// Random text of the bytes at the edges of the rules' ranges and ASCII: in
// each, characters mostly of one encoding (or none), now and then cut short
// or a stray byte among them, and runs of ASCII of any length.
std::string RandomText(std::mt19937& rng) {
  static const unsigned char kHigh[] = {0x80, 0x8E, 0x8F, 0xA0, 0xA1, 0xBF, 0xC2,
                                        0xDF, 0xE0, 0xED, 0xF0, 0xF4, 0xF5, 0xFE};
  auto any = [&](std::initializer_list<unsigned char> from) {
    return static_cast<char>(from.begin()[rng() % from.size()]);
  };
  const int mostly = static_cast<int>(rng() % 3);  // none, UTF-8, EUC-JP
  std::string s;
  for (int n = static_cast<int>(rng() % 12); n-- > 0;) {
    int r = static_cast<int>(rng() % 10);
    std::string c;
    if (r < 2) {
      c.assign(1 + rng() % 40, r ? 'a' : '\n');
    } else if (r < 4 || mostly == 0) {
      c = static_cast<char>(kHigh[rng() % sizeof kHigh]);
    } else if (mostly == 1) {
      c = any({0xC2, 0xDF, 0xE0, 0xED, 0xF0, 0xF4, 0xF5});
      unsigned char lead = static_cast<unsigned char>(c[0]);
      for (int k = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3; k-- > 0;)
        c += any({0x80, 0x8E, 0x8F, 0xA0, 0xA1, 0xBF});
    } else {
      switch (rng() % 3) {
        case 0: c = {any({0xA1, 0xBF, 0xDF, 0xE0, 0xFE}), any({0xA1, 0xBF, 0xDF, 0xE0, 0xFE})}; break;
        case 1: c = {'\x8E', any({0xA1, 0xBF, 0xDF, 0xE0, 0xFE})}; break;
        default: c = {'\x8F', any({0xA1, 0xDF, 0xFE}), any({0xA1, 0xDF, 0xFE})}; break;
      }
    }
    if (c.size() > 1 && rng() % 5 == 0) c.resize(1 + rng() % (c.size() - 1));
    s += c;
  }
  return s;
}

TEST(DetectEncoding, AgreesWithThePlainRulesOnRandomTextFedInRandomPieces) {
  std::mt19937 rng(20);
  for (int round = 0; round < 100000; ++round) {
    std::string text = RandomText(rng);
    CEncodingDetector d;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t n = 1 + rng() % (text.size() - at);
      if (!d.Feed(text.data() + at, n)) break;
      at += n;
    }
    ASSERT_EQ(EncodingName(d.Result()), std::string(EncodingName(PlainEncoding(text))))
        << ::testing::PrintToString(text);
  }
}

TEST(DetectEncoding, AFileIsDecidedByAllOfItsBytesBeyondTheFirstBuffer) {
  // A first buffer of valid text of one encoding, or of katakana, and the
  // text that decides after it.
  TempDir dir;
  CStdioFile::SetBufferSize(512);
  std::mt19937 rng(21);
  const char* const starts[] = {"a", "\xE3\x81\x82", "\xB8\xEC", "\xB1"};
  for (int round = 0; round < 120; ++round) {
    std::string text = "int x; /* ";
    while (text.size() < 700) text += starts[round % 4];
    text += RandomText(rng) + " */\n";
    ClassicRun e;
    e.BeginRun(dir.path());
    e.AnalyzeFile(CString(dir.Write("s.c", text)), "fnc");
    e.EndRun();
    ASSERT_EQ(EncodingName(e.GetTable().GetFileEncoding(0)),
              std::string(EncodingName(PlainEncoding(text))))
        << ::testing::PrintToString(text.substr(690));
  }
  CStdioFile::SetBufferSize(128 * 1024);
}

TEST(DetectEncoding, StopsAsSoonAsOnlyShiftJisRemains) {
  CEncodingDetector d;
  EXPECT_TRUE(d.Feed("\xE3\x81\x82", 3));
  EXPECT_FALSE(d.Feed("\x83\x5C", 2));
  EXPECT_EQ(d.Result(), TextEncoding::kCp932);
}

TEST(FirstHighByte, FindsItPastEveryVectorBoundary) {
  for (std::size_t at = 0; at < 100; ++at) {
    std::string text(100, 'a');
    text[at] = '\x80';
    text[99] = '\xFF';
    EXPECT_EQ(FirstHighByte(text.data(), text.size()), at);
    EXPECT_EQ(FirstHighByte(text.data(), at), at);  // none in the first at bytes
  }
}

}  // namespace
