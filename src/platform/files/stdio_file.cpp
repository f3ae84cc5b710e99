#include "platform/files/stdio_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files/write_all.h"

namespace {

std::size_t g_nBufferSize = 128 * 1024;

// A run opens several files for every source it reads; keeping a few
// released buffers spares a large allocation (and its page faults) per pass.
struct BufferPool {
  std::size_t size = 0;
  std::vector<std::unique_ptr<char[]>> free;
};
thread_local BufferPool t_pool;

std::unique_ptr<char[]> TakeBuffer() {
  if (t_pool.size != g_nBufferSize) {
    t_pool.free.clear();
    t_pool.size = g_nBufferSize;
  }
  if (!t_pool.free.empty()) {
    auto b = std::move(t_pool.free.back());
    t_pool.free.pop_back();
    return b;
  }
  return std::unique_ptr<char[]>(new char[g_nBufferSize]);
}

void GiveBack(std::unique_ptr<char[]>& b, std::size_t size) {
  if (b && size == t_pool.size && t_pool.free.size() < 4) t_pool.free.push_back(std::move(b));
  b.reset();
}

// Opens a file to read, looking at what path names first: opening a
// device can act on it (a tape rewinds, a watchdog starts, a terminal line
// changes), so a device is never opened. Anything else is opened through
// the handle looked at rather than by its path again, so that a link
// swapped meanwhile cannot have a device opened after all. Returns -1 with
// errno set, ENODEV for a device.
int OpenToRead(const char* path, int flags) {
  int handle;
  do handle = ::open(path, O_PATH | O_CLOEXEC);
  while (handle < 0 && errno == EINTR);
  if (handle < 0) return -1;
  struct stat st;
  int fd = -1, err = 0;
  if (::fstat(handle, &st) != 0) {
    err = errno;
  } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    err = ENODEV;
  } else {
    std::string again = "/proc/self/fd/" + std::to_string(handle);
    do fd = ::open(again.c_str(), flags);
    while (fd < 0 && errno == EINTR);
    // Without /proc, by path after all; the caller's type check still
    // refuses anything but a regular file.
    if (fd < 0 && errno == ENOENT) {
      do fd = ::open(path, flags);
      while (fd < 0 && errno == EINTR);
    }
    err = errno;
  }
  ::close(handle);
  errno = err;
  return fd;
}

CFileException::Cause WriteCause(int err) { return CFileException::CauseFromWriteError(err); }

}  // namespace

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(const CString& path, unsigned flags) { Open(path, flags); }

CStdioFile::~CStdioFile() {
  if (m_fd < 0) return;
  try {
    Close();
  } catch (const CFileException&) {
    // Reported only through Close(); a destructor must not throw.
  }
}

void CStdioFile::Fail(CFileException::Cause cause, int osError,
                      const char* detail) const {
  throw CFileException(cause, m_strPath, osError, detail ? detail : "");
}

void CStdioFile::Open(const CString& path, unsigned flags) {
  if (m_fd >= 0) Close();
  m_strPath = path;
  m_bCanWrite = (flags & (modeWrite | modeReadWrite)) != 0;
  m_bCanRead = !(flags & modeWrite);
  m_bReading = m_bWriting = false;
  m_nPos = m_nReady = m_nEnd = 0;
  m_bEof = false;
  m_bBinary = (flags & typeBinary) != 0;
  m_bSequential = false;
  m_nLength = m_nOffset = 0;
  // A zero byte would end the path early and name another file.
  if (path.view().find('\0') != std::string_view::npos)
    Fail(CFileException::fileNotFound, ENOENT);
  int oflags = O_CLOEXEC;
  if (m_bCanWrite) {
    oflags |= (m_bCanRead ? O_RDWR : O_WRONLY) | O_NOFOLLOW;
    if (flags & modeCreate) oflags |= (flags & modeNoTruncate) ? O_CREAT : O_CREAT | O_TRUNC;
  }
  // Non-blocking, so that a FIFO or a device never holds the open; the
  // type check below then refuses anything but a regular file.
  if (m_bCanRead) oflags |= O_NOCTTY | O_NONBLOCK;
  int fd;
  if (m_bCanWrite) {
    do fd = ::open(path.GetString(), oflags, 0600);
    while (fd < 0 && errno == EINTR);
  } else {
    fd = OpenToRead(path.GetString(), oflags);
    if (fd < 0 && errno == ENODEV) Fail(CFileException::notRegularFile, 0);
  }
  if (fd < 0) {
    int err = errno;
    Fail(CFileException::CauseFromOpenError(err), err);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    Fail(CFileException::CauseFromOpenError(err), err);
  }
  m_bRegular = S_ISREG(st.st_mode);
  if (m_bCanRead) {
    if (!m_bRegular) {
      ::close(fd);
      Fail(CFileException::notRegularFile, 0);
    }
    // Blocking reads from here on, except for a file of length 0: some
    // system files of that length wait for text that may never come
    // (/proc/kmsg), and a read must not hang the run.
    if (st.st_size > 0) ::fcntl(fd, F_SETFL, 0);
  }
  m_nLength = m_nOnDisk = m_bRegular ? st.st_size : 0;
  // Some system files report a length of 0 and still have text: those are
  // read to their end.
  m_bKnownLength = m_bRegular && (m_bCanWrite || st.st_size > 0);
  m_fd = fd;
  m_buf = TakeBuffer();
  m_nCap = g_nBufferSize;
}

void CStdioFile::StartReading() {
  if (m_bWriting || !m_bCanRead)
    throw std::logic_error("CStdioFile: reading a file that is being written");
  m_bReading = true;
}

void CStdioFile::SeekToBegin() {
  if (!m_bRegular || m_bSequential)
    throw std::logic_error("CStdioFile: rewinding a file that can only be read in order");
  if (m_bWriting) Flush();
  // Reads and writes of a regular file name their offset, so going back is
  // just a matter of starting from 0 again.
  m_bReading = m_bWriting = false;
  m_nPos = m_nReady = m_nEnd = 0;
  m_bEof = false;
  m_nOffset = 0;
}

void CStdioFile::SetLength(off_t length) {
  if (m_bWriting) Flush();
  // Growing happens at once; cutting waits for Close, since a file that is
  // rewritten again and again is seldom shorter for long, and every cut
  // costs the file system work.
  if (length > m_nOnDisk) {
    if (::ftruncate(m_fd, length) != 0) {
      int err = errno;
      Fail(WriteCause(err), err);
    }
    m_nOnDisk = length;
  }
  m_nLength = length;
  m_bKnownLength = true;
}

void CStdioFile::CutToLength() {
  if (m_nOnDisk > m_nLength && ::ftruncate(m_fd, m_nLength) != 0) {
    int err = errno;
    Fail(WriteCause(err), err);
  }
  m_nOnDisk = m_nLength;
}

void CStdioFile::Fill() {
  // Keep what has not been handed out yet at the front of the buffer.
  std::size_t keep = m_nEnd - m_nPos;
  if (m_nPos > 0) {
    std::memmove(m_buf.get(), m_buf.get() + m_nPos, keep);
    m_nReady -= m_nPos;
    m_nEnd = keep;
    m_nPos = 0;
  }
  std::size_t n = ReadFromFile(m_buf.get() + m_nEnd, m_nCap - m_nEnd);
  if (n == 0) {
    m_nReady = m_nEnd;  // a held-back CR at the very end is an ordinary byte
    return;
  }
  char* b = m_buf.get();
  std::size_t end = m_nEnd + static_cast<std::size_t>(n);
  if (m_bBinary) {
    m_nReady = m_nEnd = end;
    return;
  }
  // Drop every CR that is followed by LF. A CR that ends the data read so
  // far is held back until the next byte is known.
  std::size_t out = m_nReady, i = m_nReady;
  for (;;) {
    const void* hit = std::memchr(b + i, '\r', end - i);
    std::size_t cr = hit ? static_cast<const char*>(hit) - b : end;
    if (out != i) std::memmove(b + out, b + i, cr - i);
    out += cr - i;
    if (cr == end) {
      m_nReady = m_nEnd = out;
      return;
    }
    if (cr + 1 == end) {
      b[out] = '\r';
      m_nReady = out;
      m_nEnd = out + 1;
      return;
    }
    if (b[cr + 1] != '\n') b[out++] = '\r';
    i = cr + 1;
  }
}

std::size_t CStdioFile::ReadFromFile(char* to, std::size_t size) {
  // A file is read as long as it was when reading began: what is appended
  // meanwhile is not part of it.
  std::size_t want = size;
  if (m_bKnownLength)
    want = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(want), m_nLength - m_nOffset));
  ssize_t n = 0;
  if (want > 0) {
    do n = m_bSequential ? ::read(m_fd, to, want) : ::pread(m_fd, to, want, m_nOffset);
    while (n < 0 && errno == EINTR);
    // Some system files of length 0 can only be read in order. Nothing has
    // moved the file's own position yet, and reading goes on in order.
    if (n < 0 && errno == ESPIPE && !m_bSequential && !m_bKnownLength && m_nOffset == 0) {
      m_bSequential = true;
      do n = ::read(m_fd, to, want);
      while (n < 0 && errno == EINTR);
    }
  }
  if (n < 0 && errno == EAGAIN)
    Fail(CFileException::readError, EAGAIN, "it has no text to read without waiting");
  if (n < 0) Fail(CFileException::readError, errno);
  if (n == 0) {
    m_bEof = true;
    if (m_bKnownLength && m_nOffset < m_nLength)
      Fail(CFileException::readError, 0, "the file shrank while it was read");
    return 0;
  }
  m_nOffset += n;
  return static_cast<std::size_t>(n);
}

std::size_t CStdioFile::ReadBytes(char* to, std::size_t size) {
  if (!m_bBinary) throw std::logic_error("CStdioFile: ReadBytes on a file opened in text mode");
  if (!m_bReading) StartReading();
  if (size == 0) return 0;
  // What an earlier read left in the buffer comes first.
  if (m_nReady > m_nPos) {
    std::size_t n = std::min(size, m_nReady - m_nPos);
    std::memcpy(to, m_buf.get() + m_nPos, n);
    m_nPos += n;
    return n;
  }
  if (m_bEof) return 0;
  return ReadFromFile(to, size);
}

bool CStdioFile::Take(bool wholeRun, std::string_view& text) {
  if (!m_bReading) StartReading();
  for (;;) {
    std::size_t avail = m_nReady - m_nPos;
    const char* s = m_buf.get() + m_nPos;
    // A piece ends after the first LF within 255 bytes; a run after the last
    // LF there is. Without an LF, text that starts at a piece boundary holds
    // whole pieces in every multiple of 255 bytes.
    const void* nl = nullptr;
    if (avail > 0)
      nl = wholeRun ? memrchr(s, '\n', avail) : std::memchr(s, '\n', std::min(avail, kMaxPiece));
    std::size_t n;
    if (nl) {
      n = static_cast<std::size_t>(static_cast<const char*>(nl) - s) + 1;
    } else if (avail >= kMaxPiece) {
      n = wholeRun ? avail - avail % kMaxPiece : kMaxPiece;
    } else if (m_bEof) {
      if (avail == 0) return false;
      n = avail;
    } else {
      Fill();
      continue;
    }
    text = std::string_view(s, n);
    m_nPos += n;
    return true;
  }
}

void CStdioFile::Peek(const std::function<bool(std::string_view)>& f) {
  if (!m_bReading) StartReading();
  // The buffer stays as it is: the text last handed out lies in it and is
  // still being read.
  if (m_nEnd > m_nPos && !f(std::string_view(m_buf.get() + m_nPos, m_nEnd - m_nPos))) return;
  // Beyond the buffer, straight from the file (from the page cache, as a
  // rule).
  std::unique_ptr<char[]> block;
  const std::size_t size = 64 * 1024;
  for (off_t at = m_nOffset; !m_bEof && (!m_bKnownLength || at < m_nLength);) {
    if (!block) block.reset(new char[size]);
    std::size_t want = size;
    if (m_bKnownLength) want = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(size), m_nLength - at));
    ssize_t n;
    do n = ::pread(m_fd, block.get(), want, at);
    while (n < 0 && errno == EINTR);
    if (n < 0) Fail(CFileException::readError, errno);
    if (n == 0) break;  // shorter than it was: the next read reports it
    if (!f(std::string_view(block.get(), static_cast<std::size_t>(n)))) return;
    at += n;
  }
}

void CStdioFile::SetBufferSize(std::size_t bytes) {
  g_nBufferSize = bytes < 512 ? 512 : bytes;
}

bool CStdioFile::ReadString(CString& piece) {
  std::string_view v;
  if (!ReadPiece(v)) return false;
  piece = CString(v);
  return true;
}

void CStdioFile::WriteLarge(const char* p, std::size_t n) {
  if (!m_bWriting) {
    if (m_bReading || !m_bCanWrite)
      throw std::logic_error("CStdioFile: writing a file that is being read");
    m_bWriting = true;
    m_nEnd = 0;
  } else {
    Flush();
  }
  if (n >= m_nCap / 8) {
    WriteOut(p, n);  // large blocks go straight through rather than being copied first
  } else {
    std::memcpy(m_buf.get(), p, n);
    m_nEnd = n;
  }
}

void CStdioFile::Flush() {
  std::size_t n = m_nEnd;
  m_nEnd = 0;  // a failed block is dropped, not retried by a later flush
  WriteOut(m_buf.get(), n);
}

void CStdioFile::WriteOut(const char* p, std::size_t n) {
  int err = m_bRegular ? ::WriteAll(m_fd, std::string_view(p, n), &m_nOffset)
                       : ::WriteAll(m_fd, std::string_view(p, n));
  if (err) Fail(WriteCause(err), err);
  if (!m_bRegular) m_nOffset += static_cast<off_t>(n);
  if (m_bRegular && m_nOffset > m_nLength) m_nLength = m_nOffset;
  if (m_nOffset > m_nOnDisk) m_nOnDisk = m_nOffset;
}

void CStdioFile::Close() {
  if (m_fd < 0) return;
  int err = 0;
  try {
    if (m_bWriting) Flush();
    if (m_bCanWrite && m_bRegular) CutToLength();
  } catch (const CFileException& e) {
    err = e.m_lOsError ? e.m_lOsError : EIO;
  }
  // Some file systems report a failed write only when the file is closed.
  if (::close(m_fd) != 0 && m_bCanWrite && errno != EINTR && err == 0) err = errno;
  m_fd = -1;
  GiveBack(m_buf, m_nCap);
  if (err) Fail(WriteCause(err), err);
}
