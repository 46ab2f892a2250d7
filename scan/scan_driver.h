#pragma once
// The scan driver: reads the chosen source from its first sector to its last in chunks
// and hands each chunk to a consumer (the recogniser), keeping the window informed.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "scan/chunk_layout.h"
#include "scan/view.h"

// Gets one chunk: `length` bytes (whole sectors) starting at sector `firstSector`.
// chunk[length .. length + kScanLookahead + kScanTailPad) may be read; the consumer may
// change bytes in place up to length + kScanLookahead, and the changes in the look-ahead
// carry over into the next chunk. `stop` is polled as often as the consumer likes.
// `zeroSectors`: bit i (of word i / 64) is set when the chunk's sector i held only zeros as
// read, before any change the consumer made to it through an earlier chunk's look-ahead.
// Once the chunks are over (after the last, or after a stop) the consumer is called once more
// with a null chunk, length 0 and no map: what it holds back must be done by the time it
// returns.
using ChunkConsumer = std::function<void(uint8_t* chunk, size_t length, uint64_t firstSector,
                                         const std::atomic<int>& stop, const uint64_t* zeroSectors)>;

// Runs one scan of g_strSourcePath on the calling thread (the scan thread). `chunkSectors`
// is kChunkSectors except in tests. Returns 0 in every case.
unsigned ScanThreadProc(CMailView* view, const ChunkConsumer& consume, uint32_t chunkSectors = kChunkSectors);

// Appends a new record to the Inbox and tells the view; nothing when there is no Inbox.
void AddMailToInbox(CMailView* view, tagMailItem* item);
