#pragma once
// Test seam for faults of the source: lets a test fail chosen reads or make them short.
// Set it only while no other thread reads a source.

#include <cstdint>
#include <functional>

// Consulted before every platform read when set. Returns how many of the `byteCount` bytes
// at byte `offset` the read may transfer: byteCount for a normal read, fewer for a short
// read (which the source goes on from, asking again), 0 for the end of the source,
// or a negative number to make the read fail: kDiskReadError for an I/O error of those
// bytes, kDiskReadGone for a source that is no longer there.
inline constexpr int64_t kDiskReadError = -1;
inline constexpr int64_t kDiskReadGone = -2;
using DiskReadHook = std::function<int64_t(uint64_t offset, uint32_t byteCount)>;

void SetDiskReadHookForTesting(DiskReadHook hook);
