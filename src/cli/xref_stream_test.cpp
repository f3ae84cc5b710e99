#include "cli/xref_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "analysis/pipeline.h"
#include "tests/temp_dir.h"

namespace {

// A table of n functions f0, f1, ..., each calling g and h.
class Table {
 public:
  explicit Table(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
      text += "void f" + std::to_string(i) + "(void)\n{\n  g();\n  h();\n}\n";
    CSourceList sources(std::vector<CString>{CString(m_dir.Write("a.c", text))});
    m_engine.Run(sources, AnalysisRequest());
  }
  const CFunctionTable& get() const { return m_engine.GetTable(); }
  int size() const { return get().GetFunctionCount(); }
  /// Hands stream the entries from *from up to upTo; *from follows.
  void Feed(XrefStream& stream, int* from, int upTo) const {
    for (; *from < upTo; ++*from) stream.Feed(get().GetEntry(*from));
  }

 private:
  TempDir m_dir;
  CAnalysisEngine m_engine;
};

// Writes down what it is handed, as "NAME:LINE CALL:LINE...". Throws
// bad_alloc at entry failAt (or at Finish when failAt is -1), and, when
// it has a stream to wait for, stalls in its first entry until that stream
// has held its producer back.
class Recorder : public XrefFormatter {
 public:
  bool NeedsPlaces() const override { return true; }
  void Add(const XrefRecord& r) override {
    if (adds == failAt) throw std::bad_alloc();
    if (adds++ == 0 && stalledFor) {
      for (int i = 0; i < 100000 && stalledFor->HeldBack() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    text += std::string(r.name) + ":" + std::to_string(r.line);
    for (std::size_t k = 0; k < r.calls.size(); ++k)
      text += " " + std::string(r.calls[k]) + ":" + std::to_string(r.sites[k].line);
    text += "\n";
  }
  void Finish() override {
    ++finishes;
    if (failAt == -1) throw std::bad_alloc();
  }

  int failAt = -2;
  const XrefStream* stalledFor = nullptr;
  int adds = 0, finishes = 0;
  std::string text;
};

std::thread NoThread(std::function<void()>) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

std::string Expected(int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += "f" + std::to_string(i) + ":" + std::to_string(5 * i + 1) + " g:" +
         std::to_string(5 * i + 3) + " h:" + std::to_string(5 * i + 4) + "\n";
  return s;
}

TEST(XrefStream, FormatsEveryEntryInOrderOnOneThreadOrTwoOrWhenNoThreadCanBeHad) {
  Table table(30000);  // several batches
  struct Case {
    bool threaded;
    XrefStream::ThreadStarter start;
    bool expectThreaded;
  } cases[] = {{false, &XrefStream::StartFormattingThread, false},
               {true, &XrefStream::StartFormattingThread, true},
               {true, &NoThread, false}};
  for (const Case& c : cases) {
    Recorder rec;
    XrefSelection all;
    XrefStream stream(rec, all, c.threaded, c.start);
    EXPECT_EQ(stream.Threaded(), c.expectThreaded);
    int fed = 0;
    table.Feed(stream, &fed, 12345);
    table.Feed(stream, &fed, table.size());
    stream.Finish();
    stream.Finish();
    EXPECT_EQ(rec.finishes, 1);
    EXPECT_EQ(rec.text, Expected(30000)) << c.threaded;
  }
}

// The formatter fails at its first entry, at one in the third batch, or
// when finishing: the failure comes out once, from Feed or Finish; nothing
// is handed to the formatter after it; the thread is joined (a thread left
// joinable would end the test in std::terminate).
TEST(XrefStream, ReportsAFormattersFailureOnceAndFormatsNothingAfterIt) {
  Table table(30000);
  for (bool threaded : {false, true}) {
    for (int failAt : {0, 20000, -1}) {
      SCOPED_TRACE(std::to_string(threaded) + " " + std::to_string(failAt));
      Recorder rec;
      rec.failAt = failAt;
      XrefSelection all;
      int failures = 0;
      {
        XrefStream stream(rec, all, threaded);
        int fed = 0;
        for (int upTo : {10000, 20000, 30000, 30000}) {
          try {
            table.Feed(stream, &fed, upTo);
          } catch (const std::bad_alloc&) {
            ++failures;
          }
        }
        for (int k = 0; k < 2; ++k) {
          try {
            stream.Finish();
          } catch (const std::bad_alloc&) {
            ++failures;
          }
        }
      }
      EXPECT_EQ(failures, 1);
      EXPECT_EQ(rec.adds, failAt == -1 ? 30000 : failAt);
      EXPECT_EQ(rec.finishes, failAt == -1 ? 1 : 0);
    }
  }
}

// The formatter stalls (a reader that does not read) until the producer
// has had to wait: what waits in the queue stays within the bound.
TEST(XrefStream, HoldsTheProducerBackWhileTheFormatterStalls) {
  Table table(30000);  // about 1.2 MB encoded: five batches
  Recorder rec;
  XrefSelection all;
  XrefStream stream(rec, all, true, &XrefStream::StartFormattingThread, 1);
  rec.stalledFor = &stream;
  int fed = 0;
  table.Feed(stream, &fed, table.size());
  stream.Finish();
  EXPECT_GE(stream.HeldBack(), 1);
  EXPECT_EQ(rec.text, Expected(30000));
}

// Destroyed unfinished, as when the run ends in an exception: the thread
// stops without finishing the formatter.
TEST(XrefStream, StopsItsThreadWhenDestroyedUnfinished) {
  Table table(100);
  Recorder rec;
  XrefSelection all;
  {
    XrefStream stream(rec, all, true);
    int fed = 0;
    table.Feed(stream, &fed, table.size());
  }
  EXPECT_EQ(rec.finishes, 0);
}

}  // namespace
