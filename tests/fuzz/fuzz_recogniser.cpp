// The whole recogniser (header reader, body and attachment tracking, .dbx gap closing) on
// an arbitrary image, handed over in chunks exactly as the scan driver lays them out in
// memory: a zero lead-in sector, the chunk, the real bytes that follow it as look-ahead,
// zeros after the source's end and the zero pad. Every buffer is allocated to its exact
// size, so a read past the pad is caught. The first input byte picks the chunk size.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/charset.h"
#include "mail/render.h"
#include "scan/byte_scan.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "source/disk.h"
#include "tests/support/recorder_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  BuildEncodeTable();
  const size_t chunkSectors = 1 + data[0] % 8;
  const size_t chunkBytes = chunkSectors * SECTOR_SIZE;
  std::vector<uint8_t> image(data + 1, data + size);
  image.resize((image.size() + SECTOR_SIZE - 1) / SECTOR_SIZE * SECTOR_SIZE, 0);
  const std::vector<uint8_t> pristine = image;

  g_Folders.Reset(u"fuzz");
  g_MailStore.FreeAll();
  {
    CRecorderView view;
    CRecogniser recogniser(&view);
    std::atomic<int> stop{0};
    for (size_t start = 0; start < image.size(); start += chunkBytes) {
      const size_t length = std::min(chunkBytes, image.size() - start);
      const size_t carried = std::min(kScanLookahead, image.size() - start - length);
      std::unique_ptr<uint8_t[]> buffer(new uint8_t[SECTOR_SIZE + length + kScanLookahead + kScanTailPad]());
      uint8_t* chunk = buffer.get() + SECTOR_SIZE;
      std::memcpy(chunk, image.data() + start, length + carried);
      // Half the inputs go through the map of zero sectors the scan driver's reader makes (of
      // the bytes as read, before the look-ahead carried over from the last chunk).
      std::vector<uint64_t> zeros(chunkSectors / 64 + 1);
      bytescan::MarkZeroSectors(pristine.data() + start, length / SECTOR_SIZE, 0, zeros.data());
      recogniser.ScanChunk(chunk, length, start / SECTOR_SIZE, stop, data[0] & 0x80 ? zeros.data() : nullptr);
      // What the recogniser changed in the look-ahead belongs to the next chunk.
      std::memcpy(image.data() + start + length, chunk + length, carried);
    }
    // The window lists and renders what was found.
    for (tagMailItem* m : g_MailStore.Snapshot()) {
      m->MergePendingAttachments();
      RenderMailText(*m);
      BuildAttachmentBlock(*m);
    }
  }
  g_Folders.Reset(u"");
  g_MailStore.FreeAll();
  return 0;
}
