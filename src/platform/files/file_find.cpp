#include "platform/files/file_find.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include "platform/files/drives.h"

BOOL CFileFind::FindFile(const char* pattern) {
  Close();
  CString cwd = GetCurrentDirectory();
  if (cwd.IsEmpty()) return FALSE;
  m_strRoot = cwd.str() == "/" ? std::string() : cwd.str();
  m_strPattern = pattern ? pattern : "*";
  m_dir = ::opendir(cwd.GetString());
  if (!m_dir) return FALSE;
  m_bHaveNext = ReadAhead();
  if (!m_bHaveNext) Close();
  return m_bHaveNext;
}

bool CFileFind::ReadAhead() {
  while (const struct dirent* e = ::readdir(m_dir)) {
    if (::fnmatch(m_strPattern.c_str(), e->d_name, 0) == 0) {
      m_strNext = e->d_name;
      return true;
    }
  }
  return false;
}

BOOL CFileFind::FindNextFile() {
  if (!m_bHaveNext) return FALSE;
  m_strName = m_strNext;
  m_bHaveNext = m_dir && ReadAhead();
  return m_bHaveNext;
}

void CFileFind::Close() {
  if (m_dir) ::closedir(m_dir);
  m_dir = nullptr;
  m_bHaveNext = false;
}

BOOL CFileFind::IsDirectory() const {
  struct stat st;
  return ::stat(GetFilePath().GetString(), &st) == 0 && S_ISDIR(st.st_mode);
}

BOOL CFileFind::MatchesMask(unsigned mask) const {
  if ((mask & FILE_ATTRIBUTE_DIRECTORY) && !IsDirectory()) return FALSE;
  return TRUE;
}
