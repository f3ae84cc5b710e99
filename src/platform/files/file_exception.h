// CFileException: the one error a file operation reports. It names the file
// and says what went wrong in words a user can act on.
#pragma once

#include <exception>
#include <string>

#include "platform/text/cstring.h"

class CFileException : public std::exception {
 public:
  enum Cause {
    fileNotFound,     // no such file, or a directory on its path is missing
    accessDenied,     // permissions, a read-only file system
    notRegularFile,   // a directory, FIFO, device or socket
    notPrivate,       // a working-file folder that others could tamper with
    alreadyExists,    // a file that was not to be replaced turned up meanwhile
    diskFull,         // no space left (or quota exceeded) while writing
    readError,        // the read failed, or the file shrank while it was read
    writeError,       // the write failed for another reason
    tooLarge,         // the content exceeds a limit of the program
    generic,          // anything else the system reported
  };

  /// osError is the errno value behind the failure, 0 when there is none.
  CFileException(Cause cause, CString fileName, int osError = 0,
                 std::string detail = std::string());

  /// The cause that an errno value of a failed open stands for.
  static Cause CauseFromOpenError(int osError);
  /// The cause that an errno value of a failed write stands for: diskFull
  /// (ENOSPC, EDQUOT) or writeError.
  static Cause CauseFromWriteError(int osError);

  Cause m_cause;
  CString m_strFileName;
  int m_lOsError;

  /// The full message, naming the file, for instance "/src/a.c was not found."
  const CString& GetErrorMessage() const { return m_strMessage; }
  const char* what() const noexcept override { return m_strMessage.GetString(); }

 private:
  CString m_strMessage;
};
