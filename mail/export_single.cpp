#include <atomic>

#include "mail/export.h"
#include "mail/render.h"
#include "scan/mail_item.h"

std::string SingleMailContent(const tagMailItem& item, SaveKind kind) {
  if (kind == TXT) return RenderMailText(item);
  std::atomic<int> stop{0};  // a single-message save is never stopped
  return RenderMailEml(item, nullptr, &stop);
}
