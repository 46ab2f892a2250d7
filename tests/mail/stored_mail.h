#pragma once
// Building disk images that hold given messages in the layouts a disk or a store keeps
// them, and the records a scan would make of them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct tagMailItem;

// A message in CR LF form: `received` "Received: " lines, then From, To, Date, Subject
// and a body of about `bodyBytes` bytes.
std::string MakeMessage(const std::string& from, const std::string& to, const std::string& date,
                        const std::string& subject, int received = 2, size_t bodyBytes = 200);

class CImageBuilder {
 public:
  // Places `bytes` at byte `offset` (the image grows with zeros as needed); returns offset.
  size_t Put(size_t offset, const std::string& bytes);
  // Places `bytes` right after what is in the image now.
  size_t Append(const std::string& bytes) { return Put(m_image.size(), bytes); }
  // Stores `message` in the block layout of a .dbx store, from byte `offset` (a multiple of
  // 4): 16-byte headers (own offset, 0x200, bytes used, next offset) each before 512 bytes
  // of data, the last block's unused tail left zero. Returns the image offset of every
  // message byte.
  std::vector<size_t> PutDbx(size_t offset, const std::string& message);
  // Pads the image with zeros to a whole number of sectors plus `extraSectors`.
  void PadSectors(size_t extraSectors = 0);
  const std::string& Bytes() const { return m_image; }
  // Writes the image to a file; returns its path.
  std::string WriteTo(const std::string& path) const;

 private:
  std::string m_image;
};

// The record a scan makes of `message`, whose first byte is image byte `offset`
// (`positions`: the image offset of each message byte, for a message not stored in one piece).
std::unique_ptr<tagMailItem> RecordFor(const std::string& message, size_t offset);
std::unique_ptr<tagMailItem> RecordFor(const std::string& message, const std::vector<size_t>& positions);

// The .box separator line.
std::string BoxSeparator();
