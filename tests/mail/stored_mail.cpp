#include "tests/mail/stored_mail.h"

#include <cstring>
#include <fstream>

#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "scan/mail_item.h"

std::string MakeMessage(const std::string& from, const std::string& to, const std::string& date,
                        const std::string& subject, int received, size_t bodyBytes) {
  std::string m;
  for (int i = 0; i < received; ++i)
    m += "Received: from relay" + std::to_string(i) + ".example.org (relay" + std::to_string(i) +
         ".example.org [192.0.2." + std::to_string(i + 1) + "])\r\n\tby mx.example.net with ESMTP id " +
         std::to_string(1000 + i) + "\r\n";
  m += "From: " + from + "\r\nTo: " + to + "\r\nDate: " + date + "\r\nSubject: " + subject +
       "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n";
  std::string line = "Body of " + subject + ":";
  size_t body = 0;
  for (int n = 0; body < bodyBytes; ++n) {
    const std::string l = line + " line " + std::to_string(n) + " of the text.\r\n";
    m += l;
    body += l.size();
  }
  return m;
}

size_t CImageBuilder::Put(size_t offset, const std::string& bytes) {
  if (m_image.size() < offset + bytes.size()) m_image.resize(offset + bytes.size(), '\0');
  std::memcpy(&m_image[offset], bytes.data(), bytes.size());
  return offset;
}

std::vector<size_t> CImageBuilder::PutDbx(size_t offset, const std::string& message) {
  std::vector<size_t> positions;
  size_t at = offset;
  for (size_t done = 0; done < message.size();) {
    const size_t used = std::min<size_t>(512, message.size() - done);
    const bool last = done + used == message.size();
    const uint32_t words[4] = {static_cast<uint32_t>(at), 0x200, static_cast<uint32_t>(used),
                               last ? 0u : static_cast<uint32_t>(at + 16 + 512)};
    std::string header(16, '\0');
    for (int w = 0; w < 4; ++w)
      for (int b = 0; b < 4; ++b) header[4 * w + b] = static_cast<char>((words[w] >> (8 * b)) & 0xFF);
    Put(at, header);
    std::string block = message.substr(done, used);
    block.resize(512, '\0');
    Put(at + 16, block);
    for (size_t i = 0; i < used; ++i) positions.push_back(at + 16 + i);
    done += used;
    at += 16 + 512;
  }
  return positions;
}

void CImageBuilder::PadSectors(size_t extraSectors) {
  m_image.resize((m_image.size() + 511) / 512 * 512 + extraSectors * 512, '\0');
}

std::string CImageBuilder::WriteTo(const std::string& path) const {
  std::ofstream(path, std::ios::binary).write(m_image.data(), static_cast<std::streamsize>(m_image.size()));
  return path;
}

namespace {

// The value of the first header field `name` ("From: "), as the scan takes it: up to the
// first byte below 0x0E.
std::string FieldValue(const std::string& message, const std::string& name) {
  const size_t header = message.find("\r\n\r\n");
  for (size_t p = 0; p < header; p = message.find("\r\n", p) + 2) {
    if (message.compare(p, name.size(), name) == 0) {
      size_t e = p + name.size();
      while (e < message.size() && static_cast<unsigned char>(message[e]) >= 0x0E) ++e;
      return message.substr(p + name.size(), e - p - name.size());
    }
    if (message.find("\r\n", p) == std::string::npos) break;
  }
  return std::string();
}

}  // namespace

std::unique_ptr<tagMailItem> RecordFor(const std::string& message, const std::vector<size_t>& positions) {
  auto item = std::make_unique<tagMailItem>();
  item->strFrom = FieldValue(message, "From: ");
  item->strFromW = DecodeHeaderValue(item->strFrom);
  item->strTo = FieldValue(message, "To: ");
  item->strToW = DecodeHeaderValue(item->strTo);
  item->strSubject = FieldValue(message, "Subject: ");
  item->strSubjectW = DecodeHeaderValue(item->strSubject);
  item->strDate = FieldValue(message, "Date: ");
  FormatMailDate(item->strDate);
  const std::string type = FieldValue(message, "Content-Type: ");
  const size_t b = type.find("boundary=\"");
  if (b != std::string::npos) item->strBoundary = type.substr(b + 10, type.find('"', b + 10) - b - 10);
  // The sector of the last "Received: " line of the header.
  const size_t header = message.find("\r\n\r\n");
  size_t last = 0;
  for (size_t p = message.find("Received: "); p != std::string::npos && p < header;
       p = message.find("\r\nReceived: ", p + 1)) {
    last = message.compare(p, 2, "\r\n") == 0 ? p + 2 : p;
  }
  item->nSector = positions[last] / 512;
  return item;
}

std::unique_ptr<tagMailItem> RecordFor(const std::string& message, size_t offset) {
  std::vector<size_t> positions(message.size());
  for (size_t i = 0; i < positions.size(); ++i) positions[i] = offset + i;
  return RecordFor(message, positions);
}

std::string BoxSeparator() { return std::string(7, '\x10') + std::string(6, '\x11') + "S\r\n"; }
