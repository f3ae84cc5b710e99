#include "analysis/encoding_detect.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(DetectEncoding, GivesTheSameAnswerFedInAnyPieces) {
  for (const Case& c : kCases) {
    std::string text = "/* " + c.bytes + " " + c.bytes + " */\n";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      CEncodingDetector d;
      if (d.Feed(text.data(), cut)) d.Feed(text.data() + cut, text.size() - cut);
      EXPECT_EQ(d.Result(), c.expected) << c.what << ", cut at " << cut;
    }
  }
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
