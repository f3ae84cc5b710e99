#include "platform/files/stdio_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tests/small_file_system.h"
#include "tests/temp_dir.h"

namespace {

const unsigned kRead = CStdioFile::modeRead | CStdioFile::typeText;

// The pieces ReadString hands out from where the file stands, each
// followed by "|".
std::string PiecesFrom(CStdioFile& f) {
  std::string out;
  for (CString piece; f.ReadString(piece);) out += piece.str() + "|";
  return out;
}

TEST(CStdioFileReading, TurnsCrLfIntoLfAndCutsPiecesAt255BytesOrAfterALineFeed) {
  const std::string x254(254, 'x'), x255(255, 'x');
  std::string blocks;  // the pieces of a file whose first 128 KiB block ends between CR and LF
  for (int i = 0; i < 514; ++i) blocks += std::string(255, 'a') + "|";
  struct Case {
    std::string bytes, pieces;
  } cases[] = {
      {"", ""},
      {"int a;\nint b;", "int a;\n|int b;|"},
      {std::string("a\0b\x1A" "c\n\x1A", 7), std::string("a\0b\x1A" "c\n|\x1A|", 9)},
      {"a\r\r\nb", "a\r\n|b|"},
      {"end\r", "end\r|"},
      {"\r\n\r\n", "\n|\n|"},
      {std::string(600, 'x') + "\n", x255 + "|" + x255 + "|" + std::string(90, 'x') + "\n|"},
      {x255 + "\n", x255 + "|\n|"},
      {x254 + "\n", x254 + "\n|"},
      {x254 + "\r\n", x254 + "\n|"},  // the cut counts bytes after CR LF became LF
      {std::string(131071, 'a') + "\r\nb", blocks + "a\n|b|"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE("bytes: " + c.bytes.substr(0, 20));
    CStdioFile f(CString(dir.Write("f.c", c.bytes)), kRead);
    EXPECT_EQ(PiecesFrom(f), c.pieces);
  }
  // typeBinary keeps CR LF, across the end of a block too.
  CStdioFile raw(CString(dir.Write("f.c", std::string(131071, 'a') + "\r\nb\r\n")),
                 CStdioFile::modeRead | CStdioFile::typeBinary);
  EXPECT_EQ(PiecesFrom(raw), blocks + "a\r\n|b\r\n|");
  // ReadBytes hands over the bytes as they are, and Peek sees what follows.
  const std::string bytes = std::string(70000, 'a') + "\r\nb\r";
  CStdioFile direct(CString(dir.Write("g.c", bytes)), CStdioFile::modeRead | CStdioFile::typeBinary);
  std::string read, seen;
  char chunk[40000];
  for (std::size_t n; (n = direct.ReadBytes(chunk, sizeof chunk)) > 0;) {
    if (read.empty()) direct.Peek([&](std::string_view t) { seen += t; return true; });
    read.append(chunk, n);
  }
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(seen, bytes.substr(sizeof chunk));
  CStdioFile text(CString(dir.Join("g.c")), kRead);
  EXPECT_THROW(text.ReadBytes(chunk, 1), std::logic_error);
}

TEST(CStdioFileReading, PeeksAtTheRestOfTheFileWithoutMovingOn) {
  TempDir dir;
  // Lines of 16 bytes: a buffer of 512 is handed out whole, up to its end.
  std::string text;
  for (int i = 0; i < 400; ++i) text += "line " + std::to_string(1000000000 + i) + "\n";
  std::string path = dir.Write("a.c", text);
  for (std::size_t buffer : {512, 600, 128 * 1024}) {
    CStdioFile::SetBufferSize(buffer);
    CStdioFile f(CString(path), kRead);
    std::string_view run;
    ASSERT_TRUE(f.ReadPieces(run));
    std::string read(run), seen;
    const std::size_t first = run.size();
    int calls = 0;
    f.Peek([&](std::string_view t) {
      seen += t;
      return true;
    });
    f.Peek([&](std::string_view) { return ++calls < 0; });  // stops at once
    EXPECT_EQ(run, std::string_view(text).substr(0, first)) << buffer;  // still there
    while (f.ReadPieces(run)) read += run;
    EXPECT_EQ(read, text) << buffer;
    EXPECT_EQ(seen, text.substr(first)) << buffer;  // all of the rest, once
    EXPECT_EQ(calls, first < text.size() ? 1 : 0);
  }
  CStdioFile::SetBufferSize(128 * 1024);
}

TEST(CStdioFileReading, RefusesMissingFilesAndWhatIsNotARegularFileBeforeReading) {
  TempDir dir;
  const std::string real = dir.Write("a.c", "x"), nul = real + std::string("\0.c", 3);
  ASSERT_EQ(mkdir(dir.Join("lib.c").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(dir.Join("pipe.c").c_str(), 0600), 0);  // without a writer, opening would block
  const std::string sock = dir.Join("sock.c");
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(sock.size(), sizeof addr.sun_path);
  sock.copy(addr.sun_path, sock.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  // A terminal of this test's own, behind a link: opening a device can act
  // on it, so it must not be opened at all.
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master) | unlockpt(master), 0);
  const std::string tty = ptsname(master);
  ASSERT_EQ(symlink(tty.c_str(), dir.Join("tty.c").c_str()), 0);
  int opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(opens, tty.c_str(), IN_OPEN), 0);
  struct Case {
    std::string path, message;
  } cases[] = {
      {dir.Join("gone.c"), dir.Join("gone.c") + " was not found."},
      {nul, nul + " was not found."},  // not the file named by the part before the zero byte
      {dir.Join("lib.c"), dir.Join("lib.c") + " is not a regular file."},
      {dir.Join("pipe.c"), dir.Join("pipe.c") + " is not a regular file."},
      {sock, sock + " is not a regular file. (No such device or address)"},
      {"/dev/null", "/dev/null is not a regular file."},
      {dir.Join("tty.c"), dir.Join("tty.c") + " is not a regular file."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FileErrorOf([&] { CStdioFile f(CString(c.path), kRead); }), c.message);
  char event[256];
  EXPECT_LT(read(opens, event, sizeof event), 0) << "the terminal was opened";
  close(opens);
  close(master);
  close(listener);
}

TEST(CStdioFileReading, FailsRatherThanWaitsOnAnEmptySystemFileThatHasNoTextYet) {
  // The kernel's trace pipe is such a file: regular, of length 0, and its
  // reads wait for events, which come rarely or never.
  TempDir dir;
  std::string why;
  auto fs = SmallFileSystem::MountKernel("tracefs", dir.path(), &why);
  if (!fs) GTEST_SKIP() << why;
  const std::string pipe = dir.Join("trace_pipe");
  alarm(30);  // a read that waits ends the test here, not at the suite's time limit
  std::string error = FileErrorOf([&] {
    CStdioFile f(CString(pipe), kRead);
    PiecesFrom(f);
  });
  alarm(0);
  if (error == "(none)") GTEST_SKIP() << "the kernel had trace events to read";
  EXPECT_EQ(error, "A read error occurred on " + pipe +
                       ". (it has no text to read without waiting)");
}

TEST(CStdioFileReading, ReadsAFileThatVanishesToItsEndButReportsOneThatShrinks) {
  TempDir dir;
  std::string gone = dir.Write("gone.c", std::string(300000, 'v'));
  std::string shrunk = dir.Write("shrunk.c", std::string(1024 * 1024, 'x'));
  CStdioFile a(CString(gone), kRead), b(CString(shrunk), kRead);
  CString piece;
  ASSERT_TRUE(a.ReadString(piece) && b.ReadString(piece));
  ASSERT_EQ(unlink(gone.c_str()), 0);
  ASSERT_EQ(truncate(shrunk.c_str(), 1000), 0);
  std::string rest = PiecesFrom(a);
  EXPECT_EQ(std::count(rest.begin(), rest.end(), 'v'), 300000 - 255);
  EXPECT_EQ(FileErrorOf([&] { PiecesFrom(b); }),
            "A read error occurred on " + shrunk + ". (the file shrank while it was read)");
}

TEST(CStdioFileRewriting, ReadsBackAndLeavesOnDiskOnlyTheTextWrittenSinceTheLastCut) {
  // As the engine rewrites a working file for each pass: back to the start,
  // cut, write, and mark the end.
  TempDir dir;
  std::string path = dir.Write("tmp1.fnc", std::string(300000, 'L') + "\n");
  {
    CStdioFile f(CString(path), CStdioFile::modeCreate | CStdioFile::modeNoTruncate |
                                    CStdioFile::modeReadWrite | CStdioFile::typeText);
    f.SeekToBegin();
    f.SetLength(0);
    f.WriteString(CString("short\r\n"));
    f.SetLength(f.GetPosition());
    f.SeekToBegin();
    EXPECT_EQ(PiecesFrom(f), "short\n|");
    // An empty text reads as nothing, however long the file is on disk.
    f.SeekToBegin();
    f.SetLength(0);
    EXPECT_EQ(PiecesFrom(f), "");
    // Given up halfway, as when a pass fails: only the new text stays.
    f.SeekToBegin();
    f.WriteString(CString("new text, half"));
  }
  EXPECT_EQ(ReadWholeFile(path), "new text, half");
}

TEST(CStdioFileWriting, ReportsAFullDiskWhenTheBufferIsWritten) {
  CStdioFile f(CString("/dev/full"),
               CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText);
  f.WriteString(CString("x"));
  EXPECT_EQ(FileErrorOf([&] { f.Close(); }),
            "Disk full while writing /dev/full. (No space left on device)");
}

}  // namespace
