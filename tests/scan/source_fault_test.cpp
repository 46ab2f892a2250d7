// Scans of a source that fails: bad sectors, reads that stop short, a source that goes
// away in the middle. The scan goes on to the end and finds what it can read.

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/disk_fault.h"
#include "source/utf.h"
#include "tests/scan/scan_fixture.h"

namespace {

constexpr int kMessages = 60;
constexpr size_t kSlotSectors = 16;  // one message at the start of every 16th sector

class SourceFaults : public ScanTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < kMessages; ++i) image.Put(i * kSlotSectors * 512, PlainMail("message " + std::to_string(i)));
    image.PadToSectors(kMessages * kSlotSectors);
  }
  void TearDown() override {
    SetDiskReadHookForTesting(nullptr);
    ScanTest::TearDown();
  }
  std::set<std::string> Subjects(const std::vector<tagMailItem*>& mails) {
    std::set<std::string> s;
    for (const tagMailItem* m : mails) s.insert(m->strSubject);
    return s;
  }
  std::set<std::string> SubjectsExcept(const std::set<int>& lost) {
    std::set<std::string> s;
    for (int i = 0; i < kMessages; ++i)
      if (!lost.count(i)) s.insert("message " + std::to_string(i));
    return s;
  }
  CImage image;
};

// Reads that touch a bad sector fail; every message outside the bad sectors is found.
TEST_F(SourceFaults, BadSectorsCostOnlyTheirMessages) {
  const std::set<uint64_t> bad = {5 * kSlotSectors, 17 * kSlotSectors, 30 * kSlotSectors + 7, 59 * kSlotSectors};
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    for (uint64_t s : bad)
      if (offset <= s * 512 && s * 512 < offset + count) return kDiskReadError;
    return count;
  });
  for (uint32_t chunk : {8u, 2048u}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(Subjects(ScanImage(image, chunk)), SubjectsExcept({5, 17, 59}));
  }
}

// A source that transfers a little less than asked on every read: the rest is read on.
TEST_F(SourceFaults, ShortReadsLoseNothing) {
  std::atomic<int> shortened{0};
  SetDiskReadHookForTesting([&](uint64_t, uint32_t count) -> int64_t {
    if (count > 700) {
      ++shortened;
      return count - 700;
    }
    return count;
  });
  EXPECT_EQ(Subjects(ScanImage(image, 64)), SubjectsExcept({}));
  EXPECT_GT(shortened.load(), 0);
}

// The source goes away (a disk pulled out) a third of the way in: the scan still runs to
// the end, keeps what it found before, and ends normally.
TEST_F(SourceFaults, SourceGoneDuringTheScan) {
  const uint64_t goneAt = kMessages / 3 * kSlotSectors * 512;
  std::atomic<int> readsAfter{0};
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    if (offset + count <= goneAt) return count;
    ++readsAfter;
    return kDiskReadGone;
  });
  CRecorderView view;
  std::set<int> lost;
  for (int i = kMessages / 3; i < kMessages; ++i) lost.insert(i);
  EXPECT_EQ(Subjects(ScanImage(image, 64, &view)), SubjectsExcept(lost));
  EXPECT_EQ(view.CallsStartingWith("end"), (std::vector<std::string>{"end " + std::to_string(kMessages / 3)}));
  // Each read of the rest failed once, not once per sector.
  EXPECT_LE(readsAfter.load(), static_cast<int>(kMessages * kSlotSectors / 64 + 1));
}

// Sources with nothing to scan: no sector, or less than one.
TEST_F(SourceFaults, EmptyAndPartSectorSources) {
  for (size_t size : {0u, 511u}) {
    SCOPED_TRACE(size);
    // Not padded to a sector: the last 511 bytes would be a "Received: " line if read.
    std::string bytes = PlainMail("tiny", std::string(600, 'b')).substr(0, size);
    g_strSourcePath.Set(Utf8ToU16(dir.WriteFile("tiny.img", bytes).string()));
    CRecorderView view;
    ScanThreadProc(&view, MakeScanChunkConsumer(&view), 8);
    EXPECT_EQ(g_MailStore.Count(), 0u);
    EXPECT_EQ(view.CallsStartingWith("range").front(), "range 0");
    EXPECT_EQ(view.CallsStartingWith("end"), (std::vector<std::string>{"end 0"}));
  }
}

}  // namespace
