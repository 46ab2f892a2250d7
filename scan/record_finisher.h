#pragma once
// The second half of making a record, on a thread of its own: while the scan thread walks on
// and fills a new record's text part and attachments, this thread decodes its display texts
// (DecodeMailItemTexts) and, once the text part is transfer-decoded, makes its display text
// (tagMailItem::SetBodyText). The scan thread publishes the records, in the order it made
// them, once their texts are ready: the store, the Inbox, the view and the counters see them
// exactly as if they had been made in one go, and only from the scan thread.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
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
  // Scan thread: the display text of a record's text part is to be made from `text` (what
  // DecodeBodyBytes gave). Several for one record take effect in the order handed.
  void HandBody(tagMailItem* item, tagBodyText&& text);
  // Scan thread: does or waits for everything handed so far, and publishes every record.
  void Finish();

 private:
  // One piece of work: a record's display texts, or its text part's display text.
  struct tagTask {
    tagMailItem* pItem = nullptr;
    bool bBody = false;
    tagBodyText body;
  };
  // Work is handed to the thread this many tasks at a time: one wake-up serves them all.
  static constexpr size_t kBatch = 64;

  static void Do(tagTask& task);
  void Add(tagTask&& task);
  void Flush();  // hands the batch over
  void Run();    // the thread
  void PublishDone(size_t done);

  CMailView* const m_pView;
  // Scan thread's own.
  std::vector<tagTask> m_batch;  // not handed over yet
  // Records not published yet, in order, each with the number of its task (counted from the
  // last Finish): it is published once the thread has done that many tasks and one more.
  std::deque<std::pair<tagMailItem*, size_t>> m_unpublished;
  size_t m_nHanded = 0;    // tasks handed over since the last Finish
  bool m_bInline = false;  // no thread could be started: tasks are done when handed over
  // Shared.
  std::mutex m_lock;
  std::condition_variable m_wake;  // work or the end, for the thread
  std::vector<tagTask> m_queue;    // guarded: handed over; from m_nTake on not taken yet
  size_t m_nTake = 0;              // guarded
  bool m_bQuit = false;            // guarded
  // Tasks the thread has done since the last Finish, in the order handed; what a task
  // writes is written before the count is raised.
  std::atomic<size_t> m_nDone{0};
  std::thread m_thread;
};
