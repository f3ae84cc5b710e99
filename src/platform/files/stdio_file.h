// CStdioFile: a file opened in text mode.
//
// Reading: every CR LF pair of the file reads as LF (typeBinary: the bytes
// read as they are), and the text is then handed out in pieces, each ending
// after its first LF or after 255 bytes, whichever comes first (the last
// piece may have no LF). A CR on its own, NUL and Ctrl-Z are ordinary
// bytes. Writing writes bytes unchanged.
// The file is read and written in large blocks; every failure throws
// CFileException naming the file.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
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
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,      // with a write mode: create, or truncate if present
    modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file's content
    typeText = 0x4000,
    typeBinary = 0x8000,  // reading keeps CR LF as it is
  };
  static constexpr std::size_t kMaxPiece = 255;

  CStdioFile();
  /// Opens at once; throws CFileException on failure.
  CStdioFile(const CString& path, unsigned flags);
  /// Closes without reporting errors; call Close() to have them reported.
  ~CStdioFile();
  CStdioFile(const CStdioFile&) = delete;
  CStdioFile& operator=(const CStdioFile&) = delete;

  /// Opens path for reading (modeRead), writing (modeWrite) or both
  /// (modeReadWrite), creating it with modeCreate. A file that can be read
  /// must be a regular file: a directory, FIFO, device or socket is refused
  /// before anything is read (a device without being opened, since opening
  /// one can act on it), and opening never blocks; nor does reading a file
  /// of length 0, which fails instead where it would wait. Throws
  /// CFileException.
  void Open(const CString& path, unsigned flags);

  /// Reads the next piece into `piece`. Returns false at the end of the file.
  /// A file is read as long as it was when reading began. Throws
  /// CFileException when a read fails, or when the file turns out shorter
  /// than that (it shrank while it was read).
  bool ReadString(CString& piece);

  /// As ReadString, without a copy: `piece` points into the file's buffer
  /// and stays valid until the next read or Close.
  bool ReadPiece(std::string_view& piece) { return Take(false, piece); }

  /// Reads a run of whole pieces at once: the text from where the last read
  /// stopped to a piece boundary (after its last LF, or after a multiple of
  /// 255 bytes when it holds no LF, or at the end of the file). Cutting it
  /// from its start into pieces gives exactly what ReadPiece would have
  /// given. `run` stays valid until the next read or Close. Returns false at
  /// the end of the file; throws as ReadString does.
  bool ReadPieces(std::string_view& run) { return Take(true, run); }

  /// A file opened with typeBinary: reads up to size bytes into `to`,
  /// straight from the file, and returns how many; 0 at the end of the
  /// file. Throws as ReadString does.
  std::size_t ReadBytes(char* to, std::size_t size);

  /// Hands f the text from where reading stands to the end of the file, in
  /// order, without moving on: first what is buffered (as read: CR LF as
  /// LF), then the rest of the file as it is on disk, in blocks. f returns
  /// false to stop early. Throws as ReadString does.
  void Peek(const std::function<bool(std::string_view)>& f);

  /// Appends bytes, unchanged. Throws CFileException (diskFull, writeError).
  void WriteString(const CString& text) { Write(text.GetString(), text.GetLength()); }
  void WriteString(std::string_view text) { Write(text.data(), text.size()); }
  void Write(const char* p, std::size_t n) {
    if (m_bWriting && n < m_nCap / 8 && n <= m_nCap - m_nEnd) {  // the usual case
      std::memcpy(m_buf.get() + m_nEnd, p, n);
      m_nEnd += n;
    } else {
      WriteLarge(p, n);
    }
  }

  /// Writes what is buffered and goes back to the start of the file (a
  /// regular one), from where it can be read again or written over. Reading
  /// and writing do not mix between two calls. Throws CFileException.
  void SeekToBegin();
  /// Where the next write goes.
  off_t GetPosition() const { return m_nOffset + static_cast<off_t>(m_bWriting ? m_nEnd : 0); }
  /// Writes what is buffered and makes the file length bytes long: for
  /// reading through this object at once; on disk, a longer file is cut at
  /// the latest when it is closed.
  void SetLength(off_t length);

  /// Writes what is buffered and closes; throws CFileException when either
  /// fails. Does nothing when the file is not open.
  void Close();

  const CString& GetFilePath() const { return m_strPath; }

  /// The size of the read and write buffers of files opened from now on;
  /// tests make it small to cross buffer boundaries often. At least 512.
  static void SetBufferSize(std::size_t bytes);

 private:
  bool Take(bool wholeRun, std::string_view& text);
  void Fill();
  std::size_t ReadFromFile(char* to, std::size_t size);
  void Flush();
  void WriteOut(const char* p, std::size_t n);
  void WriteLarge(const char* p, std::size_t n);
  void StartReading();
  void CutToLength();
  [[noreturn]] void Fail(CFileException::Cause cause, int osError,
                         const char* detail = nullptr) const;

  CString m_strPath;
  int m_fd = -1;
  bool m_bCanRead = false;
  bool m_bCanWrite = false;
  bool m_bReading = false;  // the buffer holds text read
  bool m_bWriting = false;  // the buffer holds text to write
  std::unique_ptr<char[]> m_buf;
  std::size_t m_nCap = 0;
  // Reading: [m_nPos, m_nReady) is converted text not yet handed out;
  // [m_nReady, m_nEnd) is a CR held back until the next byte is known.
  // Writing: [0, m_nEnd) is buffered.
  std::size_t m_nPos = 0, m_nReady = 0, m_nEnd = 0;
  bool m_bEof = false;
  bool m_bBinary = false;   // CR LF is not turned into LF
  bool m_bRegular = false;
  bool m_bKnownLength = false;
  bool m_bSequential = false;  // read with read(): the file cannot be read at an offset
  off_t m_nLength = 0;  // the file's length as last known
  off_t m_nOnDisk = 0;  // its length on disk, when that is still longer
  off_t m_nOffset = 0;  // where the next read or write of the file goes
};
