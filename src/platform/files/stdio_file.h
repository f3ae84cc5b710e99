// CStdioFile: a file opened in text mode.
//
// Reading: every CR LF pair of the file reads as LF, and the text is then
// handed out in pieces, each ending after its first LF or after 255 bytes,
// whichever comes first (the last piece may have no LF). A CR on its own,
// NUL and Ctrl-Z are ordinary bytes. Writing writes bytes unchanged.
// The file is read and written in large blocks; every failure throws
// CFileException naming the file.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/types.h>

#include "platform/files/file_exception.h"
#include "platform/text/cstring.h"

class CStdioFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeCreate = 0x1000,  // with modeWrite: create, or truncate if present
    typeText = 0x4000,
    // With modeCreate: an existing file is reused in place rather than
    // truncated; what is written replaces its content, and Close() cuts it
    // to that length. The result is the same file content, without the
    // cost some file systems attach to truncating and rewriting a file.
    modeReuse = 0x10000,
  };
  static constexpr std::size_t kMaxPiece = 255;

  CStdioFile();
  /// Opens at once; throws CFileException on failure.
  CStdioFile(const CString& path, unsigned flags);
  /// Closes without reporting errors; call Close() to have them reported.
  ~CStdioFile();
  CStdioFile(const CStdioFile&) = delete;
  CStdioFile& operator=(const CStdioFile&) = delete;

  /// Opens path for reading (modeRead) or writing (modeWrite | modeCreate).
  /// A file opened for reading must be a regular file: a directory, FIFO,
  /// device or socket is refused before anything is read, and opening never
  /// blocks. Throws CFileException.
  void Open(const CString& path, unsigned flags);

  /// Reads the next piece into `piece`. Returns false at the end of the file.
  /// Throws CFileException when a read fails, or when the file turns out
  /// shorter than it was at opening (it shrank while it was read).
  bool ReadString(CString& piece);

  /// As ReadString, without a copy: `piece` points into the file's buffer
  /// and stays valid until the next read or Close.
  bool ReadPiece(std::string_view& piece);

  /// Reads a run of whole pieces at once: the text from where the last read
  /// stopped to a piece boundary (after its last LF, or after a multiple of
  /// 255 bytes when it holds no LF, or at the end of the file). Cutting it
  /// from its start into pieces gives exactly what ReadPiece would have
  /// given. `run` stays valid until the next read or Close. Returns false at
  /// the end of the file; throws as ReadString does.
  bool ReadPieces(std::string_view& run);

  /// Appends bytes, unchanged. Throws CFileException (diskFull, writeError).
  void WriteString(const CString& text) { Write(text.GetString(), text.GetLength()); }
  void WriteString(std::string_view text) { Write(text.data(), text.size()); }
  void Write(const char* p, std::size_t n) {
    if (n < m_nCap / 8 && n <= m_nCap - m_nEnd) {  // the usual case: into the buffer
      std::memcpy(m_buf.get() + m_nEnd, p, n);
      m_nEnd += n;
    } else {
      WriteLarge(p, n);
    }
  }

  /// Writes what is buffered and closes; throws CFileException when either
  /// fails. Does nothing when the file is not open.
  void Close();

  bool IsOpen() const { return m_fd >= 0; }

  /// The size of the read and write buffers of files opened from now on;
  /// tests make it small to cross buffer boundaries often. At least 512.
  static void SetBufferSize(std::size_t bytes);
  const CString& GetFilePath() const { return m_strPath; }

 private:
  void Fill();
  void Flush();
  void WriteAll(const char* p, std::size_t n);
  void WriteLarge(const char* p, std::size_t n);
  [[noreturn]] void Fail(CFileException::Cause cause, int osError,
                         const char* detail = nullptr) const;

  CString m_strPath;
  int m_fd = -1;
  bool m_bWrite = false;
  bool m_bReuse = false;
  off_t m_nWritten = 0;
  std::unique_ptr<char[]> m_buf;
  std::size_t m_nCap = 0;
  // Reading: [m_nPos, m_nReady) is converted text not yet handed out;
  // [m_nReady, m_nEnd) is a CR held back until the next byte is known.
  std::size_t m_nPos = 0, m_nReady = 0, m_nEnd = 0;
  bool m_bEof = false;
  off_t m_nSizeAtOpen = 0;
  off_t m_nBytesRead = 0;
  // Writing: [0, m_nEnd) is buffered.
};
