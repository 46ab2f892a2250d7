// The engine's recogniser makes exactly the records of the straightforward reference
// recogniser (tests/scan/reference_recogniser), field for field and in the same order, for
// every layout mkimage builds, for real .dbx stores and for hostile buffers, whatever the
// chunk size.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "scan/byte_scan.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/utf.h"
#include "tests/scan/reference_recogniser.h"
#include "tests/support/data_dirs.h"
#include "tools/mkimage/image_builder.h"

namespace fs = std::filesystem;
using namespace mkimage;
using namespace std::literals;

namespace {

constexpr uint32_t kChunkSizes[] = {1, 3, 8, 61, 2048};
// The shared corpus makes images of several MiB: two sizes keep the suite quick, one that
// puts chunk ends everywhere and the scan's own.
constexpr uint32_t kLargeImageChunkSizes[] = {3, 2048};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every field of a record, the scan's working fields included.
std::string Everything(const tagMailItem& m) {
  auto lock = m.Lock();
  std::string s = "sector=" + std::to_string(m.nSector) + "\nsubject=" + m.strSubject + "\nfrom=" + m.strFrom +
                  "\nto=" + m.strTo + "\ncc=" + m.strCc + "\nboundary=" + m.strBoundary + "\ndate=" + m.strDate +
                  "\ncontent-type=" + m.strContentType + "\nencoding=" + m.strTransferEncoding + "\nbody=" + m.strBody +
                  "\npart-type=" + m.strPartType + "\npart-encoding=" + m.strPartEncoding +
                  "\nboundary2=" + m.strBoundary2 + "\ntoW=" + U16ToUtf8(m.strToW) +
                  "\nfromW=" + U16ToUtf8(m.strFromW) + "\nsubjectW=" + U16ToUtf8(m.strSubjectW) +
                  "\nbodyW=" + U16ToUtf8(m.strBodyW) + "\npriority=" + std::to_string(m.nPriority) +
                  "\nin-body=" + std::to_string(m.bInBody) + "\ndecoded=" + std::to_string(m.bDecoded) +
                  "\nin-attachment=" + std::to_string(m.bInAttachment) +
                  "\nin-attachment-data=" + std::to_string(m.bInAttachmentData) +
                  "\nattachment-data=" + std::to_string(m.strAttachmentData.nLength) + " bytes, " +
                  std::to_string(m.strAttachmentData.base64.Length()) + " decoded\n";
  const struct {
    const char* name;
    const tagAttachmentArray* arr;
  } lists[] = {{"listed", m.pAttachments.get()}, {"pending", m.pPendingAttachments.get()}};
  for (const auto& list : lists) {
    if (!list.arr) continue;
    s += std::string(list.name) + " (" + std::to_string(list.arr->size()) + ")\n";
    for (const tagAttachment& a : *list.arr)
      s += "  " + a.strName + "|" + U16ToUtf8(a.strNameW) + "|" + std::to_string(a.nSize) + "|" + a.strEncoding + "\n";
  }
  return s;
}

// What a scan leaves: every record in creation order, then the counters and which record is
// still open.
struct Outcome {
  std::vector<std::string> records;
  std::string state;
};

// Scans `source` (whole sectors) in chunks of `chunkSectors` the way the scan driver hands
// them over: each chunk followed by the source's next kScanLookahead bytes (zeros past its
// end) and kScanTailPad zeros, in a buffer of exactly that size; what the recogniser changes
// in the chunk and its look-ahead stays changed for the chunks after it.
template <typename Recogniser>
Outcome Scan(std::string source, uint32_t chunkSectors) {
  // Which sectors hold only zeros as read, as the scan driver's reader marks them.
  const std::string pristine = source;
  std::vector<uint64_t> zeroSectors((source.size() / 512 + 63) / 64 + 1);
  bytescan::MarkZeroSectors(pristine.data(), pristine.size() / 512, 0, zeroSectors.data());
  g_MailStore.FreeAll();
  g_pCurrentMail = nullptr;
  g_nMailCount = 0;
  g_bUnsaved = 0;
  Recogniser r;
  const std::atomic<int> stop{0};
  const size_t chunkBytes = static_cast<size_t>(chunkSectors) * 512;
  for (size_t at = 0; at < source.size(); at += chunkBytes) {
    const size_t length = std::min(chunkBytes, source.size() - at);
    const size_t span = std::min(length + kScanLookahead, source.size() - at);
    auto buffer = std::make_unique<uint8_t[]>(length + kScanLookahead + kScanTailPad);
    std::memcpy(buffer.get(), source.data() + at, span);
    if constexpr (Recogniser::kTakesZeroMap) {
      // The chunk's own bits, from bit 0.
      std::vector<uint64_t> map(length / 512 / 64 + 1);
      for (size_t i = 0; i < length / 512; ++i) {
        const size_t k = at / 512 + i;
        if ((zeroSectors[k / 64] >> (k % 64)) & 1) map[i / 64] |= uint64_t{1} << (i % 64);
      }
      r.ScanChunk(buffer.get(), length, at / 512, stop, map.data());
    } else {
      r.ScanChunk(buffer.get(), length, at / 512, stop);
    }
    std::memcpy(source.data() + at, buffer.get(), span);
  }
  Outcome out;
  const std::vector<tagMailItem*> records = g_MailStore.Snapshot();
  for (const tagMailItem* m : records) out.records.push_back(Everything(*m));
  const auto open = std::find(records.begin(), records.end(), r.OpenMail());
  out.state = "count=" + std::to_string(g_nMailCount.load()) + " unsaved=" + std::to_string(g_bUnsaved.load()) +
              " open=" + (r.OpenMail() ? std::to_string(open - records.begin()) : std::string("none")) +
              " current=" + (g_pCurrentMail == r.OpenMail() ? "same" : "differs");
  g_MailStore.FreeAll();
  g_pCurrentMail = nullptr;
  return out;
}

// The engine's recogniser, as the scan driver uses it: told which sectors were zeros as read.
struct EngineRecogniser {
  static constexpr bool kTakesZeroMap = true;
  CRecogniser r{nullptr};
  void ScanChunk(uint8_t* c, size_t n, uint64_t s, const std::atomic<int>& stop, const uint64_t* zeros) {
    r.ScanChunk(c, n, s, stop, zeros);
  }
  tagMailItem* OpenMail() const { return r.OpenMail(); }
};

// The engine's recogniser called without that map: it reads every sector start itself.
struct EngineRecogniserWithoutMap {
  static constexpr bool kTakesZeroMap = false;
  CRecogniser r{nullptr};
  void ScanChunk(uint8_t* c, size_t n, uint64_t s, const std::atomic<int>& stop) { r.ScanChunk(c, n, s, stop); }
  tagMailItem* OpenMail() const { return r.OpenMail(); }
};

// The reference, which has no use for the map.
struct ReferenceRecogniser {
  static constexpr bool kTakesZeroMap = false;
  reference::CRecogniser r;
  void ScanChunk(uint8_t* c, size_t n, uint64_t s, const std::atomic<int>& stop) { r.ScanChunk(c, n, s, stop); }
  tagMailItem* OpenMail() const { return r.OpenMail(); }
};

// Both recognisers over `source` at every chunk size: the same records, the same state.
// Returns how many records the reference made with the largest chunks.
template <size_t N = std::size(kChunkSizes)>
size_t ExpectSameRecords(const std::string& source, const std::string& what,
                         const uint32_t (&chunkSizes)[N] = kChunkSizes) {
  EXPECT_EQ(source.size() % 512, 0u) << what;
  size_t made = 0;
  for (uint32_t chunk : chunkSizes) {
    const Outcome want = Scan<ReferenceRecogniser>(source, chunk);
    made = want.records.size();
    for (const bool map : {true, false}) {
      const Outcome got = map ? Scan<EngineRecogniser>(source, chunk) : Scan<EngineRecogniserWithoutMap>(source, chunk);
      const std::string where =
          what + ", chunks of " + std::to_string(chunk) + " sectors" + (map ? "" : ", no zero-sector map");
      EXPECT_EQ(got.state, want.state) << where;
      EXPECT_EQ(got.records.size(), want.records.size()) << where;
      const size_t n = std::min(got.records.size(), want.records.size());
      for (size_t i = 0; i < n; ++i) {
        if (got.records[i] == want.records[i]) continue;
        ADD_FAILURE() << where << ": record " << i << " differs\n--- reference:\n"
                      << want.records[i] << "--- engine:\n"
                      << got.records[i];
        break;
      }
      if (got.records.size() != want.records.size() && n < std::max(got.records.size(), want.records.size())) {
        ADD_FAILURE() << where << ": first extra record:\n"
                      << (got.records.size() > n ? "engine:\n" + got.records[n] : "reference:\n" + want.records[n]);
      }
    }
  }
  return made;
}

// ---- sources ----

std::vector<InputMessage> OwnCorpus() {
  std::vector<fs::path> paths;
  for (const auto& e : fs::directory_iterator(korvane::test::TestDataDir() / "mail"))
    if (e.path().extension() == ".eml") paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  std::vector<InputMessage> out;
  for (const auto& p : paths) out.push_back({p.filename().string(), ReadAll(p)});
  return out;
}

// The real-world messages of the shared corpus with a Received header, as CR LF (as a mail
// store keeps them) and also as they are, in whatever line ends they have.
std::vector<InputMessage> SharedCorpus(bool crlf) {
  std::vector<InputMessage> out;
  const fs::path shared = korvane::test::SharedDir();
  std::error_code ec;
  if (shared.empty() || !fs::exists(shared / "corpus" / "MANIFEST.tsv", ec)) return out;
  const fs::path root = shared / "corpus";
  std::istringstream manifest(ReadAll(root / "MANIFEST.tsv"));
  std::string line;
  std::getline(manifest, line);
  while (std::getline(manifest, line)) {
    std::vector<std::string> col;
    std::istringstream cells(line);
    for (std::string c; std::getline(cells, c, '\t');) col.push_back(c);
    if (col.size() < 14 || col[4] != "eml" || col[6] != "y") continue;
    if (std::stoull(col[12]) > 200000) continue;
    const std::string bytes = ReadAll(root / col[0]);
    if (!bytes.empty()) out.push_back({col[0], crlf ? ToCrlf(bytes) : bytes});
  }
  return out;
}

// The shared corpus's .dbx store files, whole, padded to sectors.
std::vector<std::pair<std::string, std::string>> DbxFiles() {
  std::vector<std::pair<std::string, std::string>> out;
  const fs::path shared = korvane::test::SharedDir();
  std::error_code ec;
  if (shared.empty() || !fs::exists(shared / "corpus", ec)) return out;
  for (const auto& e : fs::recursive_directory_iterator(shared / "corpus"))
    if (e.path().extension() == ".dbx") {
      std::string bytes = ReadAll(e.path());
      bytes.resize((bytes.size() + 511) / 512 * 512, '\0');
      out.emplace_back(e.path().filename().string(), std::move(bytes));
    }
  std::sort(out.begin(), out.end());
  return out;
}

struct Layout {
  const char* name;
  Placement placement;
  Filler filler;
};

const Layout kLayouts[] = {
    {"AlignedZeros", Placement::Aligned, Filler::Zero},
    {"AlignedNoise", Placement::Aligned, Filler::Noise},
    {"UnalignedZeros", Placement::Unaligned, Filler::Zero},
    {"UnalignedNoise", Placement::Unaligned, Filler::Noise},
    {"DbxZeros", Placement::Dbx, Filler::Zero},
    {"DbxNoise", Placement::Dbx, Filler::Noise},
    {"BoxZeros", Placement::Box, Filler::Zero},
    {"BoxNoise", Placement::Box, Filler::Noise},
    {"FragmentedZeros", Placement::Fragmented, Filler::Zero},
    {"FragmentedNoise", Placement::Fragmented, Filler::Noise},
};

void PrintTo(const Layout& layout, std::ostream* os) { *os << layout.name; }

std::string BuildLayout(const Layout& layout, const std::vector<InputMessage>& inputs, uint64_t seed) {
  LayoutSpec spec;
  spec.nSeed = seed;
  spec.filler = layout.filler;
  RegionSpec region;
  region.placement = layout.placement;
  for (size_t i = 0; i < inputs.size(); ++i) region.messages.push_back(i);
  spec.regions.push_back(region);
  Image image;
  std::string err;
  EXPECT_TRUE(BuildImage(spec, inputs, image, &err)) << err;
  return image.strBytes;
}

class SameRecords : public ::testing::TestWithParam<Layout> {
 protected:
  void TearDown() override {
    g_MailStore.FreeAll();
    g_pCurrentMail = nullptr;
  }
};

TEST_P(SameRecords, OwnCorpus) {
  const auto corpus = OwnCorpus();
  ASSERT_GE(corpus.size(), 40u);
  ExpectSameRecords(BuildLayout(GetParam(), corpus, 11), "own corpus");
}

TEST_P(SameRecords, SharedCorpusCrLf) {
  const auto corpus = SharedCorpus(true);
  if (corpus.empty()) GTEST_SKIP() << "no real-world corpus";
  ExpectSameRecords(BuildLayout(GetParam(), corpus, 12), "shared corpus, CR LF", kLargeImageChunkSizes);
}

TEST_P(SameRecords, SharedCorpusAsStored) {
  const auto corpus = SharedCorpus(false);
  if (corpus.empty()) GTEST_SKIP() << "no real-world corpus";
  ExpectSameRecords(BuildLayout(GetParam(), corpus, 13), "shared corpus, line ends as stored", kLargeImageChunkSizes);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SameRecords, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SameRecordsStores, RealDbxFiles) {
  const auto files = DbxFiles();
  if (files.empty()) GTEST_SKIP() << "no real-world corpus";
  for (const auto& [name, bytes] : files) ExpectSameRecords(bytes, name);
  g_MailStore.FreeAll();
}

// ---- hostile buffers ----

class CRandom {
 public:
  explicit CRandom(uint64_t seed) : m_x(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    m_x ^= m_x << 13;
    m_x ^= m_x >> 7;
    m_x ^= m_x << 17;
    return m_x;
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

 private:
  uint64_t m_x;
};

// Pieces that matter to the walk and the line handlers, in mixed case and cut short.
const std::string_view kPieces[] = {
    "\r\n"sv,
    "\r\n"sv,
    "\r\n"sv,
    "\r\n\r\n"sv,
    "\r"sv,
    "\n"sv,
    "\n\r"sv,
    "\0"sv,
    "\0\0\0\0\0\0\0"sv,
    "\t"sv,
    " "sv,
    "Received: "sv,
    "RECEIVED: "sv,
    "received: "sv,
    "Received:"sv,
    "Receive"sv,
    "\r\nReceived: from x by y\r\n"sv,
    "From: a@b.c\r\n"sv,
    "from: A <a@b>\r\n"sv,
    "To: d@e.f\r\n"sv,
    "TO: x\r\n"sv,
    "Date: Tue, 5 Mar 2013 09:08:07 +0800\r\n"sv,
    "date: 1 Jan 2001\r\n"sv,
    "Subject: hi\r\n"sv,
    "Subject: =?utf-8?B?5L2g?=\r\n =?utf-8?B?5aW9?=\r\n"sv,
    "Subject: a\r\n\tb\r\n"sv,
    "Cc: c\r\n"sv,
    "X-Priority: 1 (High)\r\n"sv,
    "X-Attachment: a.doc, 2048\r\n"sv,
    "X-Attachment: , 1\r\n"sv,
    "Content-Type: text/plain; charset=\"gb2312\"\r\n"sv,
    "Content-Type: text/plain;\r\n\tcharset=utf-8\r\n"sv,
    "Content-Type: multipart/mixed; boundary=\"B\"\r\n"sv,
    "Content-Type: multipart/mixed;\r\n\tboundary=\"B\"\r\n"sv,
    "Content-Type: multipart/alternative;\r\n\tboundary=\"A\"\r\n"sv,
    "Content-Transfer-Encoding: base64\r\n"sv,
    "Content-Transfer-Encoding: quoted-printable\r\n"sv,
    "--B\r\n"sv,
    "--A\r\n"sv,
    "--B--\r\n"sv,
    "--A--\r\n"sv,
    "--b\r\n"sv,
    "Content-Disposition: attachment; filename=\"a.txt\"\r\n"sv,
    "Content-Type: text/html\r\n"sv,
    "Delivered-To: z@y\r\n"sv,
    "Delivered-To: "sv,
    "QUJDREVGR0g=\r\n"sv,
    "=\r\n"sv,
    "=3D\r\n"sv,
    "caf=C3=A9 =\r\n"sv,
    "\x02\x00\x00"sv,
    "\x10\x02\x00\x00"sv,
    "\x00\x00\x00\x00\x00\x02\x00\x00"sv,
    "boundary="sv,
    "charset="sv,
    // Whole headers, so that records are made and the pieces after them are body lines.
    "\r\nReceived: by q\r\nFrom: f@g\r\nTo: t@u\r\nDate: Wed, 6 Mar 2013 10:00:00 +0000\r\n"sv,
    "\r\nReceived: by q\r\nFrom: f@g\r\nTo: t@u\r\nDate: 6 Mar 2013\r\nContent-Type: text/plain; charset=x\r\n\r\n"sv,
    "\r\nreceived: by q\r\nTo: t@u\r\nDate: 6 Mar 2013\r\nFrom: f@g\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"B\"\r\n\r\n"sv,
};

// A buffer of `sectors` sectors built from the pieces above, stretches of noise, zero
// sectors, runs of CR LF and .dbx-like block headers, cut at random places.
std::string HostileBuffer(uint64_t seed, size_t sectors) {
  CRandom r(seed);
  std::string s;
  const size_t size = sectors * 512;
  while (s.size() < size) {
    const size_t kind = r.Below(20);
    if (kind < 12) {
      std::string p(kPieces[r.Below(std::size(kPieces))]);
      if (r.Below(8) == 0) p.resize(r.Below(p.size() + 1));  // cut short
      s += p;
    } else if (kind < 15) {
      for (size_t i = 0, n = 1 + r.Below(300); i < n; ++i) s += static_cast<char>(r.Next());
    } else if (kind < 17) {
      s.resize((s.size() + 511) / 512 * 512, '\0');
      s.append(512 * (1 + r.Below(3)), '\0');
    } else if (kind < 18) {
      // A .dbx block header at a multiple of 4.
      s.resize((s.size() + 3) / 4 * 4, 'x');
      s += std::string("\x00\x10\x00\x00\x00\x02\x00\x00\x40\x01\x00\x00\x00\x00\x00\x00"sv);
    } else if (kind < 19) {
      for (size_t i = 0, n = 1 + r.Below(40); i < n; ++i) s += "\r\n";
    } else {
      for (size_t i = 0, n = 1 + r.Below(200); i < n; ++i) s += static_cast<char>('a' + r.Below(26));
    }
  }
  s.resize(size);
  return s;
}

// Messages of the own corpus packed with random cuts, block headers and zero runs between
// and inside them.
std::string ShuffledMail(uint64_t seed, const std::vector<InputMessage>& corpus) {
  CRandom r(seed);
  std::string s;
  for (int i = 0; i < 60; ++i) {
    const std::string& m = corpus[r.Below(corpus.size())].strBytes;
    size_t from = r.Below(4) == 0 ? r.Below(m.size()) : 0;
    size_t to = r.Below(4) == 0 ? from + r.Below(m.size() - from + 1) : m.size();
    std::string part = m.substr(from, to - from);
    if (r.Below(3) == 0 && part.size() > 40) {
      const size_t at = r.Below(part.size() - 16) & ~size_t{3};
      part.replace(at, 0, std::string("\x00\x10\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00"sv));
    }
    s += part;
    switch (r.Below(5)) {
      case 0:
        s.append(r.Below(1200), '\0');
        break;
      case 1:
        s += "\r\n";
        break;
      case 2:
        s.resize((s.size() + 511) / 512 * 512, '\0');
        break;
      default:
        break;
    }
  }
  s.resize((s.size() + 511) / 512 * 512, '\0');
  return s;
}

TEST(SameRecordsHostile, RandomPiecesAndNoise) {
  size_t made = 0;
  for (uint64_t seed = 1; seed <= 300; ++seed)
    made += ExpectSameRecords(HostileBuffer(seed, 16 + seed % 41), "hostile buffer " + std::to_string(seed));
  EXPECT_GT(made, 500u);  // the buffers do make records
  g_MailStore.FreeAll();
}

TEST(SameRecordsHostile, CutAndInterleavedMessages) {
  const auto corpus = OwnCorpus();
  ASSERT_FALSE(corpus.empty());
  size_t made = 0;
  for (uint64_t seed = 1; seed <= 12; ++seed)
    made += ExpectSameRecords(ShuffledMail(seed, corpus), "shuffled mail " + std::to_string(seed));
  EXPECT_GT(made, 200u);
  g_MailStore.FreeAll();
}

// Lines that run into the chunk's end, the look-ahead and the pad: a message whose every
// line is long, ending exactly at the source's end.
TEST(SameRecordsHostile, LinesIntoTheLookAheadAndPad) {
  std::string s =
      "x\r\nReceived: by z\r\nFrom: a\r\nTo: b\r\nDate: 1 Jan 2001 00:00:00 +0000\r\n"
      "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
  while (s.size() < 40 * 512) s += std::string(100 + s.size() % 600, 'q') + "\r\n";
  s.resize(40 * 512);
  s.replace(s.size() - 2, 2, "\r\n");
  EXPECT_EQ(ExpectSameRecords(s, "long lines"), 1u);
  std::string t(40 * 512, 'w');
  for (size_t at = 500; at + 60 < t.size(); at += 511) t.replace(at, 15, "\r\nReceived: x\r\n");
  ExpectSameRecords(t, "Received lines across sector ends");
  g_MailStore.FreeAll();
}

// Gap closing moves a line's last bytes into the next sector, which held only zeros as read:
// the walk lands on that sector's start and must read it as it now is, map or no map.
TEST(SameRecordsHostile, GapClosedIntoASectorOfZeros) {
  std::string s(4 * 512, '\0');
  const std::string lead = "Received: from x\r\nX-Filler: ";
  s.replace(0, lead.size(), lead);
  s.replace(lead.size(), 988 - lead.size(), std::string(988 - lead.size(), 'f'));
  s.replace(988, 20, "\r\nSubject: hello1234");  // its value ends where the next line starts
  s.replace(1008, 8, "\r\nTo: ab");              // moved to the start of sector 2
  s[1016 + 5] = 0x02;                            // a block header at 1016, zeros after it
  const std::string rest = "\r\nFrom: a\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\n\r\n";
  s.replace(1536, rest.size(), rest);
  EXPECT_EQ(ExpectSameRecords(s, "gap closed into free space"), 1u);
  const Outcome want = Scan<ReferenceRecogniser>(s, 8);
  ASSERT_EQ(want.records.size(), 1u);
  EXPECT_NE(want.records[0].find("\nto=ab\n"), std::string::npos) << want.records[0];
}

// Messages stored over each other's attachment data, or over the lines of an HTML part that
// is passed over, each starting at a sector start that falls inside such a line (no line
// break before it): the walk must still look at that sector's start, however it steps over
// those lines.
TEST(SameRecordsHostile, MessagesStartingInsideDataLinesAndPartsPassedOver) {
  const std::string lead =
      "Received: from a\r\nFrom: a@b\r\nTo: c@d\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\n"
      "Content-Type: multipart/mixed; boundary=\"B\"\r\n\r\n--B\r\nContent-Type: text/plain; charset=us-ascii\r\n"
      "\r\nhello\r\n--B\r\n";
  const std::string attachment =
      "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"a.bin\"\r\n\r\n";
  const std::string html = "Content-Type: text/html; charset=us-ascii\r\n\r\n";
  for (const bool isHtml : {false, true}) {
    // The same message again, so that the lines after each one are of that part too.
    const std::string head = lead + (isHtml ? html : attachment);
    for (size_t shift = 0; shift < 78; shift += 7) {
      std::string s = std::string(shift, 'p') + head;
      while (s.size() < 24 * 512) s += std::string(76, isHtml ? 'h' : 'Q') + "\r\n";
      s.resize(24 * 512);
      size_t placed = 0;
      for (size_t at = 1024; at + 512 <= s.size(); at += 3 * 512) {
        if (s[at - 1] == '\n' || s[at - 1] == '\r') continue;  // a line starts there anyway
        s.replace(at, head.size(), head);
        ++placed;
      }
      ASSERT_GT(placed, 3u);
      // The first message is found only when nothing stands before its first line.
      const std::string what = std::string(isHtml ? "messages inside HTML lines" : "messages inside data lines") +
                               ", shift " + std::to_string(shift);
      EXPECT_EQ(ExpectSameRecords(s, what), placed + (shift == 0 ? 1 : 0)) << what;
    }
  }
  g_MailStore.FreeAll();
}

// Attachment data of every shape that the walk counts line after line: alphabet characters
// only, of every length, some starting with the first letters of keywords; lines with an "="
// that ends the decoding, or another byte; block headers inside the data; a part larger than
// the size limit; sector starts anywhere. Each part is followed by a new message.
TEST(SameRecordsHostile, AttachmentDataLinesInRuns) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string head =
      "Received: from a\r\nFrom: a@b\r\nTo: c@d\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\n"
      "Content-Type: multipart/mixed; boundary=\"B\"\r\n\r\n--B\r\nContent-Type: text/plain; charset=us-ascii\r\n"
      "\r\nhello\r\n--B\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"a.bin\"\r\n\r\n";
  size_t made = 0, parts = 0;
  for (uint64_t seed = 1; seed <= 16; ++seed) {
    CRandom r(seed);
    std::string s = std::string(r.Below(600), 'p') + "\r\n";
    // The first source holds one part beyond the size limit.
    const size_t size = (seed == 1 ? 1400 : 48) * 512;
    while (s.size() < size) {
      s += head;
      ++parts;
      const bool large = seed == 1 && parts == 1;  // plain data only, past the limit
      const size_t lines = large ? 8000 : r.Below(300);
      for (size_t i = 0; i < lines; ++i) {
        std::string line;
        for (size_t k = 0, n = !large && r.Below(5) == 0 ? r.Below(130) : 76; k < n; ++k)
          line += kAlphabet[r.Below(64)];
        if (!line.empty() && !large) {
          switch (r.Below(30)) {
            case 0:
              line[0] = "DRr"[r.Below(3)];
              break;
            case 1:
              line += r.Below(2) ? "=" : "==";
              break;
            case 2:
              line[r.Below(line.size())] = " =:-\x80\t"[r.Below(6)];
              break;
            default:
              break;
          }
        }
        s += line;
        if (!large && r.Below(40) == 0) {  // a block header inside the line
          s.resize((s.size() + 3) / 4 * 4, 'x');
          s += std::string("\x00\x10\x00\x00\x00\x02\x00\x00\x40\x01\x00\x00\x00\x00\x00\x00"sv);
          s += "QUJD";
        }
        s += "\r\n";
      }
      if (r.Below(2)) s += "\r\n--B--\r\n";
    }
    s.resize((s.size() + 511) / 512 * 512, '\0');
    made += ExpectSameRecords(s, "attachment data, seed " + std::to_string(seed));
  }
  EXPECT_GT(made, parts / 2);
  g_MailStore.FreeAll();
}

// A text part of plain lines that runs past the size limit (it ends at the line after the
// limit), with lines beginning with "-", "De", "R" and "=" among them, then the next message.
TEST(SameRecordsHostile, LongTextPartEndsAtItsLimit) {
  std::string s =
      "\r\nReceived: from a\r\nFrom: a@b\r\nTo: c@d\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\n"
      "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
  static const char* const kStarts[] = {"-", "De", "Dear ", "Re: ", "=", "= ", "x=", ""};
  for (size_t i = 0; s.size() < 330000; ++i)
    s += std::string(kStarts[i % 8]) + std::string(40 + i % 50, static_cast<char>('a' + i % 26)) + "\r\n";
  s += "\r\nReceived: from e\r\nFrom: e@f\r\nTo: g@h\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\n\r\nbye\r\n";
  s.resize((s.size() + 511) / 512 * 512, '\0');
  EXPECT_EQ(ExpectSameRecords(s, "long text part"), 2u);
  g_MailStore.FreeAll();
}

}  // namespace
