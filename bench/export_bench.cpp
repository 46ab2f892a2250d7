// Preview latency (extract + render) and folder-save throughput.
// Images and output go to /dev/shm when it exists (tmpfs), else the temp directory.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/quiet_view.h"
#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "mail/export.h"
#include "mail/render.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "scan/view.h"
#include "source/utf.h"

namespace fs = std::filesystem;

namespace {

fs::path ScratchDir(const std::string& name) {
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  fs::path dir = base / ("korvane-bench-" + std::to_string(getpid()) + "-" + name);
  fs::create_directories(dir);
  return dir;
}

std::string Header(int n) {
  return "Received: from relay.example.org (relay.example.org [192.0.2.1])\r\n\tby mx.example.net id " +
         std::to_string(n) + "\r\nFrom: Sender " + std::to_string(n) + " <s" + std::to_string(n) +
         "@example.org>\r\nTo: r@example.net\r\nDate: Tue, 5 Mar 2013 09:08:07 +0800\r\nSubject: Message number " +
         std::to_string(n) + "\r\nMIME-Version: 1.0\r\n";
}

std::string PlainMessage(int n, size_t bodyBytes) {
  std::string m = Header(n) + "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
  for (int i = 0; m.size() < bodyBytes; ++i)
    m += "Line " + std::to_string(i) + " of the message text, plain ASCII.\r\n";
  return m;
}

std::string MessageWithAttachment(int n, size_t attachmentBytes) {
  std::string m = Header(n) +
                  "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
                  "Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                  "<html><body><p>Please find the report attached.</p></body></html>\r\n\r\n--b1\r\n"
                  "Content-Type: application/octet-stream; name=\"r.bin\"\r\n"
                  "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"r.bin\"\r\n\r\n";
  static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string line;
  for (size_t i = 0; i < attachmentBytes / 3 * 4; ++i) {
    line += kB64[(i * 7) % 64];
    if (line.size() == 76) {
      m += line + "\r\n";
      line.clear();
    }
  }
  m += line + "\r\n--b1--\r\n";
  return m;
}

// A record as a scan makes it of `message` stored at byte `offset`.
std::unique_ptr<tagMailItem> Record(const std::string& message, size_t offset) {
  auto item = std::make_unique<tagMailItem>();
  auto value = [&](const std::string& name) {
    const size_t p = message.find("\r\n" + name) + 2 + name.size();
    return message.substr(p, message.find("\r\n", p) - p);
  };
  item->strFrom = value("From: ");
  item->strFromW = DecodeHeaderValue(item->strFrom);
  item->strTo = value("To: ");
  item->strToW = DecodeHeaderValue(item->strTo);
  item->strSubject = value("Subject: ");
  item->strSubjectW = DecodeHeaderValue(item->strSubject);
  item->strDate = value("Date: ");
  FormatMailDate(item->strDate);
  const size_t b = message.find("boundary=\"");
  if (b != std::string::npos && b < message.find("\r\n\r\n"))
    item->strBoundary = message.substr(b + 10, message.find('"', b + 10) - b - 10);
  item->strBody = "Line 0 of the message text.";
  item->nSector = (offset + message.find("Received: ")) / 512;
  return item;
}

// Saves the Inbox into strDir, without asking.
class CNullView : public CQuietView {
 public:
  std::u16string strDir;
  tagFolderItem* SelectedFolder() override { return g_Folders.Inbox(); }
  bool ChooseSaveDirectory(const std::u16string&, std::u16string& path) override {
    path = strDir;
    return true;
  }
};

void Preview(benchmark::State& state, bool withAttachment) {
  const fs::path dir = ScratchDir("preview");
  const std::string message = withAttachment ? MessageWithAttachment(1, 1000000) : PlainMessage(1, 4000);
  std::string image(8192, '\0');
  image += message;
  image.resize((image.size() + 511) / 512 * 512 + 4096, '\0');
  std::ofstream((dir / "p.img").string(), std::ios::binary)
      .write(image.data(), static_cast<std::streamsize>(image.size()));
  g_strSourcePath.Set(Utf8ToU16((dir / "p.img").string()));
  auto item = Record(message, 8192);
  if (withAttachment) {
    item->pAttachments = std::make_unique<tagAttachmentArray>(1);
    (*item->pAttachments)[0].strNameW = u"r.bin";
    (*item->pAttachments)[0].nSize = 1000000;
  }
  for (auto _ : state) {
    tagMailPreview p = BuildMailPreview(*item);
    if (!p.bShow) state.SkipWithError("nothing to show");
    benchmark::DoNotOptimize(p);
  }
  state.counters["message_bytes"] = static_cast<double>(message.size());
  fs::remove_all(dir);
}

void BM_PreviewPlain(benchmark::State& state) { Preview(state, false); }
void BM_PreviewWith1MBAttachment(benchmark::State& state) { Preview(state, true); }
BENCHMARK(BM_PreviewPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewWith1MBAttachment)->Unit(benchmark::kMillisecond);

// 10,000 messages of about 2 KB saved as .eml (or .txt) into a tmpfs directory.
void FolderSave(benchmark::State& state, SaveKind kind) {
  const int count = 10000;
  const fs::path dir = ScratchDir("save");
  std::string image;
  std::vector<std::unique_ptr<tagMailItem>> items;
  g_Folders.Reset(u"");
  for (int n = 0; n < count; ++n) {
    const std::string m = PlainMessage(n, 1500 + (n % 7) * 100);
    const size_t at = image.size() + 512;
    image.resize(at, '\0');
    image += m;
    image.resize((image.size() + 511) / 512 * 512, '\0');
    items.push_back(Record(m, at));
    g_Folders.Append(g_Folders.Inbox(), items.back().get());
  }
  image.resize(image.size() + 4096, '\0');
  std::ofstream((dir / "s.img").string(), std::ios::binary)
      .write(image.data(), static_cast<std::streamsize>(image.size()));
  g_strSourcePath.Set(Utf8ToU16((dir / "s.img").string()));
  CNullView view;
  view.strDir = Utf8ToU16((dir / "out").string());
  fs::create_directories(dir / "out");
  unsigned written = 0;
  for (auto _ : state) written = FolderSaveThread(&view, kind);
  if (written != static_cast<unsigned>(count)) state.SkipWithError("not every message was written");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * count);
  g_Folders.Reset(u"");
  fs::remove_all(dir);
}

void BM_FolderSaveEml10k(benchmark::State& state) { FolderSave(state, EML); }
void BM_FolderSaveTxt10k(benchmark::State& state) { FolderSave(state, TXT); }
BENCHMARK(BM_FolderSaveEml10k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FolderSaveTxt10k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
