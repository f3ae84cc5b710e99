#include "platform/text/mbcs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The search as plainly stated: visit character boundaries from the start,
// return the first one where the whole pattern matches.
std::size_t PlainFind(const std::string& t, const std::string& pat) {
  std::size_t i = 0;
  while (i < t.size()) {
    if (t.compare(i, pat.size(), pat) == 0) return i;
    i += (mbcs::IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) ? 2 : 1;
  }
  return mbcs::kNotFound;
}

std::size_t Find(const std::string& t, const std::string& pat) {
  return mbcs::Find(t.data(), t.size(), pat.data(), pat.size());
}

TEST(MbcsFind, MatchesOnlyAtCharacterBoundariesAsThePlainSearchDoes) {
  // Bytes drawn mostly from those that matter: lead bytes, bytes that are
  // both trail bytes and pattern bytes, and plain ASCII.
  const std::string alphabet = std::string("\x81\x83\x9F\xE0\xFC\x80\xA0{}();/*ab \n", 18);
  std::mt19937 rng(7);
  // ボ is 83 7B and マ is 83 7D: their second bytes are "{" and "}"; a lone
  // lead byte at the end is a character of its own.
  const std::string patterns[] = {"{", "}", ";", "/*", "*/", "//", "(", "int ", "\x81", "a\x81", "\x83{"};
  for (int round = 0; round < 20000; ++round) {
    std::string t(rng() % 40, ' ');
    for (char& c : t) c = alphabet[rng() % alphabet.size()];
    // Long ASCII runs exercise the word-at-a-time skip.
    if (round % 3 == 0) t.insert(rng() % (t.size() + 1), std::string(rng() % 30, 'x'));
    for (const auto& pat : patterns)
      ASSERT_EQ(Find(t, pat), PlainFind(t, pat)) << "text of " << t.size() << " bytes";
  }
}

TEST(MbcsFindIn, MatchesOnlyWholeCharactersOfEachEncoding) {
  struct Case {
    TextEncoding encoding;
    std::string text, pat;
    std::size_t at;
  } cases[] = {
      // Shift-JIS as Find: ボ (83 7B) holds no "{".
      {TextEncoding::kCp932, "\x83\x7B{", "{", 2},
      // UTF-8 and EUC-JP put no byte below 0x80 inside a character.
      {TextEncoding::kUtf8, "\xE3\x81\x82*/", "*/", 3},
      {TextEncoding::kEucJp, "\xB8\xEC*/", "*/", 2},
      {TextEncoding::kUtf8, "\xE3\x83\x9C{", "{", 3},
      // EUC-JP: 語 (B8 EC) then あ (A4 A2): "EC A4" is no character.
      {TextEncoding::kEucJp, "\xB8\xEC\xA4\xA2", "\xEC\xA4", mbcs::kNotFound},
      {TextEncoding::kEucJp, "\xB8\xEC\xA4\xA2", "\xA4\xA2", 2},
      {TextEncoding::kEucJp, "\x8F\xB0\xA1\xA1\xA1", "\xA1\xA1", 3},  // three bytes, then one pair
      {TextEncoding::kEucJp, "\x8E\xB6\xB6\xB6", "\xB6\xB6", 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mbcs::FindIn(c.encoding, c.text.data(), c.text.size(), c.pat.data(), c.pat.size()), c.at)
        << EncodingName(c.encoding) << " " << c.pat;
}

TEST(EncodingChoice, ReadsTheFourNamesAndNothingElse) {
  const EncodingChoice all[] = {EncodingChoice::kAuto, EncodingChoice::kCp932,
                                EncodingChoice::kUtf8, EncodingChoice::kEucJp};
  const char* const names[] = {"auto", "cp932", "utf-8", "euc-jp"};
  for (int k = 0; k < 4; ++k) {
    EncodingChoice c = all[(k + 1) % 4];
    EXPECT_TRUE(ParseEncodingChoice(names[k], c)) << names[k];
    EXPECT_EQ(c, all[k]) << names[k];
  }
  for (const char* name : {"", "UTF-8", "utf8", "sjis", "auto "}) {
    EncodingChoice c = EncodingChoice::kEucJp;
    EXPECT_FALSE(ParseEncodingChoice(name, c)) << name;
    EXPECT_EQ(c, EncodingChoice::kEucJp);
  }
}

}  // namespace
