#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/data_dirs.h"
#include "tools/mkimage/ground_truth.h"
#include "tools/mkimage/image_builder.h"
#include "tools/mkimage/sha256.h"

using namespace mkimage;

namespace {

std::vector<InputMessage> Corpus() {
  static std::vector<InputMessage> corpus = [] {
    std::vector<InputMessage> out;
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::directory_iterator(korvane::test::TestDataDir() / "mail"))
      if (e.path().extension() == ".eml") paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
      std::ifstream in(p, std::ios::binary);
      std::ostringstream ss;
      ss << in.rdbuf();
      out.push_back({p.filename().string(), ss.str()});
    }
    return out;
  }();
  return corpus;
}

LayoutSpec OneRegion(Placement p, Filler f, uint64_t seed, size_t count) {
  LayoutSpec spec;
  spec.nSeed = seed;
  spec.filler = f;
  RegionSpec r;
  r.placement = p;
  for (size_t i = 0; i < count; ++i) r.messages.push_back(i);
  spec.regions.push_back(r);
  return spec;
}

uint32_t Word(const std::string& s, uint64_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

bool StartsNoCase(const std::string& s, uint64_t at, const std::string& word) {
  if (at + word.size() > s.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
  return true;
}

const Placement kAll[] = {Placement::Aligned, Placement::Unaligned, Placement::Dbx, Placement::Box,
                          Placement::Fragmented};

class Layouts : public ::testing::TestWithParam<std::tuple<Placement, Filler>> {};

// Each message's bytes are where the ground truth says, once, and nowhere overlaps.
TEST_P(Layouts, BytesLieWhereTheGroundTruthSays) {
  const auto [placement, filler] = GetParam();
  const auto corpus = Corpus();
  ASSERT_GE(corpus.size(), 40u);
  Image image;
  std::string err;
  ASSERT_TRUE(BuildImage(OneRegion(placement, filler, 7, corpus.size()), corpus, image, &err)) << err;
  ASSERT_EQ(image.strBytes.size() % kSector, 0u);
  ASSERT_EQ(image.messages.size(), corpus.size());
  std::vector<std::pair<uint64_t, uint64_t>> used;
  for (const PlacedMessage& m : image.messages) {
    const std::string& bytes = corpus[m.nInput].strBytes;
    uint64_t next = 0;
    std::string joined;
    for (const Extent& e : m.extents) {
      EXPECT_EQ(e.nMessageOffset, next) << corpus[m.nInput].strFile;
      next += e.nLength;
      joined += image.strBytes.substr(e.nImageOffset, e.nLength);
      used.emplace_back(e.nImageOffset, e.nImageOffset + e.nLength);
      if (placement == Placement::Aligned || placement == Placement::Fragmented) {
        EXPECT_EQ(e.nImageOffset % kSector, 0u);
      } else if (placement == Placement::Unaligned) {
        EXPECT_NE(e.nImageOffset % kSector, 0u);
      } else if (placement == Placement::Box) {
        EXPECT_EQ(image.strBytes.substr(e.nImageOffset - kBoxSeparatorSize, kBoxSeparatorSize),
                  std::string(kBoxSeparator, kBoxSeparatorSize));
      }
    }
    EXPECT_EQ(Sha256Hex(joined), Sha256Hex(bytes)) << corpus[m.nInput].strFile;
    if (m.info.nLastReceived != kNone) {
      const uint64_t at = m.ImageOffset(m.info.nLastReceived);
      if (placement == Placement::Dbx && m.bFound) {
        EXPECT_TRUE(m.nSector == at / kSector || m.nSector == (at + kDbxBlockHeader) / kSector);
      } else {
        EXPECT_EQ(m.nSector, at / kSector);
      }
      EXPECT_TRUE(StartsNoCase(image.strBytes, at, "received: "));
    }
  }
  std::sort(used.begin(), used.end());
  for (size_t i = 1; i < used.size(); ++i) EXPECT_LE(used[i - 1].second, used[i].first);
}

// Outside the messages nothing looks like a message start.
TEST_P(Layouts, FillerHoldsNoReceivedMark) {
  const auto [placement, filler] = GetParam();
  const auto corpus = Corpus();
  Image image;
  ASSERT_TRUE(BuildImage(OneRegion(placement, filler, 11, corpus.size()), corpus, image, nullptr));
  std::string rest = image.strBytes;
  for (const PlacedMessage& m : image.messages)
    for (const Extent& e : m.extents) std::fill_n(rest.begin() + e.nImageOffset, e.nLength, '\0');
  for (size_t i = 0; i + 10 <= rest.size(); ++i) ASSERT_FALSE(StartsNoCase(rest, i, "received: ")) << i;
}

TEST_P(Layouts, SameSeedSameImageOtherSeedOtherImage) {
  const auto [placement, filler] = GetParam();
  const auto corpus = Corpus();
  Image a, b, c;
  ASSERT_TRUE(BuildImage(OneRegion(placement, filler, 3, corpus.size()), corpus, a, nullptr));
  ASSERT_TRUE(BuildImage(OneRegion(placement, filler, 3, corpus.size()), corpus, b, nullptr));
  ASSERT_TRUE(BuildImage(OneRegion(placement, filler, 4, corpus.size()), corpus, c, nullptr));
  EXPECT_TRUE(a.strBytes == b.strBytes);
  EXPECT_EQ(GroundTruthJson(a, corpus, {}), GroundTruthJson(b, corpus, {}));
  EXPECT_FALSE(a.strBytes == c.strBytes);
}

INSTANTIATE_TEST_SUITE_P(All, Layouts,
                         ::testing::Combine(::testing::ValuesIn(kAll),
                                            ::testing::Values(Filler::Zero, Filler::Noise, Filler::Mixed)),
                         [](const auto& info) {
                           return std::string(PlacementName(std::get<0>(info.param))) + "_" +
                                  FillerName(std::get<1>(info.param));
                         });

// Every block header of a store: its own offset, 0x200, the data length, and a chain that
// yields the message when followed from its first block.
TEST(DbxLayout, BlockHeadersAreWellFormedAndChainTheMessage) {
  const auto corpus = Corpus();
  for (uint64_t seed : {1, 2, 3}) {
    Image image;
    ASSERT_TRUE(BuildImage(OneRegion(Placement::Dbx, Filler::Noise, seed, corpus.size()), corpus, image, nullptr));
    const std::string& img = image.strBytes;
    const uint64_t base = image.messages[0].extents[0].nImageOffset - kDbxBlockHeader -
                          Word(img, image.messages[0].extents[0].nImageOffset - kDbxBlockHeader);
    EXPECT_EQ(base % kSector, 0u);
    bool outOfOrder = false;
    for (const PlacedMessage& m : image.messages) {
      std::string chained;
      uint64_t at = m.extents[0].nImageOffset - kDbxBlockHeader;
      for (size_t k = 0; k < m.extents.size(); ++k) {
        ASSERT_EQ(at, m.extents[k].nImageOffset - kDbxBlockHeader);
        EXPECT_EQ(at % 4, 0u);
        EXPECT_EQ(Word(img, at), at - base);
        EXPECT_EQ(Word(img, at + 4), 0x200u);
        EXPECT_EQ(Word(img, at + 8), m.extents[k].nLength);
        chained += img.substr(at + kDbxBlockHeader, Word(img, at + 8));
        const uint32_t next = Word(img, at + 12);
        if (k + 1 == m.extents.size()) {
          EXPECT_EQ(next, 0u);
          // The unused tail of the last block is zero.
          const uint64_t tail = at + kDbxBlockHeader + m.extents[k].nLength;
          EXPECT_EQ(img.substr(tail, kDbxBlockData - m.extents[k].nLength),
                    std::string(kDbxBlockData - m.extents[k].nLength, '\0'));
        } else {
          EXPECT_NE(next, 0u);
          outOfOrder = outOfOrder || base + next != at + kDbxBlockHeader + kDbxBlockData;
          at = base + next;
        }
      }
      EXPECT_TRUE(chained == corpus[m.nInput].strBytes) << corpus[m.nInput].strFile;
    }
    EXPECT_TRUE(outOfOrder) << "seed " << seed << ": some message should keep later blocks elsewhere";
  }
}

// A header line after an earlier "Received: " line closes the block gap ahead of it and so
// moves the last "Received: " line 16 bytes on; the sector is where the line then is.
TEST(DbxLayout, SectorFollowsTheGapClosedBeforeTheLastReceivedLine) {
  // An "X-Short" line starts at `p`, the last "Received: " line at `r` right after it, both in
  // the first block; the block gap follows 512 - p bytes after the short line's start.
  auto message = [](size_t p, size_t r) {
    std::string m = "Received: from a\r\nX-Pad: " + std::string(p - 27, 'x') +
                    "\r\nX-Short: " + std::string(r - p - 11, 'z') + "\r\nReceived: from c\r\n";
    return m + "From: a@x\r\nTo: b@x\r\nDate: Tue, 05 Mar 2013 09:08:07 +0800\r\n\r\n" + std::string(1200, 'y') +
           "\r\n";
  };
  int moved = 0, kept = 0;
  for (size_t r = 430; r < 490; ++r)
    for (size_t p : {r - 12, size_t(300)}) {  // 512 - p is within reach (< 80) or not (212)
      Image image;
      LayoutSpec spec = OneRegion(Placement::Dbx, Filler::Zero, 1, 1);
      spec.nScatter = 0;
      ASSERT_TRUE(BuildImage(spec, {{"m", message(p, r)}}, image, nullptr));
      const PlacedMessage& m = image.messages[0];
      ASSERT_EQ(m.info.nLastReceived, r);
      ASSERT_TRUE(m.bFound);
      const uint64_t at = m.ImageOffset(r);
      if (at / kSector == (at + kDbxBlockHeader) / kSector) continue;  // the move stays in the sector
      if (p == 300) {
        EXPECT_EQ(m.nSector, at / kSector) << r;
        ++kept;
      } else {
        EXPECT_EQ(m.nSector, at / kSector + 1) << r;
        ++moved;
      }
    }
  EXPECT_GT(moved, 0);
  EXPECT_GT(kept, 0);
}

TEST(FragmentedLayout, PiecesAreStoredOutOfOrder) {
  const auto corpus = Corpus();
  Image image;
  ASSERT_TRUE(BuildImage(OneRegion(Placement::Fragmented, Filler::Zero, 5, corpus.size()), corpus, image, nullptr));
  size_t cut = 0, reversed = 0;
  for (const PlacedMessage& m : image.messages) {
    cut += m.extents.size() > 1;
    for (size_t k = 1; k < m.extents.size(); ++k) {
      reversed += m.extents[k].nImageOffset < m.extents[k - 1].nImageOffset;
      EXPECT_EQ(m.extents[k].nMessageOffset % kSector, 0u);
    }
  }
  EXPECT_GT(cut, corpus.size() / 2);
  EXPECT_GT(reversed, 0u);
}

// What the scan should find follows from where the "Received: " line landed.
TEST(Expectations, FoundFlagsFollowTheMessageStartRules) {
  const std::string only =
      "Received: from x\r\nFrom: a@x\r\nTo: b@x\r\nDate: Tue, 05 Mar 2013 09:08:07 +0800\r\n\r\nhi\r\n";
  const std::string two = "Received: from y\r\n" + only;
  const std::string none = "From: a@x\r\nTo: b@x\r\nDate: Tue, 05 Mar 2013\r\n\r\nhi\r\n";
  const std::vector<InputMessage> in = {{"only", only}, {"two", two}, {"none", none}};
  auto flags = [&](Placement p, Filler f, uint64_t seed) {
    Image image;
    EXPECT_TRUE(BuildImage(OneRegion(p, f, seed, 3), in, image, nullptr));
    std::vector<bool> found;
    for (const auto& m : image.messages) found.push_back(m.bFound);
    return std::make_pair(found, image);
  };
  // After zeros, at a sector start, after a separator or a block header: found.
  for (Placement p : {Placement::Aligned, Placement::Unaligned, Placement::Box, Placement::Dbx})
    EXPECT_EQ(flags(p, Filler::Zero, 1).first, (std::vector<bool>{true, true, false})) << PlacementName(p);
  EXPECT_EQ(flags(Placement::Aligned, Filler::Noise, 1).first, (std::vector<bool>{true, true, false}));
  // After noise inside a sector, a lone first "Received: " line follows no line break.
  for (uint64_t seed = 1; seed < 20; ++seed) {
    const auto [found, image] = flags(Placement::Unaligned, Filler::Noise, seed);
    const uint64_t at = image.messages[0].extents[0].nImageOffset;
    const bool seen = image.strBytes[at - 1] == '\0' || image.strBytes.compare(at - 2, 2, "\r\n") == 0;
    EXPECT_EQ(found[0], seen);
    EXPECT_TRUE(found[1]);
  }
}

TEST(Expectations, HeaderWindowIs64SectorsAfterTheReceivedLine) {
  auto withPadding = [](size_t lines) {
    std::string m = "Received: from x\r\nFrom: a@x\r\nTo: b@x\r\n";
    for (size_t i = 0; i < lines; ++i) m += "X-Pad: " + std::string(90, 'p') + "\r\n";  // 99 bytes a line
    return m + "Date: Tue, 05 Mar 2013 09:08:07 +0800\r\n\r\nhi\r\n";
  };
  // The empty line at 64 sectors after the Received line's sector, and one sector further.
  const std::vector<InputMessage> in = {{"in", withPadding(331)}, {"out", withPadding(336)}};
  Image image;
  ASSERT_TRUE(BuildImage(OneRegion(Placement::Aligned, Filler::Zero, 1, 2), in, image, nullptr));
  EXPECT_EQ((image.messages[0].ImageOffset(image.messages[0].info.nHeaderEnd)) / kSector - image.messages[0].nSector,
            64u);
  EXPECT_TRUE(image.messages[0].bFound);
  EXPECT_FALSE(image.messages[1].bFound);
}

TEST(GroundTruth, BytesAsCodePointsAndEveryMessage) {
  EXPECT_EQ(JsonBytes(std::string("a\"\\\xd6\r\n\x01", 7)), "\"a\\\"\\\\\\u00d6\\u000d\\u000a\\u0001\"");
  const auto corpus = Corpus();
  Image image;
  ASSERT_TRUE(BuildImage(OneRegion(Placement::Aligned, Filler::Zero, 1, corpus.size()), corpus, image, nullptr));
  const std::string json = GroundTruthJson(image, corpus, {});
  for (const InputMessage& m : corpus) {
    EXPECT_NE(json.find(JsonBytes(m.strFile)), std::string::npos);
    EXPECT_NE(json.find(Sha256Hex(m.strBytes)), std::string::npos);
  }
}

TEST(BuildImage, RefusesMissingOrEmptyMessages) {
  std::string err;
  Image image;
  LayoutSpec spec = OneRegion(Placement::Aligned, Filler::Zero, 1, 2);
  EXPECT_FALSE(BuildImage(spec, {{"a", "x"}}, image, &err));
  EXPECT_NE(err.find("message 2 of 1"), std::string::npos);
  EXPECT_FALSE(BuildImage(spec, {{"a", "x"}, {"b", ""}}, image, &err));
  EXPECT_EQ(err, "b is empty");
}

}  // namespace
