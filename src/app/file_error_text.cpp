#include "app/file_error_text.h"

#include <cstring>

namespace {

// What the box says after the file's name, for each cause.
struct FileErrorText {
  CFileException::Cause cause;
  const char* text;
};
const FileErrorText kFileErrorTexts[] = {
    {CFileException::fileNotFound, " が見つかりません。"},
    {CFileException::accessDenied, " へのアクセスが拒否されました。"},
    {CFileException::alreadyExists, " は既に存在するため、置き換えませんでした。"},
    {CFileException::diskFull, " の書き込み中にディスクがいっぱいになりました。"},
    {CFileException::notRegularFile, " は通常のファイルではありません。"},
    {CFileException::notPrivate, " はこのユーザー専用のフォルダではありません。"},
    {CFileException::readError, " の読み込み中にエラーが発生しました。"},
    {CFileException::writeError, " の書き込み中にエラーが発生しました。"},
    {CFileException::tooLarge, " はこのプログラムで扱える大きさを超えています。"},
    {CFileException::generic, " へのアクセス中に予期しないエラーが発生しました。"},
};
const char kOutOfMemoryText[] = "メモリが不足しています。";

}  // namespace

CString JapaneseFileErrorText(const CFileException& e) {
  const char* text = kFileErrorTexts[sizeof kFileErrorTexts / sizeof *kFileErrorTexts - 1].text;
  for (const FileErrorText& t : kFileErrorTexts)
    if (t.cause == e.m_cause) text = t.text;
  CString message = e.m_strFileName + text;
  // An error of no known kind says what the system reported, the one clue
  // to what happened.
  if (e.m_cause == CFileException::generic && e.m_lOsError)
    message += CString("（") + std::strerror(e.m_lOsError) + "）";
  return message;
}

CString JapaneseOutOfMemoryText() { return CString(kOutOfMemoryText); }
