#pragma once
// How the scan cuts a source into chunks and what lies in memory around each: shared by the
// scan driver, its chunk reader and the consumers of the chunks.

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kChunkSectors = 2048;  // sectors per chunk handed to the consumer
inline constexpr uint32_t kReadSectors = 128;    // sectors per read of the source
// Bytes of the source that follow a chunk and are in memory after it while the chunk is
// handled, so that a line or a header that straddles the chunk's end reads on into the real
// bytes. Past the source's end they are zeros.
inline constexpr size_t kScanLookahead = 32768;
// Zero bytes after the look-ahead; never written.
inline constexpr size_t kScanTailPad = 4096;
