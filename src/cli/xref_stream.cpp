#include "cli/xref_stream.h"

#include <sched.h>

#include <cstdint>
#include <cstring>

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

bool XrefStream::SecondThreadHelps() {
  cpu_set_t set;
  return sched_getaffinity(0, sizeof set, &set) != 0 || CPU_COUNT(&set) >= 2;
}

XrefStream::XrefStream(XrefFormatter& formatter, const XrefSelection& selection, bool threaded)
    : m_formatter(formatter),
      m_sel(selection),
      m_bPlaces(formatter.NeedsPlaces()),
      m_bEntryLines(!m_bPlaces && formatter.NeedsEntryLines()),
      m_bThreaded(threaded) {
  if (m_bThreaded) {
    m_batch.reserve(kBatch + kBatch / 4);
    m_thread = std::thread(&XrefStream::Work, this);
  }
}

XrefStream::~XrefStream() {
  try {
    Finish();
  } catch (...) {
    // Reported only through Finish(); a destructor must not throw.
  }
}

void XrefStream::Feed(const CTableEntry& e) {
  bool selected = m_sel.Selects(e);
  if (!selected && !m_formatter.NeedsAll()) return;
  const CCallList& calls = e.calls;
  if (!m_bThreaded) {
    if (m_bPlaces) ReadPlaces(e, &m_record);
    if (m_bEntryLines) m_record.line = e.line;
    m_record.index = e.index;
    m_record.file = e.file;
    m_record.selected = selected;
    m_record.name = e.name;
    m_record.source = e.source;
    m_record.outName = e.outName;
    m_record.calls.clear();
    for (POSITION pos = calls.GetHeadPosition(); pos;)
      m_record.calls.push_back(calls.GetNextView(pos));
    m_formatter.Add(m_record);
    return;
  }
  bool newFile = e.file != m_nSentFile;
  m_nSentFile = e.file;
  PutNumber(m_batch, static_cast<std::uint32_t>(e.index));
  PutNumber(m_batch, static_cast<std::uint32_t>(e.file));
  m_batch += static_cast<char>((selected ? kSelected : 0) | (newFile ? kFileTexts : 0));
  if (newFile) {
    PutText(m_batch, e.source);
    PutText(m_batch, e.outName);
  }
  PutText(m_batch, e.name);
  PutNumber(m_batch, static_cast<std::uint32_t>(calls.GetCount()));
  for (POSITION pos = calls.GetHeadPosition(); pos;) PutText(m_batch, calls.GetNextView(pos));
  if (m_bPlaces) PutPlaces(e);
  if (m_bEntryLines) PutNumber(m_batch, static_cast<std::uint32_t>(e.line));
  // Handed over as soon as it is full: the memory of each bigger batch
  // would be fresh.
  if (m_batch.size() >= kBatch) Hand();
}

void XrefStream::ReadPlaces(const CTableEntry& e, XrefRecord* r) {
  r->line = e.line;
  r->encoding = EncodingName(e.encoding);
  r->sites.resize(static_cast<std::size_t>(e.calls.GetCount()));
  POSITION pos = e.calls.GetHeadPosition();
  for (XrefCallSite& site : r->sites) {
    site.line = e.calls.LineAt(pos);
    site.file = e.calls.FileAt(pos);
    site.source = site.file == e.file ? std::string_view() : e.calls.SourceAt(pos);
    e.calls.GetNextView(pos);
  }
}

void XrefStream::PutPlaces(const CTableEntry& e) {
  ReadPlaces(e, &m_places);
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
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::string());
    m_queue.back().swap(m_batch);
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
        m_ready.wait(lock, [this] { return m_bDone || !m_queue.empty(); });
        if (m_queue.empty()) break;  // done, and nothing left
        batch = std::move(m_queue.front());
        m_queue.pop_front();
      }
      Decode(batch);
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_spare.size() < 2) m_spare.push_back(std::move(batch));
    }
    m_formatter.Finish();
  } catch (...) {
    m_error = std::current_exception();
  }
}

void XrefStream::Finish() {
  if (m_bFinished) return;
  m_bFinished = true;
  if (m_bThreaded) {
    if (!m_batch.empty()) Hand();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bDone = true;
    }
    m_ready.notify_one();
    m_thread.join();
    if (m_error) std::rethrow_exception(m_error);
  } else {
    m_formatter.Finish();
  }
}
