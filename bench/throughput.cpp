// throughput: the whole scan of image files (CDisk, scan driver, recogniser) against
// `cat IMAGE > /dev/null` on the same files in the same run, so that the scan's speed reads
// as a share of what this machine can read at all. Run through bench/throughput.sh, which
// builds the images; or by hand:
//
//   throughput [--runs N] IMAGE...     speed of cat, of the scan driver's reading alone and
//                                      of the whole scan, best of N runs (3)
//   throughput --memory IMAGE          one scan: peak resident size and what the records hold
//
// Speeds are in GB/s (10^9 bytes per second) of the image's size. The page cache is warmed
// before the first run of each image, so both figures are the engine's, not the disk's.

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
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
#include "source/utf.h"

extern char** environ;

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

uint64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<uint64_t>(in.tellg()) : 0;
}

// Seconds taken by `cat path > /dev/null`; negative when cat could not run.
double TimeCat(const std::string& path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv = {const_cast<char*>("cat"), const_cast<char*>(path.c_str()), nullptr};
  const double t0 = Now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "cat", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double t = Now() - t0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1;
}

// Processor seconds used so far by the calling thread, and by the whole process.
double ThreadCpu() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
double ProcessCpu() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// What one scan cost: wall-clock seconds, processor seconds of the scan thread (driver and
// recogniser) and of the rest of the process (the reader's thread and the thread that
// decodes new records' display texts).
struct ScanTimes {
  double wall = 1e30, scanCpu = 1e30, readerCpu = 1e30;
  long waits = 0, preempted = 0;  // the scan thread's voluntary and forced context switches
};

// Times one whole scan of `path`; the records stay in g_MailStore.
ScanTimes TimeScan(const std::string& path, size_t& records) {
  CQuietView view;
  g_MailStore.FreeAll();
  g_strSourcePath.Set(Utf8ToU16(path));
  rusage r0{}, r1{};
  getrusage(RUSAGE_THREAD, &r0);
  const double t0 = Now(), c0 = ThreadCpu(), p0 = ProcessCpu();
  ScanThreadProc(&view, MakeScanChunkConsumer(&view));
  getrusage(RUSAGE_THREAD, &r1);
  ScanTimes t;
  t.waits = r1.ru_nvcsw - r0.ru_nvcsw;
  t.preempted = r1.ru_nivcsw - r0.ru_nivcsw;
  t.wall = Now() - t0;
  t.scanCpu = ThreadCpu() - c0;
  t.readerCpu = ProcessCpu() - p0 - t.scanCpu;
  records = g_MailStore.Count();
  return t;
}

// Seconds taken by the scan driver alone (the reading, no recogniser): what reading costs.
double TimeRead(const std::string& path) {
  CQuietView view;
  g_MailStore.FreeAll();
  g_strSourcePath.Set(Utf8ToU16(path));
  const double t0 = Now();
  ScanThreadProc(&view, [](uint8_t*, size_t, uint64_t, const std::atomic<int>&, const uint64_t*) {});
  return Now() - t0;
}

// Share of the image's sectors that are all zeros.
double ZeroShare(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buf(1 << 20);
  static const char kZero[512] = {};
  uint64_t zero = 0, all = 0;
  while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
    const size_t n = static_cast<size_t>(in.gcount()) / 512;
    for (size_t i = 0; i < n; ++i) zero += std::memcmp(buf.data() + i * 512, kZero, 512) == 0;
    all += n;
  }
  return all ? static_cast<double>(zero) / static_cast<double>(all) : 0.0;
}

double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

int Speed(const std::vector<std::string>& images, int runs) {
  std::printf("%-20s %6s %6s %9s %9s %9s %9s %9s\n", "image", "MiB", "zero%", "cat GB/s", "read GB/s", "scan GB/s",
              "scan/cat", "records");
  for (const std::string& path : images) {
    const uint64_t size = FileSize(path);
    if (size == 0) {
      std::fprintf(stderr, "throughput: cannot read %s\n", path.c_str());
      return 1;
    }
    const double zero = ZeroShare(path);  // also warms the page cache
    if (TimeCat(path) < 0) {
      std::fprintf(stderr, "throughput: cat %s failed\n", path.c_str());
      return 1;
    }
    double bestCat = 1e30, bestRead = 1e30;
    ScanTimes bestScan;
    size_t records = 0;
    for (int i = 0; i < runs; ++i) {  // alternate, so that both see the same machine
      bestCat = std::min(bestCat, TimeCat(path));
      bestRead = std::min(bestRead, TimeRead(path));
      const ScanTimes t = TimeScan(path, records);
      if (t.wall < bestScan.wall) bestScan = t;
    }
    g_MailStore.FreeAll();
    const double gb = static_cast<double>(size) / 1e9;
    const double cat = gb / bestCat, read = gb / bestRead, scan = gb / bestScan.wall;
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::printf("%-20s %6.0f %6.1f %9.2f %9.2f %9.2f %8.0f%% %9zu\n", name.c_str(),
                static_cast<double>(size) / (1 << 20), 100 * zero, cat, read, scan, 100 * scan / cat, records);
    // Below the wall-clock rate when other work shares the processors.
    std::printf("%-20s scan thread %.2f s of processor (%.2f GB/s), other threads %.2f s, wall %.2f s;\n", "",
                bestScan.scanCpu, gb / bestScan.scanCpu, bestScan.readerCpu, bestScan.wall);
    std::printf("%-20s the scan thread waited %ld times and was preempted %ld times\n", "", bestScan.waits,
                bestScan.preempted);
    std::fflush(stdout);
  }
  return 0;
}

// Bytes of a string's heap block (none while the text fits in the string itself).
template <typename S>
size_t Heap(const S& s) {
  return s.capacity() > S().capacity() ? (s.capacity() + 1) * sizeof(typename S::value_type) : 0;
}

int Memory(const std::string& path) {
  const double before = PeakRssMiB();
  size_t records = 0;
  const size_t heapBefore = mallinfo2().uordblks;
  const double t = TimeScan(path, records).wall;
  const size_t heapAfter = mallinfo2().uordblks;
  size_t headers = 0, body = 0, bodyUsed = 0, bodyW = 0, bodyWUsed = 0, attachments = 0;
  size_t nAttachments = 0;
  for (tagMailItem* m : g_MailStore.Snapshot()) {
    auto lock = m->Lock();
    for (const std::string* s :
         {&m->strSubject, &m->strFrom, &m->strTo, &m->strCc, &m->strBoundary, &m->strDate, &m->strContentType,
          &m->strTransferEncoding, &m->strPartType, &m->strPartEncoding, &m->strBoundary2})
      headers += Heap(*s);
    for (const std::u16string* s : {&m->strToW, &m->strFromW, &m->strSubjectW}) headers += Heap(*s);
    body += Heap(m->strBody);
    bodyUsed += m->strBody.size();
    bodyW += Heap(m->strBodyW);
    bodyWUsed += m->strBodyW.size() * 2;
    for (const auto* list : {m->pAttachments.get(), m->pPendingAttachments.get()}) {
      if (!list) continue;
      attachments += list->capacity() * sizeof(tagAttachment);
      for (const tagAttachment& a : *list) attachments += Heap(a.strName) + Heap(a.strNameW) + Heap(a.strEncoding);
      nAttachments += list->size();
    }
  }
  const double mib = 1 << 20;
  std::printf("image %s: %.0f MiB, scanned in %.2f s\n", path.c_str(), static_cast<double>(FileSize(path)) / mib, t);
  std::printf("records %zu, attachments %zu\n", records, nAttachments);
  std::printf("peak resident %.1f MiB (%.1f MiB before the scan)\n", PeakRssMiB(), before);
  std::printf("heap held after the scan %.1f MiB:\n", static_cast<double>(heapAfter - heapBefore) / mib);
  std::printf("  records themselves  %8.1f MiB (%zu bytes each)\n",
              static_cast<double>(records * sizeof(tagMailItem)) / mib, sizeof(tagMailItem));
  std::printf("  header texts        %8.1f MiB\n", static_cast<double>(headers) / mib);
  std::printf("  strBody             %8.1f MiB allocated, %.1f MiB used\n", static_cast<double>(body) / mib,
              static_cast<double>(bodyUsed) / mib);
  std::printf("  strBodyW            %8.1f MiB allocated, %.1f MiB used\n", static_cast<double>(bodyW) / mib,
              static_cast<double>(bodyWUsed) / mib);
  std::printf("  attachment lists    %8.1f MiB\n", static_cast<double>(attachments) / mib);
  g_MailStore.FreeAll();
  return 0;
}

int Usage() {
  std::fputs("usage: throughput [--runs N] IMAGE...\n       throughput --memory IMAGE\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TuneAllocatorForScanning();
  std::vector<std::string> images;
  int runs = 3;
  bool memory = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--memory") {
      memory = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else {
      images.push_back(a);
    }
  }
  if (images.empty() || (memory && images.size() != 1)) return Usage();
  return memory ? Memory(images[0]) : Speed(images, runs);
}
