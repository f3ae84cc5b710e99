// Hands the entries of a running analysis to a formatter as they become
// final. Threaded, the formatter works on a thread of its own from copies,
// so that formatting JSON or a graph overlaps the analysis instead of
// following it.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/function_table.h"
#include "cli/xref_formats.h"

class XrefStream {
 public:
  /// Whether a thread of its own speeds the formatter up: whenever this
  /// process may run on two processors or more. Even with every processor
  /// busy with other work it does, as the scheduler shares time out by
  /// thread; on a single processor the hand-over is pure cost.
  static bool SecondThreadHelps();

  /// Neither is owned; both must outlive the stream.
  XrefStream(XrefFormatter& formatter, const XrefSelection& selection, bool threaded);
  /// Finishes, if Finish was not called.
  ~XrefStream();
  XrefStream(const XrefStream&) = delete;
  XrefStream& operator=(const XrefStream&) = delete;

  /// Hands over the next entry of the table. REQUIRES: it is final, and
  /// the entries before it were handed over.
  void Feed(const CTableEntry& entry);
  /// Waits until the formatter has had every entry handed over, then has it
  /// finish. Rethrows what the formatter threw.
  void Finish();

 private:
  void Work();
  void Decode(const std::string& batch);
  void Hand();
  // The places of an entry (for a formatter that NeedsPlaces): read into a
  // record, added to the batch, taken from a batch into m_record.
  static void ReadPlaces(const CTableEntry& e, XrefRecord* r);
  void PutPlaces(const CTableEntry& e);
  void TakePlaces(const char*& p);

  XrefFormatter& m_formatter;
  const XrefSelection& m_sel;
  XrefRecord m_record;  // reused: its call vector keeps its room
  bool m_bPlaces;
  bool m_bEntryLines;  // and not the other places
  XrefRecord m_places;  // scratch of PutPlaces
  bool m_bFinished = false;

  // Threaded: batches of encoded entries, from Feed to Work.
  bool m_bThreaded;
  std::string m_batch;
  int m_nSentFile = -1;  // whose texts the decoder has
  std::string m_fileSource, m_fileOutName;  // the decoder's copies
  std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<std::string> m_queue;
  std::vector<std::string> m_spare;  // handed back, to be filled again
  bool m_bDone = false;
  std::exception_ptr m_error;
  std::thread m_thread;
};
