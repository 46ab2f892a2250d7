#include "tests/scan/scan_fixture.h"

#include <atomic>
#include <mutex>

#include "scan/folders.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/utf.h"

std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) {
    s.append(l);
    s += "\r\n";
  }
  return s;
}

void CImage::Put(size_t offset, std::string_view b) {
  if (bytes.size() < offset + b.size()) bytes.resize(offset + b.size(), '\0');
  bytes.replace(offset, b.size(), b);
}

size_t CImage::PutDbx(size_t offset, std::string_view text) {
  auto le32 = [](uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  size_t at = offset;
  for (size_t done = 0; done < text.size(); done += 512) {
    const size_t n = std::min<size_t>(512, text.size() - done);
    const bool last = done + 512 >= text.size();
    const std::string header = le32(static_cast<uint32_t>(at)) + le32(0x200) + le32(static_cast<uint32_t>(n)) +
                               le32(last ? 0 : static_cast<uint32_t>(at + 528));
    Put(at, header);
    Put(at + 16, text.substr(done, n));
    at += 528;
  }
  return offset + 16;
}

void CImage::PadToSectors(size_t sectors) {
  size_t n = (bytes.size() + 511) / 512;
  if (n < sectors) n = sectors;
  bytes.resize(n * 512, '\0');
}

void CImage::PutNoise(size_t offset, size_t n, uint32_t seed) {
  std::string s(n, 'x');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    unsigned char v = static_cast<unsigned char>(x);
    if (v == 0 || v == '\r' || v == '\n') v = 0x7F;
    c = static_cast<char>(v);
  }
  Put(offset, s);
}

std::vector<tagMailItem*> ScanImage(const CImage& image, uint32_t chunkSectors, CMailView* view) {
  static std::atomic<int> serial{0};
  CTempDir dir;
  std::string bytes = image.bytes;
  bytes.resize((bytes.size() + 511) / 512 * 512, '\0');
  const auto path = dir.WriteFile("image" + std::to_string(serial++) + ".img", bytes);
  CRecorderView recorder;
  CMailView* v = view ? view : &recorder;
  g_strSourcePath.Set(Utf8ToU16(path.string()));
  ScanThreadProc(v, MakeScanChunkConsumer(v), chunkSectors);
  return g_MailStore.Snapshot();
}

std::string Describe(const tagMailItem& m) {
  auto lock = m.Lock();
  std::string s =
      "sector=" + std::to_string(m.nSector) + "\nfrom=" + m.strFrom + "\nto=" + m.strTo + "\ncc=" + m.strCc +
      "\nsubject=" + m.strSubject + "\ndate=" + m.strDate + "\npriority=" + std::to_string(m.nPriority) +
      "\nboundary=" + m.strBoundary + "\nboundary2=" + m.strBoundary2 + "\ncontent-type=" + m.strContentType +
      "\nencoding=" + m.strTransferEncoding + "\npart-type=" + m.strPartType + "\npart-encoding=" + m.strPartEncoding +
      "\ndecoded=" + std::to_string(m.bDecoded) + "\nbody=" + m.strBody + "\nbodyW=" + U16ToUtf8(m.strBodyW) +
      "\nsubjectW=" + U16ToUtf8(m.strSubjectW) + "\nfromW=" + U16ToUtf8(m.strFromW) + "\ntoW=" + U16ToUtf8(m.strToW) +
      "\n";
  for (const auto* arr : {m.pAttachments.get(), m.pPendingAttachments.get()}) {
    if (!arr) continue;
    for (const tagAttachment& a : *arr) {
      s += "attachment=" + a.strName + "|" + U16ToUtf8(a.strNameW) + "|" + std::to_string(a.nSize) + "|" +
           a.strEncoding + "\n";
    }
  }
  return s;
}

std::string DescribeAll(const std::vector<tagMailItem*>& mails) {
  std::string s;
  for (const tagMailItem* m : mails) s += Describe(*m) + "----\n";
  return s;
}

std::string PlainMail(const std::string& subject, const std::string& body) {
  return CrLf({"Received: from mx.example.org by mail.example.com; Tue, 5 Mar 2013 09:08:07 +0800",
               "From: Alice <alice@example.org>", "To: Bob <bob@example.com>", "Subject: " + subject,
               "Date: Tue, 5 Mar 2013 09:08:07 +0800", "Content-Type: text/plain; charset=\"us-ascii\"", ""}) +
         body;
}

void ScanTest::TearDown() {
  g_MailStore.FreeAll();
  g_Folders.Reset(u"");
}
