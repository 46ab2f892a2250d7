// Every layout mkimage knows, filled with the test corpus (and the real-world messages under
// ../shared/corpus when present), scanned with chunks of 2048 and of 8 sectors: each message
// the ground truth expects is found exactly once, at its sector, with its fields and
// attachments, and nothing is found where no message is. Real .dbx store files scan to
// exactly their messages that carry a Received header.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/utf.h"
#include "tests/support/data_dirs.h"
#include "tests/support/recorder_view.h"
#include "tests/support/temp_dir.h"
#include "tools/mkimage/image_builder.h"

using namespace mkimage;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// tests/data/mail, in name order.
const std::vector<InputMessage>& OwnCorpus() {
  static const std::vector<InputMessage> corpus = [] {
    std::vector<InputMessage> out;
    std::vector<fs::path> paths;
    for (const auto& e : fs::directory_iterator(korvane::test::TestDataDir() / "mail"))
      if (e.path().extension() == ".eml") paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) out.push_back({p.filename().string(), ReadAll(p)});
    return out;
  }();
  return corpus;
}

// Real-world single messages with a Received header (MANIFEST.tsv), converted to CR LF as a
// mail store keeps them. Of the bounce collection only its CR LF copies are taken (it holds
// the same messages with LF and CR line ends too); messages over 200 KB are left out.
const std::vector<InputMessage>& SharedCorpus() {
  static const std::vector<InputMessage> corpus = [] {
    std::vector<InputMessage> out;
    const fs::path shared = korvane::test::SharedDir();
    const fs::path root = shared / "corpus";
    std::error_code ec;
    if (shared.empty() || !fs::exists(root / "MANIFEST.tsv", ec)) return out;
    std::istringstream manifest(ReadAll(root / "MANIFEST.tsv"));
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
      std::vector<std::string> col;
      std::istringstream cells(line);
      for (std::string c; std::getline(cells, c, '\t');) col.push_back(c);
      if (col.size() < 14 || col[4] != "eml" || col[6] != "y" || col[11] == "cr") continue;
      if (col[0].rfind("sisimai/", 0) == 0 && col[11] != "crlf") continue;
      if (std::stoull(col[12]) > 200000) continue;
      const std::string bytes = ReadAll(root / col[0]);
      if (!bytes.empty()) out.push_back({col[0], ToCrlf(bytes)});
    }
    return out;
  }();
  return corpus;
}

std::string Clean(std::string v) {
  DecodeHeaderValue(v);
  return v;
}

std::string Formatted(std::string date) {
  FormatMailDate(date);
  return date;
}

std::string TrimLineBreaks(std::string v) {
  while (!v.empty() && (v.back() == '\r' || v.back() == '\n')) v.pop_back();
  size_t b = 0;
  while (b < v.size() && (v[b] == '\r' || v[b] == '\n')) ++b;
  return v.substr(b);
}

// Runs of blanks and tabs as one blank.
std::u16string CollapseBlanks(const std::u16string& s) {
  std::u16string out;
  for (char16_t c : s) {
    const bool blank = c == u' ' || c == u'\t';
    if (blank && !out.empty() && out.back() == u' ') continue;
    out += blank ? u' ' : c;
  }
  return out;
}

// An attachment entry as "name size".
std::vector<std::string> Entries(tagMailItem* item) {
  item->MergePendingAttachments();
  std::vector<std::string> out;
  auto lock = item->Lock();
  if (item->pAttachments)
    for (const tagAttachment& a : *item->pAttachments) out.push_back(a.strName + " " + std::to_string(a.nSize));
  return out;
}

std::vector<std::string> ExpectedEntries(const MessageInfo& info) {
  std::vector<std::string> out;
  for (const XAttachment& x : info.xAttachments) out.push_back(Clean(x.strName) + " " + std::to_string(x.nSize));
  for (const DeclaredAttachment& a : info.attachments)
    if (a.bListed)
      out.push_back(a.strName + " " + std::to_string(a.strEncoding.find("base64") != std::string::npos ? a.nSize : 0));
  return out;
}

std::string Describe(const tagMailItem* r) {
  return "sector " + std::to_string(r->nSector) + " from [" + r->strFrom + "] subject [" + r->strSubject + "]";
}

struct Scenario {
  const char* name;
  Placement placement;
  Filler filler;
  uint64_t seed;
};

const Scenario kScenarios[] = {
    {"AlignedZeros", Placement::Aligned, Filler::Zero, 1},
    {"AlignedNoise", Placement::Aligned, Filler::Noise, 2},
    {"UnalignedZeros", Placement::Unaligned, Filler::Zero, 3},
    {"UnalignedNoise", Placement::Unaligned, Filler::Noise, 4},
    {"DbxZeros", Placement::Dbx, Filler::Zero, 5},
    {"DbxNoise", Placement::Dbx, Filler::Noise, 6},
    {"BoxZeros", Placement::Box, Filler::Zero, 7},
    {"BoxNoise", Placement::Box, Filler::Noise, 8},
    {"FragmentedZeros", Placement::Fragmented, Filler::Zero, 9},
    {"FragmentedNoise", Placement::Fragmented, Filler::Noise, 10},
};

class ScanEndToEnd : public ::testing::TestWithParam<std::tuple<Scenario, uint32_t>> {
 protected:
  void TearDown() override {
    g_MailStore.FreeAll();
    g_pCurrentMail = nullptr;
  }

  // Builds the image of `inputs` in the scenario's layout and scans it.
  std::vector<tagMailItem*> BuildAndScan(const std::vector<InputMessage>& inputs, Image& image) {
    const auto& [scenario, chunk] = GetParam();
    LayoutSpec spec;
    spec.nSeed = scenario.seed;
    spec.filler = scenario.filler;
    RegionSpec region;
    region.placement = scenario.placement;
    for (size_t i = 0; i < inputs.size(); ++i) region.messages.push_back(i);
    spec.regions.push_back(region);
    std::string err;
    EXPECT_TRUE(BuildImage(spec, inputs, image, &err)) << err;
    g_strSourcePath.Set(Utf8ToU16(m_dir.WriteFile("image.img", image.strBytes).string()));
    CRecorderView view;
    ScanThreadProc(&view, MakeScanChunkConsumer(&view), chunk);
    return g_MailStore.Snapshot();
  }

  // Matches the records with the ground truth. `strict` (our corpus): attachments are
  // compared and unexpected records are allowed only as said below; otherwise (real mail)
  // any record inside a message's sectors is allowed and attachments are not compared.
  void Check(const std::vector<InputMessage>& inputs, const Image& image, const std::vector<tagMailItem*>& records,
             bool strict) {
    std::vector<bool> matched(records.size(), false);
    size_t expected = 0;
    for (const PlacedMessage& m : image.messages) {
      if (!m.bFound) continue;
      ++expected;
      const MessageInfo& info = m.info;
      const std::string& file = inputs[m.nInput].strFile;
      const std::string from = Clean(info.strFrom);
      std::vector<size_t> hits;
      for (size_t i = 0; i < records.size(); ++i)
        if (records[i]->nSector == m.nSector && records[i]->strFrom == from) hits.push_back(i);
      if (hits.size() != 1) {
        std::string near;
        for (const tagMailItem* r : records)
          if (r->nSector + 2 >= m.nSector && r->nSector <= m.nSector + 2) near += "\n    got " + Describe(r);
        ADD_FAILURE() << file << ": expected once at sector " << m.nSector << " from [" << from << "], found "
                      << hits.size() << " times" << near;
        for (size_t i : hits) matched[i] = true;
        continue;
      }
      matched[hits[0]] = true;
      tagMailItem* r = records[hits[0]];
      EXPECT_EQ(r->strTo, Clean(info.strTo)) << file;
      EXPECT_EQ(r->strCc, info.strCc) << file;
      EXPECT_EQ(r->strDate, Formatted(info.strDate)) << file;
      if (info.bSubjectFolded) {
        // The blanks that fold a line carry no text: unfolding may keep them or join with one.
        std::string unfolded = info.strSubjectUnfolded;
        EXPECT_EQ(CollapseBlanks(r->strSubjectW), CollapseBlanks(DecodeHeaderValue(unfolded))) << file;
      } else {
        EXPECT_EQ(r->strSubject, TrimLineBreaks(Clean(info.strSubject))) << file;
      }
      EXPECT_EQ(r->nPriority, uint16_t(std::atoi(info.strPriority.c_str()))) << file;
      if (strict && m.bAttachmentsWhole) {
        EXPECT_EQ(Entries(r), ExpectedEntries(info)) << file;
      }
    }
    EXPECT_GT(expected, 0u);
    std::printf("%zu messages stored, %zu expected to be found, %zu records\n", image.messages.size(), expected,
                records.size());

    // A record nobody expects may stand only where a message is: real mail quotes headers of
    // other mail; in a store or fragmented layout a message whose header is not in one run
    // may still make a record from its pieces (the expectation there is conservative).
    const Placement placement = std::get<0>(GetParam()).placement;
    const bool pieces = placement == Placement::Dbx || placement == Placement::Fragmented;
    for (size_t i = 0; i < records.size(); ++i) {
      if (matched[i]) continue;
      bool inside = false;
      for (const PlacedMessage& m : image.messages) {
        if (strict && !(pieces && !m.bFound && m.info.nLastReceived != kNone)) continue;
        for (const Extent& e : m.extents)
          inside = inside || (records[i]->nSector >= e.nImageOffset / kSector &&
                              records[i]->nSector <= (e.nImageOffset + e.nLength) / kSector);
      }
      if (!inside) ADD_FAILURE() << "a record where no expected message is: " << Describe(records[i]);
    }
  }

  CTempDir m_dir;
};

TEST_P(ScanEndToEnd, OwnCorpus) {
  const auto& corpus = OwnCorpus();
  ASSERT_GE(corpus.size(), 40u);
  Image image;
  const auto records = BuildAndScan(corpus, image);
  Check(corpus, image, records, true);
}

TEST_P(ScanEndToEnd, RealWorldMessages) {
  const auto& corpus = SharedCorpus();
  if (corpus.empty()) GTEST_SKIP() << "no real-world corpus (../shared/corpus)";
  Image image;
  const auto records = BuildAndScan(corpus, image);
  Check(corpus, image, records, false);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ScanEndToEnd,
                         ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::Values(2048u, 8u)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "Chunk" +
                                  std::to_string(std::get<1>(info.param));
                         });

// Filler alone holds no message.
TEST(ScanEndToEndEmpty, NoiseAndZerosHoldNothing) {
  CTempDir dir;
  for (Filler f : {Filler::Zero, Filler::Noise}) {
    LayoutSpec spec;
    spec.filler = f;
    spec.nGapMin = spec.nGapMax = 4000;
    RegionSpec region;
    region.placement = Placement::Aligned;
    region.messages = {0};
    spec.regions.push_back(region);
    Image image;
    ASSERT_TRUE(BuildImage(spec, {{"none", "no message here"}}, image, nullptr));
    g_strSourcePath.Set(Utf8ToU16(dir.WriteFile("filler.img", image.strBytes).string()));
    CRecorderView view;
    ScanThreadProc(&view, MakeScanChunkConsumer(&view), 8);
    EXPECT_EQ(g_MailStore.Count(), 0u);
    g_MailStore.FreeAll();
  }
}

// Real store files written by a mail client: each message with a Received header is found
// once at the sector of its last "Received: " line, a header line split by a block header
// included; a message without one (and the stores without messages) yield nothing.
TEST(ScanRealStores, DbxFilesFromAMailClient) {
  const fs::path shared = korvane::test::SharedDir();
  const fs::path root = shared / "corpus";
  std::error_code ec;
  if (shared.empty() || !fs::exists(root / "mail-transport-dbx" / "t" / "test.dbx", ec))
    GTEST_SKIP() << "no real-world corpus";
  struct Want {
    uint64_t sector;
    const char* from;
    const char* subject;
    const char* date;
  };
  const char* kFresh = "[fmII] centericq 4.7.5 released (Default branch)";
  const struct {
    const char* file;
    std::vector<Want> want;
  } cases[] = {
      {"mail-transport-dbx/t/test.dbx",
       {{55, "noreply@freshmeat.net", kFresh, "2002-06-17 15:42:07"},
        {118, "Wealth_Enterprises_2002 <off_1@webstation.com>", "Please read you won't be sorry........",
         "2002-04-13 20:16:33"}}},
      {"mail-transport-dbx/t/test1.dbx", {{119, "noreply@freshmeat.net", kFresh, "2002-06-17 15:42:07"}}},
      {"dbxoutlookexpress/Inbox.dbx", {}},
      {"dbxoutlookexpress/Folders.dbx", {}},
      {"dbxoutlookexpress/Offline.dbx", {}},
      {"dbxoutlookexpress/Outbox.dbx", {}},
  };
  for (const auto& c : cases)
    for (uint32_t chunk : {2048u, 8u}) {
      g_strSourcePath.Set(fs::absolute(root / c.file).make_preferred().u16string());  // Windows: "Z:\..."
      CRecorderView view;
      ScanThreadProc(&view, MakeScanChunkConsumer(&view), chunk);
      const auto records = g_MailStore.Snapshot();
      ASSERT_EQ(records.size(), c.want.size()) << c.file << " chunk " << chunk;
      for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i]->nSector, c.want[i].sector) << c.file;
        EXPECT_EQ(records[i]->strFrom, c.want[i].from) << c.file;
        EXPECT_EQ(records[i]->strSubject, c.want[i].subject) << c.file;
        EXPECT_EQ(records[i]->strDate, c.want[i].date) << c.file;
      }
      g_MailStore.FreeAll();
      g_pCurrentMail = nullptr;
    }
}

}  // namespace
