#pragma once
// Builds a disk image from messages and a layout, and works out for each message where its
// bytes landed and what a scan of the image should find.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkimage/message_info.h"

namespace mkimage {

inline constexpr uint64_t kSector = 512;
inline constexpr uint64_t kHeaderWindowSectors = 64;  // a header must end this many sectors after its Received line
inline constexpr uint64_t kDbxBlockData = 512;
inline constexpr uint64_t kDbxBlockHeader = 16;
inline constexpr char kBoxSeparator[] = "\x10\x10\x10\x10\x10\x10\x10\x11\x11\x11\x11\x11\x11S\r\n";
inline constexpr size_t kBoxSeparatorSize = 16;

// How the messages of one region are stored.
enum class Placement {
  Aligned,     // each message whole, starting at a sector boundary
  Unaligned,   // each message whole, starting inside a sector
  Dbx,         // one store: 512-byte data blocks, each after a 16-byte block header
  Box,         // one store: messages one after another, each after the 16-byte separator
  Fragmented,  // each message cut at sector multiples, the pieces stored out of order
};
// What fills the space between regions and between messages.
enum class Filler { Zero, Noise, Mixed };  // Mixed: zero or noise, chosen anew for each gap

const char* FillerName(Filler f);
bool ParseFiller(const std::string& name, Filler& out);
const char* PlacementName(Placement p);
bool ParsePlacement(const std::string& name, Placement& out);

struct InputMessage {
  std::string strFile;   // name written to the ground truth
  std::string strBytes;  // the bytes to store (already converted to CR LF when wanted)
};

struct RegionSpec {
  Placement placement = Placement::Aligned;
  std::vector<size_t> messages;  // indexes into the input messages, in storing order
};

struct LayoutSpec {
  uint64_t nSeed = 1;
  Filler filler = Filler::Zero;
  uint64_t nGapMin = 1, nGapMax = 3;  // whole filler sectors between neighbours
  // Store layouts: blocks after a message's header that may be stored away from the rest
  // (1 in nScatter messages; 0 never).
  uint64_t nScatter = 3;
  std::vector<RegionSpec> regions;
};

// One run of a message's bytes in the image.
struct Extent {
  uint64_t nImageOffset = 0;
  uint64_t nMessageOffset = 0;
  uint64_t nLength = 0;
};

struct PlacedMessage {
  size_t nInput = 0;  // index into the input messages
  Placement placement = Placement::Aligned;
  std::vector<Extent> extents;  // in message order
  MessageInfo info;
  // Sector of the first byte of the last "Received: " line as the scan reads it: as stored,
  // or 16 bytes further in a .dbx store when the scan closes the next block gap before it.
  uint64_t nSector = 0;
  bool bFound = false;  // a scan makes a record of it, at nSector, with the header's fields
  // The scan lists the attachments the message declares (the listable ones) with their sizes.
  bool bAttachmentsWhole = false;
  // Reading the message back from nSector yields exactly its bytes.
  bool bExtractWhole = false;
  // Image offset of message byte `offset`, or kNone when it is not stored.
  uint64_t ImageOffset(uint64_t offset) const;
};

struct Image {
  std::string strBytes;  // whole sectors
  std::vector<PlacedMessage> messages;
};

// Builds the image. False, with a reason in `err`, when the layout names a message that does
// not exist or holds none.
bool BuildImage(const LayoutSpec& layout, const std::vector<InputMessage>& inputs, Image& image, std::string* err);

}  // namespace mkimage
