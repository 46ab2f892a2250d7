#include "scan/scan_driver.h"

#include <cstring>
#include <memory>

#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/disk.h"

namespace {

// One chunk buffer: a 512-byte lead-in of zeros, the chunk, the look-ahead and the pad.
struct ChunkBuffer {
  explicit ChunkBuffer(size_t chunkBytes)
      : bytes(new uint8_t[SECTOR_SIZE + chunkBytes + kScanLookahead + kScanTailPad]()) {}
  uint8_t* Data() { return bytes.get() + SECTOR_SIZE; }
  std::unique_ptr<uint8_t[]> bytes;
  size_t length = 0;  // bytes of the chunk
};

// Reads `sectors` sectors at `first` into `dest` in reads of kReadSectors; a failed read
// leaves zeros. Stops early when the stop flag is set.
void ReadChunk(CDisk& disk, uint8_t* dest, uint64_t first, uint64_t sectors) {
  for (uint64_t s = 0; s < sectors && !g_bStop.load(); s += kReadSectors) {
    const uint64_t k = std::min<uint64_t>(kReadSectors, sectors - s);
    const uint32_t bytes = static_cast<uint32_t>(k * SECTOR_SIZE);
    if (!disk.Read(dest + s * SECTOR_SIZE, bytes, first + s)) std::memset(dest + s * SECTOR_SIZE, 0, bytes);
  }
}

}  // namespace

void AddMailToInbox(CMailView* view, tagMailItem* item) {
  tagFolderItem* inbox = g_Folders.Inbox();
  if (!inbox) return;
  g_Folders.Append(inbox, item);
  if (view) view->MailAdded(inbox, item);
}

unsigned ScanThreadProc(CMailView* view, const ChunkConsumer& consume, uint32_t chunkSectors) {
  CDisk disk;
  const std::u16string source = g_strSourcePath.Get();
  if (disk.Open(source)) {
    // Set up: buttons, folders, an empty store, fresh counters.
    view->EnableButton(ViewButton::Data, false);
    view->EnableButton(ViewButton::Save, false);
    view->EnableButton(ViewButton::Stop, true);
    g_Folders.Reset(source);
    view->ResetFolders(g_Folders);
    g_MailStore.FreeAll();

    const uint64_t total = disk.GetSectorCount();
    g_bUnsaved = 0;
    g_bScanning = 1;
    g_nProgressPos = 0;
    g_nProgressTotal = total;
    g_nMailCount = 0;
    g_pCurrentMail = nullptr;
    view->SetProgressRange(total);

    // Two buffers: while chunk k is handled, chunk k + 1 has been read, and its first bytes
    // sit after chunk k as its look-ahead.
    const size_t chunkBytes = static_cast<size_t>(chunkSectors) * SECTOR_SIZE;
    ChunkBuffer cur(chunkBytes), next(chunkBytes);
    auto fill = [&](ChunkBuffer& b, uint64_t start) {
      const uint64_t n = std::min<uint64_t>(chunkSectors, total - start);
      b.length = static_cast<size_t>(n * SECTOR_SIZE);
      ReadChunk(disk, b.Data(), start, n);
      // Whatever lies after a short chunk reads as zeros, never as an earlier chunk's bytes.
      std::memset(b.Data() + b.length, 0, chunkBytes - b.length + kScanLookahead);
    };
    if (total > 0) fill(cur, 0);

    for (uint64_t start = 0; start < total && !g_bStop.load(); start += chunkSectors) {
      view->SetProgressPos(start);
      g_nProgressPos = start;
      const uint64_t nextStart = start + chunkSectors;
      size_t carried = 0;
      if (nextStart < total) {
        fill(next, nextStart);
        carried = std::min(kScanLookahead, next.length);
        std::memcpy(cur.Data() + cur.length, next.Data(), carried);
      }
      std::memset(cur.Data() + cur.length + carried, 0, kScanLookahead - carried);

      const std::u16string status = BuildScanStatusText();
      g_szStatus.Set(status);
      view->SetStatusText(status);

      consume(cur.Data(), cur.length, start, g_bStop);

      // Changes the consumer made to the look-ahead belong to the next chunk.
      if (carried) std::memcpy(next.Data(), cur.Data() + cur.length, carried);
      std::swap(cur, next);
    }
  }

  // End steps, whatever happened.
  g_nProgressPos = 0;
  g_nProgressTotal = 0;
  g_bScanning = 0;
  g_bStop = 0;
  g_pCurrentMail = nullptr;
  if (view->WindowExists()) {
    view->SetProgressRange(0);
    view->SetProgressPos(0);
    g_szStatus.Set(FormatStringW(LoadStringW(163), {NumW(g_nMailCount.load())}));
    view->SetStatusText(u"");
    view->EnableButton(ViewButton::Data, true);
    view->EnableButton(ViewButton::Save, true);
    view->EnableButton(ViewButton::Stop, false);
    tagFolderItem* inbox = g_Folders.Inbox();
    view->EndOfScanFolderUpdate(inbox, g_Folders.Count(inbox));
  }
  return 0;
}
