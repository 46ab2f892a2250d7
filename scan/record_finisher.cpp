#include "scan/record_finisher.h"

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
  m_unpublished.emplace_back(item, m_nHanded + m_batch.size());
  tagTask task;
  task.pItem = item;
  Add(std::move(task));
  if (m_unpublished.front().second < m_nHanded) PublishDone(m_nDone.load(std::memory_order_acquire));
}

void CRecordFinisher::HandBody(tagMailItem* item, tagBodyText&& text) {
  tagTask task;
  task.pItem = item;
  task.bBody = true;
  task.body = std::move(text);
  Add(std::move(task));
}

void CRecordFinisher::Add(tagTask&& task) {
  m_batch.push_back(std::move(task));
  if (m_batch.size() >= kBatch) Flush();
}

void CRecordFinisher::Finish() {
  // What the thread has not taken yet is done here rather than waited for; the thread takes
  // one task at a time, so at most one is still under way there. That one is waited for
  // first: the tasks of one record must take effect in order.
  std::vector<tagTask> stolen;
  size_t taken = 0;
  if (m_thread.joinable()) {
    {
      std::lock_guard<std::mutex> g(m_lock);
      stolen.assign(std::make_move_iterator(m_queue.begin() + static_cast<ptrdiff_t>(m_nTake)),
                    std::make_move_iterator(m_queue.end()));
      m_queue.clear();
      m_nTake = 0;
      taken = m_nHanded - stolen.size();
    }
    while (m_nDone.load(std::memory_order_acquire) < taken) std::this_thread::yield();
  }
  for (tagTask& task : stolen) Do(task);
  for (tagTask& task : m_batch) Do(task);
  m_batch.clear();
  // The thread has nothing left to count until it is handed more: the counts start again.
  m_nDone.store(0, std::memory_order_relaxed);
  m_nHanded = 0;
  const bool any = !m_unpublished.empty();
  for (const auto& record : m_unpublished) AnnounceMailItem(record.first, m_pView);
  m_unpublished.clear();
  if (any) ShowScanStatus(m_pView);
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
  const size_t n = m_batch.size();
  if (m_bInline) {
    for (tagTask& task : m_batch) Do(task);
    m_nDone.store(m_nHanded + n, std::memory_order_release);
  } else {
    bool wake = false;
    {
      std::lock_guard<std::mutex> g(m_lock);
      wake = m_nTake == m_queue.size();
      m_queue.insert(m_queue.end(), std::make_move_iterator(m_batch.begin()), std::make_move_iterator(m_batch.end()));
    }
    if (wake) m_wake.notify_one();
  }
  m_nHanded += n;
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
    lock.unlock();
    Do(task);
    m_nDone.fetch_add(1, std::memory_order_release);
    lock.lock();
  }
}

void CRecordFinisher::PublishDone(size_t done) {
  bool any = false;
  while (!m_unpublished.empty() && m_unpublished.front().second < done) {
    AnnounceMailItem(m_unpublished.front().first, m_pView);
    m_unpublished.pop_front();
    any = true;
  }
  if (any) ShowScanStatus(m_pView);
}
