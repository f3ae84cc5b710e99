// CFileFind: enumerates the entries of a directory.
//
// The idiom: FindFile starts a search; FindNextFile fetches the next entry
// and returns FALSE when that entry is the last one, so the caller handles
// the entry fetched by the final call too. Entries come in the order the
// directory yields them, "." and ".." included.
#pragma once

#include <dirent.h>
#include <string>

#include "platform/text/basic_types.h"
#include "platform/text/cstring.h"

constexpr unsigned FILE_ATTRIBUTE_DIRECTORY = 0x10;

class CFileFind {
 public:
  CFileFind() = default;
  ~CFileFind() { Close(); }
  CFileFind(const CFileFind&) = delete;
  CFileFind& operator=(const CFileFind&) = delete;

  /// Starts a search of the current directory for the names matching
  /// pattern ("*" matches every name; the shell's wildcards apply). The
  /// search root is the current directory's absolute path, "" at "/".
  /// Returns FALSE when the directory cannot be read or nothing matches.
  BOOL FindFile(const char* pattern = "*");
  /// Fetches the next entry; FALSE when it is the last one (or there is none).
  BOOL FindNextFile();
  void Close();

  /// The search root + "/" + the entry's name.
  CString GetFilePath() const { return CString(m_strRoot + "/" + m_strName); }
  /// The directory attribute, following symbolic links as stat does.
  BOOL IsDirectory() const;
  /// TRUE when the entry has every attribute of mask
  /// (FILE_ATTRIBUTE_DIRECTORY is the one known here).
  BOOL MatchesMask(unsigned mask) const;

 private:
  bool ReadAhead();

  DIR* m_dir = nullptr;
  std::string m_strRoot;
  std::string m_strPattern;
  std::string m_strName;  // the entry fetched last
  std::string m_strNext;  // the one after it, read ahead
  bool m_bHaveNext = false;
};
