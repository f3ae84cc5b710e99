#include "platform/files/stdio_file.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/temp_dir.h"

namespace {

std::vector<std::string> Pieces(const std::string& path) {
  CStdioFile f(CString(path.c_str()), CStdioFile::modeRead | CStdioFile::typeText);
  std::vector<std::string> out;
  CString piece;
  while (f.ReadString(piece)) out.push_back(piece.str());
  f.Close();
  return out;
}

std::vector<std::string> PiecesOf(const std::string& bytes) {
  TempDir dir;
  return Pieces(dir.Write("f.c", bytes));
}

std::string MessageOfOpening(const std::string& path, unsigned flags) {
  try {
    CStdioFile f(CString(path), flags);
  } catch (const CFileException& e) {
    return e.GetErrorMessage().str();
  }
  return "(opened)";
}

const unsigned kRead = CStdioFile::modeRead | CStdioFile::typeText;
const unsigned kCreate = CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText;

using Lines = std::vector<std::string>;

TEST(CStdioFileReading, TurnsCrLfIntoLfAndLeavesEveryOtherByteAlone) {
  EXPECT_EQ(PiecesOf(""), Lines{});
  EXPECT_EQ(PiecesOf("int a;\nint b;"), (Lines{"int a;\n", "int b;"}));
  EXPECT_EQ(PiecesOf(std::string("a\0b\x1A" "c\n\x1A", 7)),
            (Lines{std::string("a\0b\x1A" "c\n", 6), "\x1A"}));
  EXPECT_EQ(PiecesOf("a\r\nb\n"), (Lines{"a\n", "b\n"}));
  EXPECT_EQ(PiecesOf("a\rb\n"), (Lines{"a\rb\n"}));
  EXPECT_EQ(PiecesOf("a\r\r\nb"), (Lines{"a\r\n", "b"}));
  EXPECT_EQ(PiecesOf("end\r"), (Lines{"end\r"}));
  EXPECT_EQ(PiecesOf("\r\n\r\n"), (Lines{"\n", "\n"}));
}

TEST(CStdioFileReading, CutsPiecesAt255BytesOrAfterALineFeed) {
  std::string line(600, 'x');
  EXPECT_EQ(PiecesOf(line + "\n"),
            (Lines{std::string(255, 'x'), std::string(255, 'x'), std::string(90, 'x') + "\n"}));
  EXPECT_EQ(PiecesOf(std::string(255, 'y') + "\n"), (Lines{std::string(255, 'y'), "\n"}));
  EXPECT_EQ(PiecesOf(std::string(254, 'y') + "\n"), (Lines{std::string(254, 'y') + "\n"}));
  // The cut counts bytes after CR LF became LF.
  EXPECT_EQ(PiecesOf(std::string(254, 'z') + "\r\n"), (Lines{std::string(254, 'z') + "\n"}));
}

TEST(CStdioFileReading, JoinsACrLfPairSplitAcrossReadBlocks) {
  // Files are read in blocks of 128 KiB: the first block ends between the
  // CR and the LF.
  std::vector<std::string> pieces = PiecesOf(std::string(131071, 'a') + "\r\nb");
  ASSERT_EQ(pieces.size(), 516u);
  EXPECT_EQ(pieces[513], std::string(255, 'a'));
  EXPECT_EQ(pieces[514], "a\n");
  EXPECT_EQ(pieces[515], "b");
}

TEST(CStdioFileReading, RefusesWhatIsNotARegularFileBeforeReading) {
  TempDir dir;
  std::string sub = dir.Join("lib.c");
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  EXPECT_EQ(MessageOfOpening(sub, kRead), sub + " is not a regular file.");
  // A FIFO with no writer would block an ordinary open.
  std::string fifo = dir.Join("pipe.c");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(MessageOfOpening(fifo, kRead), fifo + " is not a regular file.");
  EXPECT_EQ(MessageOfOpening("/dev/null", kRead), "/dev/null is not a regular file.");
}

TEST(CStdioFileReading, NamesAMissingFile) {
  TempDir dir;
  std::string missing = dir.Join("gone.c");
  EXPECT_EQ(MessageOfOpening(missing, kRead), missing + " was not found.");
  try {
    CStdioFile f(CString(missing.c_str()), kRead);
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, CString(missing.c_str()));
  }
  // A zero byte in a path must not open the file named by its first part.
  std::string real = dir.Write("a.c", "x");
  EXPECT_EQ(MessageOfOpening(real + std::string("\0.c", 3), kRead),
            real + std::string("\0.c", 3) + " was not found.");
}

TEST(CStdioFileReading, ReportsAFileThatShrinksWhileItIsRead) {
  TempDir dir;
  std::string path = dir.Write("big.c", std::string(1024 * 1024, 'x'));
  CStdioFile f(CString(path.c_str()), kRead);
  CString piece;
  ASSERT_TRUE(f.ReadString(piece));
  ASSERT_EQ(truncate(path.c_str(), 1000), 0);
  try {
    while (f.ReadString(piece)) {
    }
    FAIL() << "the shortened file read as complete";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.GetErrorMessage().str(),
              "A read error occurred on " + path + ". (the file shrank while it was read)");
  }
}

TEST(CStdioFileReading, ReadsAFileToItsEndAfterItVanished) {
  TempDir dir;
  std::string path = dir.Write("v.c", std::string(300000, 'v'));
  CStdioFile f(CString(path.c_str()), kRead);
  CString piece;
  ASSERT_TRUE(f.ReadString(piece));
  ASSERT_EQ(unlink(path.c_str()), 0);
  std::size_t total = piece.GetLength();
  while (f.ReadString(piece)) total += piece.GetLength();
  EXPECT_EQ(total, 300000u);
}

TEST(CStdioFileRewriting, ReadsBackExactlyWhatWasWrittenSinceTheLastRewind) {
  TempDir dir;
  std::string path = dir.Join("tmp2.fnc");
  const unsigned kBoth = CStdioFile::modeCreate | CStdioFile::modeNoTruncate |
                         CStdioFile::modeReadWrite | CStdioFile::typeText;
  CStdioFile f(CString(path), kBoth);
  f.WriteString(CString(std::string(300000, 'L') + "\n"));
  f.SetLength(f.GetPosition());
  // A shorter text over the longer one: the rest is gone for readers at
  // once, and on disk once the file is closed.
  f.SeekToBegin();
  f.WriteString(CString("short\r\n"));
  f.SetLength(f.GetPosition());
  f.SeekToBegin();
  CString piece;
  std::vector<std::string> pieces;
  while (f.ReadString(piece)) pieces.push_back(piece.str());
  EXPECT_EQ(pieces, (Lines{"short\n"}));
  // An empty text reads as nothing, however long the file was.
  f.SeekToBegin();
  f.SetLength(f.GetPosition());
  f.SeekToBegin();
  EXPECT_FALSE(f.ReadString(piece));
  f.Close();
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(CStdioFileRewriting, LeavesOnlyTheNewTextWhenClosedBeforeItsEnd) {
  // As when a failure ends a pass: the file is given up halfway through.
  TempDir dir;
  std::string path = dir.Write("tmp1.fnc", std::string(100000, 'o'));
  {
    CStdioFile f(CString(path), CStdioFile::modeCreate | CStdioFile::modeNoTruncate |
                                    CStdioFile::modeReadWrite | CStdioFile::typeText);
    f.SetLength(0);
    f.WriteString(CString("new text, half"));
  }
  EXPECT_EQ(ReadWholeFile(path), "new text, half");
}

TEST(CStdioFileWriting, ReportsAFullDiskWhenTheBufferIsWritten) {
  CStdioFile f(CString("/dev/full"), kCreate);
  f.WriteString(CString("x"));
  try {
    f.Close();
    FAIL() << "the write to a full device succeeded";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.GetErrorMessage().str(),
              "Disk full while writing /dev/full. (No space left on device)");
  }
}

}  // namespace
