// ReadStoredMail on an arbitrary image, then the preview of what it cut out. The record is the one a scan would make of
// the image's first header (From, To, Date, boundary, the sector of its last "Received: " line); the first input byte
// moves the record's sector, the second may give it an attachment, so the window and the identity checks see mismatches
// too. The image is a file in a private temp directory.
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "codec/charset.h"
#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "mail/extract.h"
#include "mail/render.h"
#include "scan/mail_item.h"
#include "source/disk.h"
#include "source/utf.h"

namespace {

std::string FieldValue(const std::string& message, const std::string& name) {
  for (size_t p = 0; p < message.size();) {
    if (message.compare(p, name.size(), name) == 0) {
      size_t e = p + name.size();
      while (e < message.size() && static_cast<unsigned char>(message[e]) >= 0x0E) ++e;
      return message.substr(p + name.size(), e - p - name.size());
    }
    const size_t next = message.find("\r\n", p);
    if (next == std::string::npos) break;
    p = next + 2;
  }
  return std::string();
}

// A private directory for the image, removed when the process ends.
struct tagImageDir {
  tagImageDir() {
    const char* tmp = getenv("TMPDIR");
    dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvane-fuzz-XXXXXX";
    if (!mkdtemp(dir.data())) abort();
    path = dir + "/image.img";
  }
  ~tagImageDir() {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }
  std::string dir, path;
};

const std::string& ImagePath() {
  static const tagImageDir image;
  return image.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  BuildEncodeTable();
  const std::string image(reinterpret_cast<const char*>(data) + 2, size - 2);
  {
    std::ofstream out(ImagePath(), std::ios::binary | std::ios::trunc);
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    if (!out) abort();
  }

  tagMailItem item;
  item.strFrom = FieldValue(image, "From: ");
  DecodeHeaderValue(item.strFrom);
  item.strTo = FieldValue(image, "To: ");
  DecodeHeaderValue(item.strTo);
  item.strDate = FieldValue(image, "Date: ");
  FormatMailDate(item.strDate);
  const std::string type = FieldValue(image, "Content-Type: ");
  const size_t b = type.find("boundary=\"");
  if (b != std::string::npos) item.strBoundary = type.substr(b + 10, type.find('"', b + 10) - (b + 10));
  size_t last = image.rfind("Received: ");
  if (last == std::string::npos) last = 0;
  const int64_t sector = static_cast<int64_t>(last / SECTOR_SIZE) + (data[0] % 8) - 2;
  item.nSector = sector < 0 ? 0 : static_cast<uint64_t>(sector);
  if (data[1] % 4 != 0) {
    item.pAttachments = std::make_unique<tagAttachmentArray>(1);
    (*item.pAttachments)[0].nSize = static_cast<int32_t>(data[1] % 4) * 65536 - (data[1] >> 2);
  }

  CDisk disk;
  if (!disk.Open(Utf8ToU16(ImagePath()))) abort();
  std::atomic<int> stop{0};
  std::string text;
  ReadStoredMail(item, &disk, &stop, text);
  RenderMailPreview(text, BuildAttachmentBlock(item));
  return 0;
}
