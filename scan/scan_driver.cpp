#include "scan/scan_driver.h"

#include <cstring>

#include "res/string_table.h"
#include "scan/chunk_reader.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/disk.h"

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

    // The reader's thread reads ahead while chunks are handled here. While chunk k is
    // handled, chunk k + 1 has been read and its first bytes sit after chunk k as its
    // look-ahead; the disk is the reader's until it is destroyed.
    CChunkReader reader(disk, total, chunkSectors, g_bStop);
    CChunkBuffer* cur = total > 0 ? reader.Take() : nullptr;
    for (uint64_t start = 0; cur && start < total && !g_bStop.load(); start += chunkSectors) {
      view->SetProgressPos(start);
      g_nProgressPos = start;
      CChunkBuffer* next = start + chunkSectors < total ? reader.Take() : nullptr;
      const size_t carried = next ? std::min(kScanLookahead, next->Length()) : 0;
      if (carried) std::memcpy(cur->Data() + cur->Length(), next->Data(), carried);
      std::memset(cur->Data() + cur->Length() + carried, 0, kScanLookahead - carried);

      const std::u16string status = BuildScanStatusText();
      g_szStatus.Set(status);
      view->SetStatusText(status);

      consume(cur->Data(), cur->Length(), start, g_bStop, cur->ZeroSectors());

      // Changes the consumer made to the look-ahead belong to the next chunk.
      if (carried) std::memcpy(next->Data(), cur->Data() + cur->Length(), carried);
      reader.GiveBack(cur);
      cur = next;
    }
    if (cur) reader.GiveBack(cur);
    // The end of the chunks, whether the source or a stop ended them.
    consume(nullptr, 0, total, g_bStop, nullptr);
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
