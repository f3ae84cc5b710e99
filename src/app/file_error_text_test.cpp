#include "app/file_error_text.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

std::string TextOf(CFileException::Cause cause, int osError) {
  return JapaneseFileErrorText(CFileException(cause, CString("/src/a.c"), osError, "detail")).str();
}

// Every cause has a sentence of its own that names the file first; the
// system's reason is added only where the cause alone says nothing.
TEST(JapaneseFileErrorText, NamesTheFileAndSaysWhatWentWrongForEveryCause) {
  std::set<std::string> texts;
  for (int c = 0; c <= CFileException::generic; ++c) {
    std::string text = TextOf(static_cast<CFileException::Cause>(c), 0);
    EXPECT_EQ(text.rfind("/src/a.c ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 3), "。") << text;
    if (c != CFileException::generic) {
      EXPECT_EQ(TextOf(static_cast<CFileException::Cause>(c), EIO), text);
    }
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size_t(CFileException::generic) + 1);
  EXPECT_EQ(TextOf(CFileException::fileNotFound, ENOENT), "/src/a.c が見つかりません。");
  EXPECT_EQ(TextOf(CFileException::generic, ELOOP),
            TextOf(CFileException::generic, 0) + "（" + std::strerror(ELOOP) + "）");
  EXPECT_EQ(JapaneseOutOfMemoryText().str(), "メモリが不足しています。");
}

}  // namespace
