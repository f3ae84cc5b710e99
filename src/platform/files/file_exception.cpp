#include "platform/files/file_exception.h"

#include <cerrno>
#include <cstring>

namespace {

std::string Format(CFileException::Cause cause, const std::string& name,
                   int osError, const std::string& detail) {
  std::string reason = osError ? std::strerror(osError) : std::string();
  std::string text;
  switch (cause) {
    case CFileException::fileNotFound:
      text = name + " was not found.";
      break;
    case CFileException::accessDenied:
      text = "Access to " + name + " was denied.";
      break;
    case CFileException::notRegularFile:
      text = name + " is not a regular file.";
      break;
    case CFileException::notPrivate:
      text = name + " is not a private folder of this user.";
      break;
    case CFileException::alreadyExists:
      text = name + " exists already.";
      break;
    case CFileException::diskFull:
      text = "Disk full while writing " + name + ".";
      break;
    case CFileException::readError:
      text = "A read error occurred on " + name + ".";
      break;
    case CFileException::writeError:
      text = "A write error occurred on " + name + ".";
      break;
    case CFileException::tooLarge:
      text = name + " holds more than this program can take.";
      break;
    case CFileException::generic:
      text = "An unexpected error occurred while accessing " + name + ".";
      break;
  }
  if (!detail.empty())
    text += " (" + detail + ")";
  else if (!reason.empty() && cause != CFileException::fileNotFound &&
           cause != CFileException::alreadyExists)
    text += " (" + reason + ")";
  return text;
}

}  // namespace

CFileException::CFileException(Cause cause, CString fileName, int osError,
                               std::string detail)
    : m_cause(cause),
      m_strFileName(std::move(fileName)),
      m_lOsError(osError),
      m_strMessage(Format(cause, m_strFileName.str(), osError, detail)) {}

CFileException::Cause CFileException::CauseFromOpenError(int osError) {
  switch (osError) {
    case ENOENT:
    case ENOTDIR:
      return fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return accessDenied;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return notRegularFile;
    default:
      // A file made by the open may find the disk full.
      return CauseFromWriteError(osError) == diskFull ? diskFull : generic;
  }
}

CFileException::Cause CFileException::CauseFromWriteError(int osError) {
  return osError == ENOSPC || osError == EDQUOT ? diskFull : writeError;
}
