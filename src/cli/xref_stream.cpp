#include "cli/xref_stream.h"

#include <sched.h>

#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/text/text_encoding.h"

namespace {

// An entry travels as: index, file, a flag byte (selected; the file's
// texts follow), the file's source and output name when they follow, then
// name and each call, every text as its length and its bytes; then, for a
// formatter that needs them, the places: line, encoding and each call's
// line, file and (when not the entry's file) that file's path; or only the
// line, for one that needs no more. A file's texts travel with its first
// entry only: the entries of a file come together, and copying a path for
// every one of them cost more than the names.
constexpr std::size_t kBatch = 256 * 1024;
constexpr char kSelected = 1, kFileTexts = 2;

void PutNumber(std::string& b, std::uint32_t n) { b.append(reinterpret_cast<const char*>(&n), 4); }
void PutText(std::string& b, std::string_view s) {
  PutNumber(b, static_cast<std::uint32_t>(s.size()));
  b.append(s);
}
std::uint32_t TakeNumber(const char*& p) {
  std::uint32_t n;
  std::memcpy(&n, p, 4);
  p += 4;
  return n;
}
std::string_view TakeText(const char*& p) {
  std::uint32_t n = TakeNumber(p);
  std::string_view s(p, n);
  p += n;
  return s;
}

}  // namespace

std::thread XrefStream::StartFormattingThread(std::function<void()> work) {
  return std::thread(std::move(work));
}

bool XrefStream::SecondThreadHelps() {
  cpu_set_t set;
  return sched_getaffinity(0, sizeof set, &set) != 0 || CPU_COUNT(&set) >= 2;
}

XrefStream::XrefStream(XrefFormatter& formatter, const XrefSelection& selection, bool threaded,
                       ThreadStarter start, std::size_t maxQueued)
    : m_formatter(formatter),
      m_sel(selection),
      m_bPlaces(formatter.NeedsPlaces()),
      m_bEntryLines(!m_bPlaces && formatter.NeedsEntryLines()),
      m_nMaxQueued(maxQueued) {
  if (!threaded) return;
  m_batch.reserve(kBatch + kBatch / 4);
  try {
    m_thread = start([this] { Work(); });
  } catch (const std::system_error&) {
    // No thread to be had (ulimit -u or -v, a cgroup at its limit): this
    // one formats, as on a single processor.
    return;
  }
  m_bThreaded = true;
}

XrefStream::~XrefStream() { Stop(false); }

int XrefStream::HeldBack() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nHeldBack;
}

void XrefStream::Feed(const CFunctionTable& engine, int upTo) {
  if (m_bDone) return;
  try {
    FeedEntries(engine, upTo);
  } catch (...) {
    // A formatter that failed half-way through an entry takes no more.
    Stop(false);
    throw;
  }
}

void XrefStream::FeedEntries(const CFunctionTable& engine, int upTo) {
  bool all = m_formatter.NeedsAll();
  for (; m_nNext < upTo; ++m_nNext) {
    int i = m_nNext;
    bool selected = m_sel.Selects(engine, i);
    if (!selected && !all) continue;
    const CCallList calls = engine.GetCallList(i);
    if (!m_bThreaded) {
      if (m_bPlaces) ReadPlaces(engine, i, &m_record);
      if (m_bEntryLines) m_record.line = engine.GetEntryLine(i);
      m_record.index = i;
      m_record.file = engine.GetEntryFile(i);
      m_record.selected = selected;
      m_record.name = engine.GetEntryName(i);
      m_record.source = engine.GetEntrySource(i).view();
      m_record.outName = engine.GetEntryOutName(i).view();
      m_record.calls.clear();
      for (POSITION pos = calls.GetHeadPosition(); pos;)
        m_record.calls.push_back(calls.GetNextView(pos));
      m_formatter.Add(m_record);
      continue;
    }
    int file = engine.GetEntryFile(i);
    bool newFile = file != m_nSentFile;
    m_nSentFile = file;
    PutNumber(m_batch, static_cast<std::uint32_t>(i));
    PutNumber(m_batch, static_cast<std::uint32_t>(file));
    m_batch += static_cast<char>((selected ? kSelected : 0) | (newFile ? kFileTexts : 0));
    if (newFile) {
      PutText(m_batch, engine.GetEntrySource(i).view());
      PutText(m_batch, engine.GetEntryOutName(i).view());
    }
    PutText(m_batch, engine.GetEntryName(i));
    PutNumber(m_batch, static_cast<std::uint32_t>(calls.GetCount()));
    for (POSITION pos = calls.GetHeadPosition(); pos;) PutText(m_batch, calls.GetNextView(pos));
    if (m_bPlaces) PutPlaces(engine, i);
    if (m_bEntryLines) PutNumber(m_batch, static_cast<std::uint32_t>(engine.GetEntryLine(i)));
    // Handed over as soon as it is full, not at the end of the call: a
    // batch of 10,000 entries would outgrow its buffer, and the memory of
    // each bigger one is fresh.
    if (m_batch.size() >= kBatch) Hand();
  }
}

void XrefStream::ReadPlaces(const CFunctionTable& engine, int i, XrefRecord* r) {
  r->line = engine.GetEntryLine(i);
  int file = engine.GetEntryFile(i);
  r->encoding = EncodingName(engine.GetFileEncoding(file));
  r->sites.resize(static_cast<std::size_t>(engine.GetCallList(i).GetCount()));
  for (std::size_t k = 0; k < r->sites.size(); ++k) {
    XrefCallSite& site = r->sites[k];
    site.line = engine.GetCallLine(i, static_cast<int>(k));
    site.file = engine.GetCallFile(i, static_cast<int>(k));
    site.source = site.file == file ? std::string_view() : engine.GetFileSource(site.file).view();
  }
}

void XrefStream::PutPlaces(const CFunctionTable& engine, int i) {
  ReadPlaces(engine, i, &m_places);
  PutNumber(m_batch, static_cast<std::uint32_t>(m_places.line));
  PutText(m_batch, m_places.encoding);
  for (const XrefCallSite& site : m_places.sites) {
    PutNumber(m_batch, static_cast<std::uint32_t>(site.line));
    PutNumber(m_batch, static_cast<std::uint32_t>(site.file));
    PutText(m_batch, site.source);
  }
}

void XrefStream::TakePlaces(const char*& p) {
  m_record.line = static_cast<int>(TakeNumber(p));
  m_record.encoding = TakeText(p);
  m_record.sites.resize(m_record.calls.size());
  for (XrefCallSite& site : m_record.sites) {
    site.line = static_cast<int>(TakeNumber(p));
    site.file = static_cast<int>(TakeNumber(p));
    site.source = TakeText(p);
  }
}

void XrefStream::Hand() {
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto room = [this] { return m_nQueued < m_nMaxQueued || m_error; };
    if (!room()) {
      ++m_nHeldBack;
      m_room.wait(lock, room);
    }
    if (m_error) {
      std::exception_ptr error = m_error;
      m_error = nullptr;
      std::rethrow_exception(error);
    }
    m_queue.push_back(std::string());
    m_queue.back().swap(m_batch);
    m_nQueued += m_queue.back().size();
    // A batch the formatter is done with comes back: a fresh one each time
    // would cost the allocator and the page faults of a new block.
    if (!m_spare.empty()) {
      m_batch.swap(m_spare.back());
      m_spare.pop_back();
    }
  }
  m_ready.notify_one();
  m_batch.clear();
  m_batch.reserve(kBatch + kBatch / 4);
}

void XrefStream::Decode(const std::string& batch) {
  const char* p = batch.data();
  const char* end = p + batch.size();
  while (p < end) {
    m_record.index = static_cast<int>(TakeNumber(p));
    m_record.file = static_cast<int>(TakeNumber(p));
    char flags = *p++;
    m_record.selected = (flags & kSelected) != 0;
    if (flags & kFileTexts) {
      m_fileSource.assign(TakeText(p));
      m_fileOutName.assign(TakeText(p));
    }
    m_record.source = m_fileSource;
    m_record.outName = m_fileOutName;
    m_record.name = TakeText(p);
    std::uint32_t n = TakeNumber(p);
    m_record.calls.clear();
    for (std::uint32_t k = 0; k < n; ++k) m_record.calls.push_back(TakeText(p));
    if (m_bPlaces) TakePlaces(p);
    if (m_bEntryLines) m_record.line = static_cast<int>(TakeNumber(p));
    m_formatter.Add(m_record);
  }
}

void XrefStream::Work() {
  try {
    for (;;) {
      std::string batch;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return m_bLast || m_bCancel || !m_queue.empty(); });
        if (m_bCancel) return;
        if (m_queue.empty()) break;  // the last batch is done
        batch = std::move(m_queue.front());
        m_queue.pop_front();
      }
      Decode(batch);
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nQueued -= batch.size();
        if (m_spare.size() < 2) m_spare.push_back(std::move(batch));
      }
      m_room.notify_one();
    }
    m_formatter.Finish();
  } catch (...) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = std::current_exception();
    // What is queued will not be formatted: Hand must not wait for room.
    m_queue.clear();
    m_nQueued = 0;
  }
  m_room.notify_one();
}

void XrefStream::Finish() {
  if (m_bDone) return;
  if (!m_bThreaded) {
    m_bDone = true;
    m_formatter.Finish();
    return;
  }
  try {
    if (!m_batch.empty()) Hand();
  } catch (...) {
    Stop(false);
    throw;
  }
  Stop(true);
  if (m_error) std::rethrow_exception(m_error);
}

void XrefStream::Stop(bool finish) {
  m_bDone = true;
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    (finish ? m_bLast : m_bCancel) = true;
  }
  m_ready.notify_one();
  m_thread.join();
}
