#include "mail/extract.h"

#include "mail/message_walk.h"
#include "mail/stored_text.h"
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
  tagMailIdentity identity;
  identity.strFrom = item.strFrom;
  identity.strTo = item.strTo;
  identity.strDate = item.strDate;
  identity.strBoundary = item.strBoundary;

  // Most messages are short: they are looked for in the first part of the window first.
  // A message found there that ends 2 KiB or more before the text read so far ends is what
  // the whole window gives too, since no decision looks further ahead than that.
  constexpr uint64_t kQuickSteps[] = {8192, 65536, 262144};
  constexpr size_t kLookAhead = 2048;
  CStoredTextReader reader(*disk, item.nSector, StoredMailWindowBytes(item), stop);
  size_t start = 0, end = 0;
  bool found = false;
  for (const uint64_t step : kQuickSteps) {
    if (!reader.ReadTo(step)) return true;
    if (reader.Complete()) break;
    const tagStoredText& part = reader.Text();
    if (FindStoredMessage(part, &identity, stop, start, end) && end + kLookAhead <= part.nLength) {
      found = true;
      break;
    }
  }
  if (!found) {
    if (!reader.ReadTo(UINT64_MAX)) return true;
    found = FindStoredMessage(reader.Text(), &identity, stop, start, end) ||
            FindStoredMessage(reader.Text(), nullptr, stop, start, end);
  }
  if (!found || Stopped(stop)) return true;

  text.assign(reader.Text().Data() + start, end - start);
  return true;
}
