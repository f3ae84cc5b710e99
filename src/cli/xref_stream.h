// Hands the entries of a running analysis to a formatter as they become
// final. Threaded, the formatter works on a thread of its own from copies,
// so that formatting JSON or a graph overlaps the analysis instead of
// following it.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/function_table.h"
#include "cli/xref_formats.h"

class XrefStream {
 public:
  /// Starts a thread running work. Throws std::system_error when the system
  /// has no thread to give (a process or address-space limit).
  using ThreadStarter = std::thread (*)(std::function<void()> work);
  /// The starter every run uses: the formatting thread is started here only.
  static std::thread StartFormattingThread(std::function<void()> work);

  /// Whether a thread of its own speeds the formatter up: whenever this
  /// process may run on two processors or more. Even with every processor
  /// busy with other work it does, as the scheduler shares time out by
  /// thread; on a single processor the hand-over is pure cost.
  static bool SecondThreadHelps();

  /// The most encoded entries waiting for the formatting thread, in bytes:
  /// beyond that Feed waits, so that a reader that stalls holds the run
  /// back rather than filling memory.
  static constexpr std::size_t kMaxQueued = 8 * 1024 * 1024;

  /// Neither is owned; both must outlive the stream. threaded asks for a
  /// formatting thread; when start cannot give one, the caller's thread
  /// formats (Threaded() tells). maxQueued: as kMaxQueued.
  XrefStream(XrefFormatter& formatter, const XrefSelection& selection, bool threaded,
             ThreadStarter start = &StartFormattingThread,
             std::size_t maxQueued = kMaxQueued);
  /// Stops and joins the formatting thread. Does not finish the formatter:
  /// a stream left without Finish() is one whose run failed.
  ~XrefStream();
  XrefStream(const XrefStream&) = delete;
  XrefStream& operator=(const XrefStream&) = delete;

  bool Threaded() const { return m_bThreaded; }
  /// How many times Feed or Finish waited for the formatting thread to make
  /// room in the queue.
  int HeldBack() const;
  /// Whether an entry handed over so far was selected.
  bool AnySelected() const { return m_bAnySelected; }

  /// Hands over the next entry of the table. REQUIRES: it is final, and
  /// the entries before it were handed over. Throws what the formatter
  /// threw, once; the stream then takes nothing more, and its thread is
  /// joined.
  void Feed(const CTableEntry& entry);
  /// Waits until the formatter has had every entry handed over, then has it
  /// finish; the thread is joined. Throws what the formatter threw, unless
  /// Feed did. Only the first call does anything.
  void Finish();

 private:
  void FeedEntry(const CTableEntry& entry);
  // Ends the formatting thread and joins it: after the queued entries and
  // the formatter's Finish when finish, else at once. The stream is done.
  void Stop(bool finish);
  void Work();
  void Decode(const std::string& batch);
  void Hand();
  // An entry into m_read, with the places the formatter needs.
  void Read(const CTableEntry& entry, bool selected);

  XrefFormatter& m_formatter;
  const XrefSelection& m_sel;
  XrefRecord m_read;  // the entry being handed over; its vectors keep their room
  bool m_bPlaces;
  bool m_bEntryLines;  // and not the other places
  bool m_bDone = false;  // finished, or failed: nothing more is taken
  bool m_bAnySelected = false;

  // Threaded: batches of encoded entries, from Feed to Work.
  bool m_bThreaded = false;
  std::string m_batch;
  int m_nSentFile = -1;  // whose texts the decoder has
  // Touched by the formatting thread only, while it runs:
  XrefRecord m_decoded;
  std::string m_fileSource, m_fileOutName;  // the decoder's copies
  // Guarded by m_mutex:
  mutable std::mutex m_mutex;
  std::condition_variable m_ready;  // a batch, or the end, for Work
  std::condition_variable m_room;   // room in the queue, or a failure, for Hand
  std::deque<std::string> m_queue;
  std::size_t m_nQueued = 0;         // bytes in m_queue
  const std::size_t m_nMaxQueued;
  int m_nHeldBack = 0;
  std::vector<std::string> m_spare;  // handed back, to be filled again
  bool m_bLast = false;    // no more batches: finish the formatter
  bool m_bCancel = false;  // stop at once, the formatter unfinished
  std::exception_ptr m_error;  // what the formatter threw, until reported

  std::thread m_thread;
};
