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

void CRecordFinisher::Hand(tagMailItem* item) {
  m_batch.push_back(item);
  if (m_batch.size() >= kBatch) Flush();
  if (m_nPublished < m_nHanded) PublishDecoded(m_nDecoded.load(std::memory_order_acquire));
}

void CRecordFinisher::Finish() {
  // What the thread has not taken yet is decoded here rather than waited for; the thread
  // takes one record at a time, so at most one is still being decoded there.
  std::vector<tagMailItem*> stolen;
  size_t taken = 0;
  if (m_thread.joinable()) {
    std::lock_guard<std::mutex> g(m_lock);
    stolen.assign(m_queue.begin() + static_cast<ptrdiff_t>(m_nTake), m_queue.end());
    m_queue.clear();
    m_nTake = 0;
    taken = m_nHanded - stolen.size();
  }
  for (tagMailItem* item : stolen) DecodeMailItemTexts(*item);
  for (tagMailItem* item : m_batch) DecodeMailItemTexts(*item);
  while (m_nDecoded.load(std::memory_order_acquire) < taken) std::this_thread::yield();
  // The thread has nothing left to count until it is handed more: the counts start again.
  m_nDecoded.store(0, std::memory_order_relaxed);
  m_unpublished.insert(m_unpublished.end(), m_batch.begin(), m_batch.end());
  m_batch.clear();
  const bool any = !m_unpublished.empty();
  for (tagMailItem* item : m_unpublished) AnnounceMailItem(item, m_pView);
  m_unpublished.clear();
  m_nHanded = m_nPublished = 0;
  if (any) ShowScanStatus(m_pView);
}

void CRecordFinisher::Flush() {
  if (m_batch.empty()) return;
  if (!m_thread.joinable() && !m_bInline) {
    try {
      m_thread = std::thread(&CRecordFinisher::Run, this);
    } catch (const std::system_error&) {
      m_bInline = true;  // no thread to be had: the scan thread decodes them itself
    }
  }
  m_unpublished.insert(m_unpublished.end(), m_batch.begin(), m_batch.end());
  m_nHanded += m_batch.size();
  if (m_bInline) {
    for (tagMailItem* item : m_batch) DecodeMailItemTexts(*item);
    m_nDecoded.store(m_nHanded, std::memory_order_release);
  } else {
    bool wake = false;
    {
      std::lock_guard<std::mutex> g(m_lock);
      wake = m_nTake == m_queue.size();
      m_queue.insert(m_queue.end(), m_batch.begin(), m_batch.end());
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
    tagMailItem* const item = m_queue[m_nTake++];
    if (m_nTake == m_queue.size()) {
      m_queue.clear();
      m_nTake = 0;
    }
    lock.unlock();
    DecodeMailItemTexts(*item);
    m_nDecoded.fetch_add(1, std::memory_order_release);
    lock.lock();
  }
}

void CRecordFinisher::PublishDecoded(size_t decoded) {
  if (m_nPublished >= decoded) return;
  while (m_nPublished < decoded) {
    AnnounceMailItem(m_unpublished.front(), m_pView);
    m_unpublished.pop_front();
    ++m_nPublished;
  }
  ShowScanStatus(m_pView);
}
