#include "app/file_error_text.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(JapaneseFileErrorText, NamesTheFileAndSaysWhatWentWrongForEveryCause) {
  struct {
    CFileException::Cause cause;
    int osError;
    std::string text;
  } cases[] = {
      {CFileException::fileNotFound, ENOENT, "/src/a.c が見つかりません。"},
      {CFileException::accessDenied, EACCES, "/src/a.c へのアクセスが拒否されました。"},
      {CFileException::notRegularFile, EISDIR, "/src/a.c は通常のファイルではありません。"},
      {CFileException::notPrivate, 0, "/src/a.c はこのユーザー専用のフォルダではありません。"},
      {CFileException::alreadyExists, EEXIST, "/src/a.c は既に存在するため、置き換えませんでした。"},
      {CFileException::diskFull, ENOSPC, "/src/a.c の書き込み中にディスクがいっぱいになりました。"},
      {CFileException::readError, EIO, "/src/a.c の読み込み中にエラーが発生しました。"},
      {CFileException::writeError, EIO, "/src/a.c の書き込み中にエラーが発生しました。"},
      {CFileException::tooLarge, 0, "/src/a.c はこのプログラムで扱える大きさを超えています。"},
      {CFileException::generic, 0, "/src/a.c へのアクセス中に予期しないエラーが発生しました。"},
      // With a reason from the system only where the cause alone says nothing.
      {CFileException::generic, ELOOP,
       std::string("/src/a.c へのアクセス中に予期しないエラーが発生しました。（") + std::strerror(ELOOP) + "）"},
  };
  std::set<CFileException::Cause> causes;
  for (auto& c : cases) {
    EXPECT_EQ(JapaneseFileErrorText(CFileException(c.cause, CString("/src/a.c"), c.osError, "detail")).str(),
              c.text);
    causes.insert(c.cause);
  }
  EXPECT_EQ(causes.size(), std::size_t(CFileException::generic) + 1);  // every cause has its own text
  EXPECT_EQ(JapaneseOutOfMemoryText().str(), "メモリが不足しています。");
}

}  // namespace
