#pragma once
// The second half of making a record, on a thread of its own: while the scan thread walks on
// and fills a new record's text part and attachments, this thread decodes its display texts
// (DecodeMailItemTexts). The scan thread then publishes the records, in the order it made
// them, once their texts are ready: the store, the Inbox, the view and the counters see them
// exactly as if they had been made in one go, and only from the scan thread.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "scan/mail_item.h"
#include "scan/view.h"

class CRecordFinisher {
 public:
  // `view` (may be null) is told of each record as it is published.
  explicit CRecordFinisher(CMailView* view) : m_pView(view) {}
  ~CRecordFinisher();
  CRecordFinisher(const CRecordFinisher&) = delete;
  CRecordFinisher& operator=(const CRecordFinisher&) = delete;

  // Scan thread: a new record whose display texts are still to be decoded. From now on the
  // scan thread leaves its strFrom, strTo, strSubject and strDate alone. Publishes the
  // records handed earlier whose texts are ready.
  void Hand(tagMailItem* item);
  // Scan thread: decodes or waits for every record handed so far, and publishes them all.
  void Finish();

 private:
  // Records are handed to the thread this many at a time: one wake-up serves them all.
  static constexpr size_t kBatch = 32;

  void Flush();  // hands the batch over
  void Run();    // the thread
  void PublishDecoded(size_t decoded);

  CMailView* const m_pView;
  // Scan thread's own.
  std::vector<tagMailItem*> m_batch;       // made, not handed over yet
  std::deque<tagMailItem*> m_unpublished;  // handed over, in order, not published yet
  size_t m_nHanded = 0;                    // records handed over since the last Finish
  size_t m_nPublished = 0;                 // of those, published
  bool m_bInline = false;  // no thread could be started: texts are decoded when handed over
  // Shared.
  std::mutex m_lock;
  std::condition_variable m_wake;  // work or the end, for the thread
  std::vector<tagMailItem*> m_queue;  // guarded: handed over; from m_nTake on not taken yet
  size_t m_nTake = 0;                 // guarded
  bool m_bQuit = false;               // guarded
  // Records the thread decoded since the last Finish, in the order handed; their texts are
  // written before the count is raised.
  std::atomic<size_t> m_nDecoded{0};
  std::thread m_thread;
};
