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
  // Scan thread, at the end of a chunk: everything handed before the kLagChunks-th call
  // before this one is done (or waited for) and its records published, as are the later
  // records that are ready; the rest is handed over to the thread. So a record is published
  // at the latest at the end of the kLagChunks-th chunk after the one it was made in. Finish
  // must follow at the end.
  void FinishPrevious();
  // Chunks the thread may lag behind. A chunk dense with records takes the thread longer
  // than the scan thread takes to walk it, and a lagging thread's work is done by the scan
  // thread: a few chunks of slack smooth that out while records still appear within a few
  // MiB of where they were found.
  static constexpr size_t kLagChunks = 4;

 private:
  // One piece of work: a record's display texts, or its text part's display text.
  struct tagTask {
    size_t nIndex = 0;  // in the order handed, from 0 at the last Finish
    tagMailItem* pItem = nullptr;
    bool bBody = false;
    tagBodyText body;
  };
  // Work is handed to the thread this many tasks at a time: one wake-up serves them all.
  static constexpr size_t kBatch = 256;

  static void Do(tagTask& task);
  void Add(tagTask&& task);
  void Flush();  // hands the batch over
  void Run();    // the thread
  // Does (or waits for) every task numbered below `through`; tasks of the batch included.
  void Complete(size_t through);
  // Publishes, in order, the records whose tasks are done: those numbered below `done`.
  void PublishDone(size_t done);

  CMailView* const m_pView;
  // Scan thread's own.
  std::vector<tagTask> m_batch;  // not handed over yet
  // Records not published yet, in order, each with the number of its task.
  std::deque<std::pair<tagMailItem*, size_t>> m_unpublished;
  size_t m_nTasks = 0;      // tasks made since the last Finish
  size_t m_nDoneBelow = 0;  // every task numbered below this is done
  // Tasks made before each of the last kLagChunks FinishPrevious calls, the oldest at m_nLagNext.
  size_t m_lagTasks[kLagChunks] = {};
  size_t m_nLagNext = 0;
  bool m_bInline = false;  // no thread could be started: tasks are done when handed over
  // Shared.
  std::mutex m_lock;
  std::condition_variable m_wake;  // work or the end, for the thread
  std::vector<tagTask> m_queue;    // guarded: handed over; from m_nTake on not taken yet
  size_t m_nTake = 0;              // guarded
  bool m_bQuit = false;            // guarded
  // The number of the task the thread is doing plus one, 0 when it does none; and the
  // number of the last task it finished plus one. The thread takes tasks in order, so every
  // task below m_nThreadDone is done, by it or (taken back from its queue) by the scan
  // thread. What a task writes is written before either is changed.
  std::atomic<size_t> m_nThreadBusy{0};
  std::atomic<size_t> m_nThreadDone{0};
  std::thread m_thread;
};
