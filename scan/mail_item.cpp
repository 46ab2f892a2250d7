#include "scan/mail_item.h"

CMailStore g_MailStore;

void tagMailItem::MergePendingAttachments() {
  auto lock = Lock();
  if (!pPendingAttachments) return;
  if (!pAttachments) pAttachments = std::make_unique<tagAttachmentArray>();
  pAttachments->insert(pAttachments->end(), pPendingAttachments->begin(), pPendingAttachments->end());
  pPendingAttachments.reset();
}

void CMailStore::Add(tagMailItem* item) {
  std::lock_guard<std::mutex> g(m_lock);
  m_items.push_back(item);
}

void CMailStore::FreeAll() {
  std::lock_guard<std::mutex> g(m_lock);
  for (tagMailItem* item : m_items) delete item;
  m_items.clear();
}

size_t CMailStore::Count() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_items.size();
}

std::vector<tagMailItem*> CMailStore::Snapshot() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_items;
}
