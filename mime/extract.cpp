#include "mime/extract.h"

#include "mime/message_walk.h"
#include "mime/stored_text.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/disk.h"

namespace {

bool Stopped(const std::atomic<int>* stop) { return stop && stop->load(std::memory_order_relaxed) != 0; }

}  // namespace

bool ReadStoredMail(const tagMailItem& item, CDisk* disk, const std::atomic<int>* stop, std::string& text) {
  text.clear();
  CDisk own;
  if (!disk) {
    if (!own.Open(g_strSourcePath.Get())) return false;
    disk = &own;
  }
  tagStoredText window;
  if (!ReadStoredText(*disk, item.nSector, StoredMailWindowBytes(item), stop, window)) return true;

  tagMailIdentity identity;
  identity.strFrom = item.strFrom;
  identity.strTo = item.strTo;
  identity.strDate = item.strDate;
  identity.strBoundary = item.strBoundary;
  size_t start = 0, end = 0;
  if (!FindStoredMessage(window, &identity, stop, start, end) &&
      !FindStoredMessage(window, nullptr, stop, start, end))
    return true;
  if (Stopped(stop)) return true;

  text.assign(window.buf.data() + start, end - start);
  for (char& ch : text)
    if (static_cast<unsigned char>(ch) < 0x08) ch = ' ';
  return true;
}
