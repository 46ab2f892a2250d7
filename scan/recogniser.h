#pragma once
// The fragment recogniser: finds stored Internet messages in raw chunks of the source.

#include "scan/scan_driver.h"

// The chunk consumer for one scan: a recogniser with its own state (carried from chunk to
// chunk), creating records in g_MailStore and reporting to `view`.
ChunkConsumer MakeScanChunkConsumer(CMailView* view);
