#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scan/chunk_reader.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/disk_fault.h"
#include "source/utf.h"
#include "tests/support/recorder_view.h"
#include "tests/support/temp_dir.h"

namespace {

struct ChunkSeen {
  size_t length;
  uint64_t first;
  std::string head;       // first bytes of the chunk
  std::string lookahead;  // first bytes after the chunk
};

class ScanDriver : public ::testing::Test {
 protected:
  void TearDown() override {
    SetDiskReadHookForTesting(nullptr);
    g_MailStore.FreeAll();
  }

  // An image of `sectors` sectors whose sector i starts with "S<i>".
  std::u16string MakeImage(uint64_t sectors) {
    std::string data(sectors * 512, '\0');
    for (uint64_t i = 0; i < sectors; ++i) {
      std::string tag = "S";
      tag += std::to_string(i);
      data.replace(i * 512, tag.size(), tag);
    }
    return Utf8ToU16(dir.WriteFile("img", data).string());
  }

  std::vector<ChunkSeen> Scan(const std::u16string& source, uint32_t chunkSectors = kChunkSectors) {
    g_strSourcePath.Set(source);
    std::vector<ChunkSeen> seen;
    ScanThreadProc(
        &view,
        [&](uint8_t* chunk, size_t len, uint64_t first, const std::atomic<int>&, const uint64_t*) {
          if (!chunk) return;  // the end of the chunks
          seen.push_back({len, first, std::string(reinterpret_cast<char*>(chunk), 8),
                          std::string(reinterpret_cast<char*>(chunk + len), 8)});
        },
        chunkSectors);
    return seen;
  }

  CTempDir dir;
  CRecorderView view;
};

TEST_F(ScanDriver, EmptySourceReadsNoChunk) {
  const auto seen = Scan(MakeImage(0));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(g_szStatus.Get(), u"找到 0 封邮件");
  EXPECT_EQ(view.CallsStartingWith("range").front(), "range 0");
  EXPECT_EQ(view.CallsStartingWith("end").back(), "end 0");
}

TEST_F(ScanDriver, LastChunkHoldsTheRemainingSectors) {
  const auto seen = Scan(MakeImage(2049));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].length, 2048u * 512);
  EXPECT_EQ(seen[1].length, 512u);
  EXPECT_EQ(seen[1].first, 2048u);
  EXPECT_EQ(seen[1].head.substr(0, 5), "S2048");
  // The first chunk's look-ahead is the next chunk's start; past the end are zeros.
  EXPECT_EQ(seen[0].lookahead.substr(0, 5), "S2048");
  EXPECT_EQ(seen[1].lookahead, std::string(8, '\0'));
  const auto pos = view.CallsStartingWith("pos");
  ASSERT_GE(pos.size(), 2u);
  EXPECT_EQ(pos[0], "pos 0");
  EXPECT_EQ(pos[1], "pos 2048");
}

TEST_F(ScanDriver, ReadsInPiecesOf128Sectors) {
  std::vector<std::pair<uint64_t, uint32_t>> reads;
  std::mutex m;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    std::lock_guard<std::mutex> g(m);
    reads.emplace_back(offset / 512, count / 512);
    return count;
  });
  const auto seen = Scan(MakeImage(2048 + 200));
  ASSERT_EQ(seen.size(), 2u);
  std::vector<std::pair<uint64_t, uint32_t>> last(reads.end() - 2, reads.end());
  EXPECT_EQ(last[0], (std::pair<uint64_t, uint32_t>{2048, 128}));
  EXPECT_EQ(last[1], (std::pair<uint64_t, uint32_t>{2176, 72}));
  EXPECT_EQ(reads.size(), 16u + 2u);
}

TEST_F(ScanDriver, FailedReadsAreZeros) {
  SetDiskReadHookForTesting([](uint64_t, uint32_t) -> int64_t { return -1; });
  const auto seen = Scan(MakeImage(300));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].head, std::string(8, '\0'));
  EXPECT_EQ(g_szStatus.Get(), u"找到 0 封邮件");
}

// The consumer learns which of a chunk's sectors held only zeros, also where a read failed
// (those read as zeros), and that only from the reader: not for sectors with one other byte.
TEST_F(ScanDriver, ConsumerIsToldWhichSectorsHoldOnlyZeros) {
  std::string data(24 * 512, '\0');
  data[1 * 512] = 'a';
  data[5 * 512 + 511] = 'b';
  data[17 * 512 + 200] = 'c';
  data[20 * 512] = 'd';  // this sector's read fails
  g_strSourcePath.Set(Utf8ToU16(dir.WriteFile("zeros.img", data).string()));
  SetDiskReadHookForTesting([](uint64_t offset, uint32_t count) -> int64_t {
    return offset / 512 <= 20 && 20 < offset / 512 + count / 512 ? int64_t{-1} : int64_t{count};
  });
  std::vector<std::string> maps;
  ScanThreadProc(
      &view,
      [&](uint8_t* chunk, size_t len, uint64_t, const std::atomic<int>&, const uint64_t* zeros) {
        if (!chunk) return;
        std::string bits;
        for (size_t i = 0; i < len / 512; ++i) bits += (zeros[i / 64] >> (i % 64)) & 1 ? '0' : 'x';
        maps.push_back(bits);
      },
      8);
  SetDiskReadHookForTesting(nullptr);
  EXPECT_EQ(maps, (std::vector<std::string>{"0x000x00", "00000000", "0x000000"}));
}

TEST_F(ScanDriver, StatusTextPerChunk) {
  Scan(MakeImage(20), 8);
  const auto status = view.CallsStartingWith("status");
  ASSERT_EQ(status.size(), 4u);  // three chunks, then the empty text at the end
  EXPECT_EQ(status[0], "status 找到 0 封邮件\r\n正在处理 0 块，总共 20 个块");
  EXPECT_EQ(status[1], "status 找到 0 封邮件\r\n正在处理 8 块，总共 20 个块");
  EXPECT_EQ(status[3], "status ");
}

TEST_F(ScanDriver, ButtonsDuringAndAfterTheScan) {
  Scan(MakeImage(4));
  const auto enables = view.CallsStartingWith("enable");
  EXPECT_EQ(enables, (std::vector<std::string>{"enable 134 0", "enable 133 0", "enable 135 1", "enable 134 1",
                                               "enable 133 1", "enable 135 0"}));
  EXPECT_EQ(g_bScanning.load(), 0);
  EXPECT_EQ(g_nProgressTotal.load(), 0u);
}

TEST_F(ScanDriver, StopEndsTheScanAndIsCleared) {
  g_strSourcePath.Set(MakeImage(64));
  int chunks = 0, ends = 0;
  ScanThreadProc(
      &view,
      [&](uint8_t* chunk, size_t, uint64_t, const std::atomic<int>&, const uint64_t*) {
        if (!chunk) {
          ++ends;
          return;
        }
        if (++chunks == 2) g_bStop = 1;
      },
      8);
  EXPECT_EQ(chunks, 2);
  EXPECT_EQ(ends, 1);  // the consumer hears of the end after a stop too
  EXPECT_EQ(g_bStop.load(), 0);
  EXPECT_EQ(view.CallsStartingWith("end").size(), 1u);
}

TEST_F(ScanDriver, StopDuringReadsSkipsTheRest) {
  int readsAfterStop = 0;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    if (g_bStop) ++readsAfterStop;
    if (offset / 512 == 256) g_bStop = 1;  // during the reads of the first chunk
    return count;
  });
  int chunks = 0;
  Scan(MakeImage(4096));
  chunks = static_cast<int>(view.CallsStartingWith("pos").size());
  EXPECT_EQ(readsAfterStop, 0);
  EXPECT_LE(chunks, 2);  // the first chunk's position, then the end steps' reset
}

TEST_F(ScanDriver, UnopenableSourceRunsOnlyTheEndSteps) {
  g_nMailCount = 7;
  Scan(Utf8ToU16((dir.Path() / "missing").string()));
  EXPECT_TRUE(view.CallsStartingWith("reset").empty());
  EXPECT_EQ(g_szStatus.Get(), u"找到 7 封邮件");  // the previous count stays
  g_nMailCount = 0;
}

TEST_F(ScanDriver, SecondScanFreesTheFirstScansRecords) {
  const auto img = MakeImage(4);
  g_strSourcePath.Set(img);
  ScanThreadProc(&view, [&](uint8_t* chunk, size_t, uint64_t, const std::atomic<int>&, const uint64_t*) {
    if (!chunk) return;
    auto* m = new tagMailItem;
    g_MailStore.Add(m);
    AddMailToInbox(&view, m);
  });
  EXPECT_EQ(g_MailStore.Count(), 1u);
  EXPECT_EQ(view.CallsStartingWith("end").back(), "end 1");
  size_t seenAtFirstChunk = 99;
  ScanThreadProc(&view, [&](uint8_t* chunk, size_t, uint64_t, const std::atomic<int>&, const uint64_t*) {
    if (!chunk) return;
    seenAtFirstChunk = g_MailStore.Count() + g_Folders.Count(g_Folders.Inbox());
  });
  EXPECT_EQ(seenAtFirstChunk, 0u);
}

TEST_F(ScanDriver, LookaheadChangesCarryIntoTheNextChunk) {
  g_strSourcePath.Set(MakeImage(16));
  std::vector<std::string> heads;
  ScanThreadProc(
      &view,
      [&](uint8_t* chunk, size_t len, uint64_t, const std::atomic<int>&, const uint64_t*) {
        if (!chunk) return;
        heads.emplace_back(reinterpret_cast<char*>(chunk), 2);
        chunk[len] = 'X';
      },
      8);
  ASSERT_EQ(heads.size(), 2u);
  EXPECT_EQ(heads[1], "X8");
}

TEST_F(ScanDriver, StopWhileTheSourceIsSlowEndsPromptly) {
  // Reads of the fourth chunk on hang until Stop is pressed on another thread, as a dying
  // disk does; the scan must then end without reading on.
  std::atomic<bool> hanging{false};
  std::atomic<int> readsAfterStop{0}, reads{0};
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    ++reads;
    if (g_bStop) ++readsAfterStop;
    if (offset / 512 >= 3 * 256) {
      hanging = true;
      for (int i = 0; i < 10000 && !g_bStop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return count;
  });
  std::thread window([&] {
    while (!hanging) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_bStop = 1;
  });
  const auto seen = Scan(MakeImage(64 * 256), 256);
  window.join();
  EXPECT_EQ(readsAfterStop.load(), 0);
  EXPECT_LE(reads.load(), 3 * 2 + 1);
  EXPECT_LE(seen.size(), 3u);  // the fourth chunk, cut short, is never handed on
  EXPECT_EQ(g_bStop.load(), 0);
  EXPECT_EQ(view.CallsStartingWith("end").size(), 1u);
}

TEST_F(ScanDriver, FailedReadsAtChosenSectorsAreZerosInChunkAndLookahead) {
  // Chunks of 128 sectors, one read each. The buffers are used again and again, so a failed
  // read must leave zeros, not the bytes of an earlier chunk.
  // The failing chunks come after every buffer has been used once.
  const size_t bad1 = CChunkReader::kBuffers + 1, bad2 = 2 * CChunkReader::kBuffers + 1;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    const uint64_t sector = offset / 512;
    return sector == bad1 * 128 || sector == bad2 * 128 ? kDiskReadError : int64_t{count};
  });
  const auto seen = Scan(MakeImage(3 * CChunkReader::kBuffers * 128), 128);
  ASSERT_EQ(seen.size(), 3 * CChunkReader::kBuffers);
  for (size_t i = 0; i < seen.size(); ++i) {
    const bool failed = i == bad1 || i == bad2;
    EXPECT_EQ(seen[i].first, i * 128);
    std::string tag = "S";
    tag += std::to_string(i * 128);
    EXPECT_EQ(seen[i].head.substr(0, tag.size()), failed ? std::string(tag.size(), '\0') : tag) << i;
    const bool nextFailed = i + 1 == bad1 || i + 1 == bad2;
    if (i + 1 < seen.size()) {
      EXPECT_EQ(seen[i].lookahead.substr(0, 2), nextFailed ? std::string(2, '\0') : seen[i + 1].head.substr(0, 2)) << i;
    }
  }
}

TEST_F(ScanDriver, BytesAfterAShortLastChunkAreZerosWhateverTheBufferHeld) {
  // Every chunk scribbles over its look-ahead past the next chunk's bytes; the short last
  // chunk comes in a buffer that held an earlier chunk, and must still see zeros after its
  // end, up to the pad's end.
  const size_t chunks = 2 * CChunkReader::kBuffers + 1;
  g_strSourcePath.Set(MakeImage(8 * (chunks - 1) + 3));
  std::vector<std::string> heads;
  std::string after;
  ScanThreadProc(
      &view,
      [&](uint8_t* chunk, size_t len, uint64_t, const std::atomic<int>&, const uint64_t*) {
        if (!chunk) return;
        heads.emplace_back(reinterpret_cast<char*>(chunk), 5);
        if (len < 8 * 512) after.assign(reinterpret_cast<char*>(chunk + len), kScanLookahead + kScanTailPad);
        std::memset(chunk + len + 8 * 512, 'X', kScanLookahead - 8 * 512);
      },
      8);
  ASSERT_EQ(heads.size(), chunks);
  EXPECT_EQ(heads.back(), "S" + std::to_string(8 * (chunks - 1)) + std::string(1, '\0'));
  EXPECT_EQ(after, std::string(kScanLookahead + kScanTailPad, '\0'));
}

// The status text follows the count of every record and the position of every chunk,
// including a position or total that comes back to an earlier value.
TEST(ScanStatusText, FollowsCountPositionAndTotal) {
  const int count = g_nMailCount.load();
  const uint64_t pos = g_nProgressPos.load(), total = g_nProgressTotal.load();
  g_nMailCount = 3;
  g_nProgressPos = 2048;
  g_nProgressTotal = 8192;
  EXPECT_EQ(BuildScanStatusText(), u"找到 3 封邮件\r\n正在处理 2048 块，总共 8192 个块");
  g_nMailCount = 4;
  EXPECT_EQ(BuildScanStatusText(), u"找到 4 封邮件\r\n正在处理 2048 块，总共 8192 个块");
  g_nProgressPos = 4096;
  EXPECT_EQ(BuildScanStatusText(), u"找到 4 封邮件\r\n正在处理 4096 块，总共 8192 个块");
  g_nProgressTotal = 9000;
  EXPECT_EQ(BuildScanStatusText(), u"找到 4 封邮件\r\n正在处理 4096 块，总共 9000 个块");
  g_nProgressPos = 2048;
  g_nProgressTotal = 8192;
  EXPECT_EQ(BuildScanStatusText(), u"找到 4 封邮件\r\n正在处理 2048 块，总共 8192 个块");
  g_nMailCount = count;
  g_nProgressPos = pos;
  g_nProgressTotal = total;
}

}  // namespace
