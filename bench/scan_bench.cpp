// Scan throughput.
//
// BM_ScanMixedImage: the whole engine (scan driver + recogniser) on a 256 MiB image of mixed
// content: a third zero sectors, a third noise, a third messages. The image lives in
// /dev/shm when it exists (tmpfs), so the figure is the engine's, not the disk's.
// Counters: bytes per second, records found, heap in use per 10,000 records after the scan
// (the records with their bodies and attachment lists), and the process's peak resident size.
//
// BM_Recogniser/{empty,mixed,dense}: the recogniser alone on 64 MiB in memory, handed over
// in chunks of 2048 sectors with the real bytes after each chunk as its look-ahead, as the
// scan driver does. The buffers are built with mkimage from the messages in tests/data/mail:
//   empty  90% zero sectors; the rest half noise, half stored messages
//   mixed  a third each of zero sectors, random noise and stored messages
//   dense  a .dbx store: messages back to back in 512-byte blocks after 16-byte headers

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/quiet_view.h"
#include "scan/allocator_tuning.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "scan/view.h"
#include "source/disk.h"
#include "source/utf.h"
#include "tools/mkimage/image_builder.h"

namespace fs = std::filesystem;

namespace {

uint32_t Next(uint32_t& x) {
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}

std::string PlainMessage(int n) {
  std::string m =
      "Received: from relay.example.org (relay.example.org [192.0.2.1])\r\n\tby mx.example.net; Tue, 5 Mar 2013 "
      "09:08:07 +0800\r\nFrom: =?gb2312?B?1cXI/Q==?= <zhang@example.cn>\r\nTo: li@example.cn\r\nSubject: "
      "=?gb2312?B?xOO6w6Os0ruw4w==?= " +
      std::to_string(n) +
      "\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; "
      "charset=\"gb2312\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  for (int i = 0; i < 20; ++i) m += "xOO6w6Os0ruw48TjusOjrNK7sOPE47rDo6zSu7DjxOO6w6Os0ruw48TjusOjrNK7sOPE47rDo6zS\r\n";
  return m + "\r\n";
}

std::string MessageWithAttachments(int n) {
  std::string m =
      "Delivered-To: b@example.com\r\nReceived: from a by b; Wed, 6 Mar 2013 10:00:00 +0000\r\nFrom: "
      "a@example.org\r\nTo: b@example.com\r\nSubject: report " +
      std::to_string(n) +
      "\r\nDate: Wed, 6 Mar 2013 10:00:00 +0000\r\nX-Priority: 3\r\nContent-Type: multipart/mixed;\r\n\t"
      "boundary=\"----=_NextPart_000_0001\"\r\n\r\n------=_NextPart_000_0001\r\nContent-Type: "
      "multipart/alternative;\r\n\tboundary=\"----=_NextPart_001_0002\"\r\n\r\n------=_NextPart_001_0002\r\n"
      "Content-Type: text/plain; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
      "Please find the report attached. caf=C3=A9\r\n\r\n------=_NextPart_001_0002\r\nContent-Type: text/html; "
      "charset=\"utf-8\"\r\n\r\n<p>Please find the report attached.</p>\r\n\r\n------=_NextPart_001_0002--\r\n\r\n";
  for (const char* name : {"a.pdf", "b.xls"}) {
    m += std::string("------=_NextPart_000_0001\r\nContent-Type: application/octet-stream; name=\"") + name +
         "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + name +
         "\"\r\n\r\n";
    for (int i = 0; i < 30; ++i) m += "JVBERi0xLjQKJcfsj6IKNSAwIG9iago8PC9MZW5ndGggNiAwIFIvRmlsdGVyIC9GbGF0ZUR\r\n";
    m += "\r\n";
  }
  return m + "------=_NextPart_000_0001--\r\n\r\n";
}

fs::path g_imagePath;  // set once the image exists

// The image, made once per process: stripes of 16 KiB zeros, 16 KiB noise, 16 KiB messages.
const fs::path& Image() {
  static const fs::path path = [] {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path p = base / ("korvane-scan-bench-" + std::to_string(getpid()) + ".img");
    std::ofstream out(p, std::ios::binary);
    const size_t total = 256u << 20, stripe = 16384;
    uint32_t x = 12345;
    int n = 0;
    std::string block;
    for (size_t done = 0; done < total; done += 3 * stripe) {
      block.assign(stripe, '\0');
      for (size_t i = stripe; i < 2 * stripe; ++i) block.push_back(static_cast<char>(Next(x)));
      std::string mails;
      while (mails.size() < stripe) {
        mails += (n % 2) ? MessageWithAttachments(n) : PlainMessage(n);
        ++n;
      }
      mails.resize(stripe, '\0');  // the last message of a stripe is cut short
      block += mails;
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    g_imagePath = p;
    return p;
  }();
  return path;
}

void BM_ScanMixedImage(benchmark::State& state) {
  const fs::path& img = Image();
  CQuietView view;
  size_t records = 0, heap = 0;
  for (auto _ : state) {
    g_MailStore.FreeAll();
    const size_t before = mallinfo2().uordblks;
    g_strSourcePath.Set(Utf8ToU16(img.string()));
    ScanThreadProc(&view, MakeScanChunkConsumer(&view));
    records = g_MailStore.Count();
    heap = mallinfo2().uordblks - before;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(img)));
  state.counters["records"] = static_cast<double>(records);
  state.counters["heap_MiB_per_10k_records"] =
      records ? static_cast<double>(heap) / (1 << 20) * 10000.0 / static_cast<double>(records) : 0.0;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  g_MailStore.FreeAll();
}
BENCHMARK(BM_ScanMixedImage)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- the recogniser alone ----

constexpr size_t kBufferBytes = 64u << 20;

// The messages of tests/data/mail, or two made-up ones when the folder is not there.
std::vector<mkimage::InputMessage> Messages() {
  std::vector<mkimage::InputMessage> out;
  std::vector<fs::path> paths;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(KORVANE_MAIL_DIR, ec))
    if (e.path().extension() == ".eml") paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  for (const auto& p : paths) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    out.push_back({p.filename().string(), ss.str()});
  }
  if (out.empty()) out = {{"plain", PlainMessage(1)}, {"attachments", MessageWithAttachments(2)}};
  return out;
}

// At least `bytes` of stored messages in mkimage's `placement`, no free space between them.
std::string StoredMessages(mkimage::Placement placement, size_t bytes, uint64_t seed) {
  const std::vector<mkimage::InputMessage> inputs = Messages();
  size_t per = 0;
  for (const auto& m : inputs) per += m.strBytes.size();
  mkimage::LayoutSpec spec;
  spec.nSeed = seed;
  spec.nGapMin = spec.nGapMax = 0;
  spec.nScatter = 0;
  mkimage::RegionSpec region;
  region.placement = placement;
  for (size_t n = 0; n * per < bytes + per; ++n)
    for (size_t i = 0; i < inputs.size(); ++i) region.messages.push_back(i);
  spec.regions.push_back(region);
  mkimage::Image image;
  mkimage::BuildImage(spec, inputs, image, nullptr);
  image.strBytes.resize(bytes, '\0');
  return std::move(image.strBytes);
}

// `pattern` of stripes repeated over the buffer: 'z' zero sectors, 'n' noise, 'm' messages,
// each stripe `stripe` bytes.
std::string Striped(const std::string& pattern, size_t stripe) {
  const std::string mail = StoredMessages(mkimage::Placement::Unaligned, kBufferBytes, 7);
  std::string out;
  out.reserve(kBufferBytes);
  uint32_t x = 2024;
  size_t mailAt = 0;
  for (size_t i = 0; out.size() < kBufferBytes; i = (i + 1) % pattern.size()) {
    switch (pattern[i]) {
      case 'z':
        out.append(stripe, '\0');
        break;
      case 'n':
        for (size_t k = 0; k < stripe; ++k) out.push_back(static_cast<char>(Next(x)));
        break;
      default:
        out.append(mail, mailAt, stripe);
        mailAt += stripe;
    }
  }
  out.resize(kBufferBytes);
  return out;
}

const std::string& RecogniserBuffer(int which) {
  static const std::string empty = Striped("zzzzzzzzzzzzzzzzzznm", 32768);
  static const std::string mixed = Striped("znm", 65536);
  static const std::string dense = StoredMessages(mkimage::Placement::Dbx, kBufferBytes, 8);
  return which == 0 ? empty : which == 1 ? mixed : dense;
}

void BM_Recogniser(benchmark::State& state, int which) {
  const std::string& pristine = RecogniserBuffer(which);
  // The buffer, then the look-ahead and pad that follow the last chunk (zeros).
  std::vector<uint8_t> work(pristine.size() + kScanLookahead + kScanTailPad + 16);
  uint8_t* const base = work.data() + (16 - reinterpret_cast<uintptr_t>(work.data()) % 16) % 16;
  const std::atomic<int> stop{0};
  const size_t chunk = size_t{kChunkSectors} * SECTOR_SIZE;
  size_t records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(base, pristine.data(), pristine.size());  // gap closing changed the last copy
    g_MailStore.FreeAll();
    state.ResumeTiming();
    CRecogniser recogniser(nullptr);
    for (size_t at = 0; at < pristine.size(); at += chunk)
      recogniser.ScanChunk(base + at, std::min(chunk, pristine.size() - at), at / SECTOR_SIZE, stop);
    records = g_MailStore.Count();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pristine.size()));
  state.counters["records"] = static_cast<double>(records);
  g_MailStore.FreeAll();
}
BENCHMARK_CAPTURE(BM_Recogniser, empty, 0)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Recogniser, mixed, 1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Recogniser, dense, 2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  TuneAllocatorForScanning();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  if (!g_imagePath.empty()) fs::remove(g_imagePath, ec);
  return 0;
}
