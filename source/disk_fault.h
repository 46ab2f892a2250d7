#pragma once
// Test seam for faults of the source: lets a test fail chosen reads or make them short.
// Set it only while no other thread reads a source.

#include <cstdint>
#include <functional>

// Consulted before every read when set. Returns how many of the `byteCount` bytes at byte
// `offset` the read may transfer: byteCount for a normal read, fewer for a short read,
// or a negative number to make the read fail.
using DiskReadHook = std::function<int64_t(uint64_t offset, uint32_t byteCount)>;

void SetDiskReadHookForTesting(DiskReadHook hook);
