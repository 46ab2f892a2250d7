#include "scan/record_finisher.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "scan/header_reader.h"

CRecordFinisher::~CRecordFinisher() {
  Finish();
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_bQuit = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void CRecordFinisher::Do(tagTask& task) {
  if (task.bBody)
    task.pItem->SetBodyText(task.body);
  else
    DecodeMailItemTexts(*task.pItem);
}

void CRecordFinisher::Hand(tagMailItem* item) {
  m_unpublished.emplace_back(item, m_nTasks);
  tagTask task;
  task.pItem = item;
  Add(std::move(task));
  PublishDone(m_nThreadDone.load(std::memory_order_acquire));
}

void CRecordFinisher::HandBody(tagMailItem* item, tagBodyText&& text) {
  tagTask task;
  task.pItem = item;
  task.bBody = true;
  task.body = std::move(text);
  Add(std::move(task));
}

void CRecordFinisher::Add(tagTask&& task) {
  task.nIndex = m_nTasks++;
  m_batch.push_back(std::move(task));
  if (m_batch.size() >= kBatch) Flush();
}

void CRecordFinisher::Complete(size_t through) {
  if (through <= m_nDoneBelow) return;
  // Tasks the thread has not taken yet are done here rather than waited for; it takes them
  // one at a time, so at most one is under way there. That one is waited for first: the
  // tasks of one record must take effect in order.
  std::vector<tagTask> taken;
  if (m_thread.joinable()) {
    size_t busy = 0;
    {
      std::lock_guard<std::mutex> g(m_lock);
      auto first = m_queue.begin() + static_cast<ptrdiff_t>(m_nTake);
      auto last = std::find_if(first, m_queue.end(), [&](const tagTask& t) { return t.nIndex >= through; });
      taken.assign(std::make_move_iterator(first), std::make_move_iterator(last));
      m_queue.erase(first, last);
      busy = m_nThreadBusy.load(std::memory_order_acquire);  // 0: its last task's writes are visible
    }
    if (busy != 0 && busy <= through) {
      while (m_nThreadBusy.load(std::memory_order_acquire) == busy) std::this_thread::yield();
    }
  }
  for (tagTask& task : taken) Do(task);
  if (!m_batch.empty() && m_batch.front().nIndex < through) {
    auto last = std::find_if(m_batch.begin(), m_batch.end(), [&](const tagTask& t) { return t.nIndex >= through; });
    for (auto it = m_batch.begin(); it != last; ++it) Do(*it);
    m_batch.erase(m_batch.begin(), last);
  }
  m_nDoneBelow = through;
}

void CRecordFinisher::Finish() {
  Complete(m_nTasks);
  PublishDone(m_nTasks);
  // The thread is idle until it is handed more: the numbers start again.
  m_nTasks = m_nDoneBelow = 0;
  std::fill(std::begin(m_lagTasks), std::end(m_lagTasks), 0);
  m_nLagNext = 0;
  m_nThreadDone.store(0, std::memory_order_relaxed);
}

void CRecordFinisher::FinishPrevious() {
  Complete(m_lagTasks[m_nLagNext]);
  Flush();
  PublishDone(m_nThreadDone.load(std::memory_order_acquire));
  m_lagTasks[m_nLagNext] = m_nTasks;
  m_nLagNext = (m_nLagNext + 1) % kLagChunks;
}

void CRecordFinisher::Flush() {
  if (m_batch.empty()) return;
  if (!m_thread.joinable() && !m_bInline) {
    try {
      m_thread = std::thread(&CRecordFinisher::Run, this);
    } catch (const std::system_error&) {
      m_bInline = true;  // no thread to be had: the scan thread does the work itself
    }
  }
  if (m_bInline) {
    for (tagTask& task : m_batch) Do(task);
    m_nDoneBelow = m_nTasks;
  } else {
    bool wake = false;
    {
      std::lock_guard<std::mutex> g(m_lock);
      wake = m_nTake == m_queue.size();
      m_queue.insert(m_queue.end(), std::make_move_iterator(m_batch.begin()), std::make_move_iterator(m_batch.end()));
    }
    if (wake) m_wake.notify_one();
  }
  m_batch.clear();
}

void CRecordFinisher::Run() {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_wake.wait(lock, [&] { return m_bQuit || m_nTake < m_queue.size(); });
    if (m_nTake >= m_queue.size()) return;  // the end, and nothing left
    tagTask task = std::move(m_queue[m_nTake++]);
    if (m_nTake == m_queue.size()) {
      m_queue.clear();
      m_nTake = 0;
    }
    m_nThreadBusy.store(task.nIndex + 1, std::memory_order_relaxed);
    lock.unlock();
    Do(task);
    m_nThreadDone.store(task.nIndex + 1, std::memory_order_release);
    m_nThreadBusy.store(0, std::memory_order_release);
    lock.lock();
  }
}

void CRecordFinisher::PublishDone(size_t done) {
  done = std::max(done, m_nDoneBelow);
  bool any = false;
  while (!m_unpublished.empty() && m_unpublished.front().second < done) {
    AnnounceMailItem(m_unpublished.front().first, m_pView);
    m_unpublished.pop_front();
    any = true;
  }
  if (any) ShowScanStatus(m_pView);
}
