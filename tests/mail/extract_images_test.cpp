// Every message that an image built by mkimage stores whole comes back byte for byte, in
// every layout, between zeros and between noise.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "mail/extract.h"
#include "mail/message_walk.h"
#include "mail/stored_text.h"
#include "scan/mail_item.h"
#include "source/disk.h"
#include "source/utf.h"
#include "tests/support/data_dirs.h"
#include "tests/support/temp_dir.h"
#include "tools/mkimage/image_builder.h"

namespace fs = std::filesystem;

namespace {

std::vector<mkimage::InputMessage> Corpus() {
  std::vector<mkimage::InputMessage> inputs;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(KORVANE_MAIL_DIR))
    if (e.path().extension() == ".eml") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    inputs.push_back({f.filename().string(), ss.str()});
  }
  return inputs;
}

// The record a scan makes of a placed message.
std::unique_ptr<tagMailItem> RecordOf(const mkimage::PlacedMessage& m) {
  auto item = std::make_unique<tagMailItem>();
  item->strFrom = m.info.strFrom;
  DecodeHeaderValue(item->strFrom);
  item->strTo = m.info.strTo;
  DecodeHeaderValue(item->strTo);
  item->strDate = m.info.strDate;
  FormatMailDate(item->strDate);
  item->strBoundary = m.info.strBoundary;
  item->nSector = m.nSector;
  item->pAttachments = std::make_unique<tagAttachmentArray>();
  for (const auto& a : m.info.attachments) {
    if (!a.bListed) continue;
    tagAttachment att;
    att.nSize = static_cast<int32_t>(a.nSize);
    item->pAttachments->push_back(att);
  }
  return item;
}

// What the whole window gives, without looking at a shorter part of it first.
std::string WholeWindowResult(CDisk& disk, const tagMailItem& item) {
  tagStoredText window;
  if (!ReadStoredText(disk, item.nSector, StoredMailWindowBytes(item), nullptr, window)) return "(stopped)";
  const tagMailIdentity identity{item.strFrom, item.strTo, item.strDate, item.strBoundary};
  size_t start = 0, end = 0;
  if (!FindStoredMessage(window, &identity, nullptr, start, end) &&
      !FindStoredMessage(window, nullptr, nullptr, start, end))
    return std::string();
  return std::string(window.Data() + start, end - start);
}

struct tagLayoutCase {
  mkimage::Placement placement;
  mkimage::Filler filler;
  uint64_t seed;
};

class ExtractImages : public ::testing::TestWithParam<tagLayoutCase> {};

TEST_P(ExtractImages, WholeMessagesComeBackByteForByte) {
  const auto inputs = Corpus();
  ASSERT_GE(inputs.size(), 40u);
  mkimage::LayoutSpec spec;
  spec.nSeed = GetParam().seed;
  spec.filler = GetParam().filler;
  spec.nScatter = 0;
  mkimage::RegionSpec region;
  region.placement = GetParam().placement;
  for (size_t i = 0; i < inputs.size(); ++i) region.messages.push_back(i);
  spec.regions.push_back(region);
  mkimage::Image image;
  std::string err;
  ASSERT_TRUE(mkimage::BuildImage(spec, inputs, image, &err)) << err;

  CTempDir dir;
  const fs::path path = dir.WriteFile("layout.img", image.strBytes);
  CDisk disk;
  ASSERT_TRUE(disk.Open(Utf8ToU16(path.string())));
  size_t whole = 0, prefixed = 0;
  for (const mkimage::PlacedMessage& m : image.messages) {
    if (!m.bFound) continue;
    const std::string& expected = inputs[m.nInput].strBytes;
    std::string text;
    const auto item = RecordOf(m);
    ASSERT_TRUE(ReadStoredMail(*item, &disk, nullptr, text));
    EXPECT_EQ(text, WholeWindowResult(disk, *item)) << inputs[m.nInput].strFile;
    if (m.bExtractWhole) {
      ++whole;
      EXPECT_EQ(text.size(), expected.size()) << inputs[m.nInput].strFile;
      EXPECT_TRUE(text == expected) << inputs[m.nInput].strFile;
    } else if (m.extents.size() == 1 && text.compare(0, expected.size(), expected) == 0) {
      ++prefixed;  // stored whole, but what follows it does not mark its end (noise)
    } else if (m.extents.size() == 1) {
      // Noise right before its first line: it starts at a later header line of its own.
      ASSERT_GE(text.size(), 64u) << inputs[m.nInput].strFile;
      EXPECT_NE(expected.find(text.substr(0, 64)), std::string::npos) << inputs[m.nInput].strFile;
    }
  }
  if (GetParam().placement == mkimage::Placement::Fragmented) {
    if (GetParam().filler == mkimage::Filler::Zero) {
      EXPECT_GE(whole, 1u);
    }
  } else if (GetParam().filler == mkimage::Filler::Zero || GetParam().placement == mkimage::Placement::Dbx ||
             GetParam().placement == mkimage::Placement::Box) {
    EXPECT_GE(whole, inputs.size() / 2);  // most of the corpus comes back whole
  } else if (GetParam().placement == mkimage::Placement::Aligned) {
    EXPECT_GE(prefixed, inputs.size() / 2);  // most of it comes back whole, noise after it
  }
}

// Real-world mail from the shared corpus, when it is there: the messages with a
// "Received: " line, stored with CR LF line ends in every layout at once.
TEST(ExtractCorpus, RealMailComesBackByteForByte) {
  const fs::path shared = korvane::test::SharedDir();
  const fs::path corpus = shared.empty() ? fs::path() : shared / "corpus";
  if (corpus.empty() || !fs::exists(corpus / "MANIFEST.tsv")) GTEST_SKIP() << "no shared corpus";
  std::vector<mkimage::InputMessage> inputs;
  std::ifstream manifest(corpus / "MANIFEST.tsv");
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    for (std::string c; std::getline(ss, c, '\t');) cols.push_back(c);
    if (cols.size() < 7 || cols[4] != "eml" || cols[6] != "y") continue;
    std::ifstream in(corpus / cols[0], std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    inputs.push_back({cols[0], mkimage::ToCrlf(bytes.str())});
  }
  ASSERT_FALSE(inputs.empty());
  mkimage::LayoutSpec spec;
  spec.nSeed = 11;
  spec.nScatter = 0;
  const mkimage::Placement placements[] = {mkimage::Placement::Aligned, mkimage::Placement::Unaligned,
                                           mkimage::Placement::Dbx, mkimage::Placement::Box};
  for (int r = 0; r < 4; ++r) spec.regions.push_back({placements[r], {}});
  for (size_t i = 0; i < inputs.size(); ++i) spec.regions[i % 4].messages.push_back(i);
  mkimage::Image image;
  std::string err;
  ASSERT_TRUE(mkimage::BuildImage(spec, inputs, image, &err)) << err;
  CTempDir dir;
  CDisk disk;
  ASSERT_TRUE(disk.Open(Utf8ToU16(dir.WriteFile("corpus.img", image.strBytes).string())));
  size_t whole = 0;
  for (const mkimage::PlacedMessage& m : image.messages) {
    if (!m.bFound || !m.bExtractWhole) continue;
    ++whole;
    std::string text;
    ASSERT_TRUE(ReadStoredMail(*RecordOf(m), &disk, nullptr, text));
    EXPECT_TRUE(text == inputs[m.nInput].strBytes) << inputs[m.nInput].strFile;
  }
  EXPECT_GT(whole, 0u);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtractImages,
                         ::testing::Values(tagLayoutCase{mkimage::Placement::Aligned, mkimage::Filler::Zero, 1},
                                           tagLayoutCase{mkimage::Placement::Aligned, mkimage::Filler::Noise, 2},
                                           tagLayoutCase{mkimage::Placement::Unaligned, mkimage::Filler::Zero, 3},
                                           tagLayoutCase{mkimage::Placement::Unaligned, mkimage::Filler::Noise, 4},
                                           tagLayoutCase{mkimage::Placement::Dbx, mkimage::Filler::Zero, 5},
                                           tagLayoutCase{mkimage::Placement::Dbx, mkimage::Filler::Noise, 6},
                                           tagLayoutCase{mkimage::Placement::Box, mkimage::Filler::Zero, 7},
                                           tagLayoutCase{mkimage::Placement::Box, mkimage::Filler::Noise, 8},
                                           tagLayoutCase{mkimage::Placement::Fragmented, mkimage::Filler::Zero, 9},
                                           tagLayoutCase{mkimage::Placement::Fragmented, mkimage::Filler::Noise, 10}),
                         [](const ::testing::TestParamInfo<tagLayoutCase>& info) {
                           return std::string(mkimage::PlacementName(info.param.placement)) +
                                  (info.param.filler == mkimage::Filler::Zero ? "Zero" : "Noise");
                         });

}  // namespace
