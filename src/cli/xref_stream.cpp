#include "cli/xref_stream.h"

#include <sched.h>

#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/files/removed_on_signal.h"
#include "platform/text/text_encoding.h"

namespace {

constexpr std::size_t kBatch = 256 * 1024;

// The two ends of a batch: what Code describes, one writes as numbers and
// texts (each text as its length and its bytes) and the other reads back,
// its texts as views into the batch.
class BatchWriter {
 public:
  explicit BatchWriter(std::string& batch) : m_b(batch) {}
  void Number(int& n) { Put(static_cast<std::uint32_t>(n)); }
  void Flag(bool& f) { m_b += static_cast<char>(f); }
  void Text(std::string_view& s) {
    Put(static_cast<std::uint32_t>(s.size()));
    m_b.append(s);
  }
  template <class T, class F>
  void List(std::vector<T>& items, F each) {
    Put(static_cast<std::uint32_t>(items.size()));
    for (T& item : items) each(item);
  }

 private:
  void Put(std::uint32_t n) { m_b.append(reinterpret_cast<const char*>(&n), 4); }
  std::string& m_b;
};

class BatchReader {
 public:
  explicit BatchReader(const char*& p) : m_p(p) {}
  void Number(int& n) { n = static_cast<int>(Take()); }
  void Flag(bool& f) { f = *m_p++ != 0; }
  void Text(std::string_view& s) {
    std::uint32_t n = Take();
    s = std::string_view(m_p, n);
    m_p += n;
  }
  template <class T, class F>
  void List(std::vector<T>& items, F each) {
    items.resize(Take());
    for (T& item : items) each(item);
  }

 private:
  std::uint32_t Take() {
    std::uint32_t n;
    std::memcpy(&n, m_p, 4);
    m_p += 4;
    return n;
  }
  const char*& m_p;
};

// An entry as it travels to the formatting thread, both ways: index, file,
// selected, whether the file's texts follow and then they (its source and
// output name), name, whether its scope is a namespace, and calls; then, for a formatter that needs them, the
// places (line, encoding, and each call's line, file and path when not the
// entry's file), or only the line for one that needs no more. A file's
// texts travel with its first entry only: the entries of a file come
// together, and copying a path for every one of them cost more than the
// names.
template <class Codec>
void Code(Codec& c, XrefRecord& r, bool& fileTexts, bool places, bool entryLine) {
  c.Number(r.index);
  c.Number(r.file);
  c.Flag(r.selected);
  c.Flag(fileTexts);
  if (fileTexts) {
    c.Text(r.source);
    c.Text(r.outName);
  }
  c.Text(r.name);
  c.Flag(r.inNamespace);
  c.List(r.calls, [&c](std::string_view& call) { c.Text(call); });
  if (places) {
    c.Number(r.line);
    c.Text(r.encoding);
    c.List(r.sites, [&c](XrefCallSite& site) {
      c.Number(site.line);
      c.Number(site.file);
      c.Text(site.source);
    });
  } else if (entryLine) {
    c.Number(r.line);
  }
}

}  // namespace

std::thread XrefStream::StartFormattingThread(std::function<void()> work) {
  return StartThreadWithoutSignals(std::move(work));
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

void XrefStream::Feed(const CTableEntry& entry) {
  if (m_bDone) return;
  try {
    FeedEntry(entry);
  } catch (...) {
    // A formatter that failed half-way through an entry takes no more.
    Stop(false);
    throw;
  }
}

void XrefStream::FeedEntry(const CTableEntry& e) {
  bool selected = m_sel.Selects(e);
  m_bAnySelected = m_bAnySelected || selected;
  if (!selected && !m_formatter.NeedsAll()) return;
  Read(e, selected);
  if (!m_bThreaded) {
    m_formatter.Add(m_read);
    return;
  }
  bool fileTexts = m_read.file != m_nSentFile;
  m_nSentFile = m_read.file;
  BatchWriter writer(m_batch);
  Code(writer, m_read, fileTexts, m_bPlaces, m_bEntryLines);
  // Handed over as soon as it is full: a batch that grew past its buffer
  // would be fresh memory each time.
  if (m_batch.size() >= kBatch) Hand();
}

void XrefStream::Read(const CTableEntry& e, bool selected) {
  XrefRecord& r = m_read;
  r.index = e.index;
  r.file = e.file;
  r.selected = selected;
  r.name = e.name;
  r.inNamespace = e.inNamespace;
  r.source = e.source;
  r.outName = e.outName;
  r.calls.clear();
  for (POSITION pos = e.calls.GetHeadPosition(); pos;) r.calls.push_back(e.calls.GetNextView(pos));
  if (m_bPlaces || m_bEntryLines) r.line = e.line;
  if (!m_bPlaces) return;
  r.encoding = EncodingName(e.encoding);
  r.sites.resize(r.calls.size());
  POSITION pos = e.calls.GetHeadPosition();
  for (XrefCallSite& site : r.sites) {
    site.line = e.calls.LineAt(pos);
    site.file = e.calls.FileAt(pos);
    site.source = site.file == r.file ? std::string_view() : e.calls.SourceAt(pos);
    e.calls.GetNextView(pos);
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
  BatchReader reader(p);
  while (p < end) {
    bool fileTexts = false;
    Code(reader, m_decoded, fileTexts, m_bPlaces, m_bEntryLines);
    if (fileTexts) {
      m_fileSource.assign(m_decoded.source);
      m_fileOutName.assign(m_decoded.outName);
    }
    m_decoded.source = m_fileSource;
    m_decoded.outName = m_fileOutName;
    m_formatter.Add(m_decoded);
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
