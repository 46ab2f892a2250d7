#pragma once
// Helpers for recogniser tests: disk images built from byte strings, scans through the
// real scan driver, and records flattened to comparable text.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/mail_item.h"
#include "tests/support/recorder_view.h"
#include "tests/support/temp_dir.h"

// Lines joined with CR LF, each line ended by one.
std::string CrLf(std::initializer_list<std::string_view> lines);

// A disk image under construction.
class CImage {
 public:
  // Writes `bytes` at byte `offset`, growing the image with zeros as needed.
  void Put(size_t offset, std::string_view bytes);
  // Stores `text` as a .dbx store keeps a message: 512-byte data blocks each preceded by
  // a 16-byte block header, from byte `offset` (a multiple of 4). Returns the offset of
  // the first data byte.
  size_t PutDbx(size_t offset, std::string_view text);
  // Grows the image to a whole number of sectors (at least `sectors`).
  void PadToSectors(size_t sectors = 0);
  // Fills [offset, offset + n) with pseudo-random bytes that hold no CR, LF or zero.
  void PutNoise(size_t offset, size_t n, uint32_t seed);
  std::string bytes;
};

// Scans `image` (padded to whole sectors) through ScanThreadProc and the recogniser with
// chunks of `chunkSectors`; returns the records in creation order (owned by g_MailStore).
std::vector<tagMailItem*> ScanImage(const CImage& image, uint32_t chunkSectors, CMailView* view = nullptr);

// A record as text: every field that a scan fills, for comparisons and failure messages.
std::string Describe(const tagMailItem& m);
std::string DescribeAll(const std::vector<tagMailItem*>& mails);

// A plain single-part message whose header starts with its "Received: " line.
std::string PlainMail(const std::string& subject, const std::string& body = "Hello\r\nWorld\r\n");

// Test base: frees the store after each test.
class ScanTest : public ::testing::Test {
 protected:
  void TearDown() override;
  CTempDir dir;
};
