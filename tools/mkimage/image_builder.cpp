#include "tools/mkimage/image_builder.h"

#include <algorithm>
#include <cstring>

#include "tools/mkimage/random.h"

namespace mkimage {
namespace {

constexpr uint64_t kDbxSlot = kDbxBlockHeader + kDbxBlockData;  // 528 bytes
constexpr uint64_t kDbxStoreHeader = 512;                       // bytes before a store's first slot
constexpr uint64_t kGapReach = 188;
constexpr uint64_t kReadWindow = 524288;  // bytes read back from two sectors before nSector (without attachments)  // a
                                          // block header this far after a line start is closed by the scan

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool StartsNoCase(const std::string& s, uint64_t at, const char* word) {
  const size_t n = std::strlen(word);
  if (at + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(s[at + i]) != Lower(word[i])) return false;
  return true;
}

bool StartsMessage(const std::string& s, uint64_t at) {
  return StartsNoCase(s, at, "Received: ") || StartsNoCase(s, at, "Delivered-To: ") ||
         StartsNoCase(s, at, "Return-Path: ");
}

void PutWord(std::string& s, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

// A store offset usable for a block: its little-endian bytes hold no CR LF pair, so a block
// header never adds a line break of its own.
bool CleanOffset(uint64_t v) {
  for (int i = 0; i < 3; ++i)
    if (((v >> (8 * i)) & 0xff) == '\r' && ((v >> (8 * (i + 1))) & 0xff) == '\n') return false;
  return true;
}

class CBuilder {
 public:
  CBuilder(const LayoutSpec& spec, const std::vector<InputMessage>& inputs, Image& image)
      : m_spec(spec), m_inputs(inputs), m_image(image), m_rnd(spec.nSeed) {}

  void Build() {
    for (const RegionSpec& region : m_spec.regions) {
      switch (region.placement) {
        case Placement::Aligned:
        case Placement::Unaligned:
          for (size_t i : region.messages) PlaceWhole(i, region.placement);
          break;
        case Placement::Box:
          PlaceBox(region.messages);
          break;
        case Placement::Dbx:
          PlaceDbx(region.messages);
          break;
        case Placement::Fragmented:
          PlaceFragments(region.messages);
          break;
      }
    }
    Gap();
    for (PlacedMessage& m : m_image.messages) Judge(m);
  }

 private:
  std::string& Img() { return m_image.strBytes; }

  // Filler of the kind of the current gap.
  void Fill(uint64_t n) {
    if (m_bNoiseGap)
      Img() += m_rnd.Noise(n);
    else
      Img().append(n, '\0');
  }

  // Filler up to the next sector boundary, then some whole filler sectors.
  void Gap() {
    m_bNoiseGap = m_spec.filler == Filler::Noise || (m_spec.filler == Filler::Mixed && m_rnd.Chance(1, 2));
    Fill((kSector - Img().size() % kSector) % kSector);
    Fill(kSector * m_rnd.Between(m_spec.nGapMin, m_spec.nGapMax));
  }

  PlacedMessage& NewPlaced(size_t input, Placement p) {
    m_image.messages.emplace_back();
    PlacedMessage& m = m_image.messages.back();
    m.nInput = input;
    m.placement = p;
    return m;
  }

  const std::string& Bytes(size_t input) const { return m_inputs[input].strBytes; }

  void PlaceWhole(size_t input, Placement p) {
    Gap();
    if (p == Placement::Unaligned) Fill(m_rnd.Between(1, kSector - 1));
    PlacedMessage& m = NewPlaced(input, p);
    m.extents.push_back({Img().size(), 0, Bytes(input).size()});
    Img() += Bytes(input);
  }

  void PlaceBox(const std::vector<size_t>& inputs) {
    Gap();
    for (size_t input : inputs) {
      Img().append(kBoxSeparator, kBoxSeparatorSize);
      PlacedMessage& m = NewPlaced(input, Placement::Box);
      m.extents.push_back({Img().size(), 0, Bytes(input).size()});
      Img() += Bytes(input);
    }
  }

  // Cuts each message at random sector multiples and stores all pieces of the region in a
  // shuffled order, each at a sector boundary after a gap.
  void PlaceFragments(const std::vector<size_t>& inputs) {
    struct Piece {
      size_t placed;
      uint64_t from, length;
    };
    std::vector<Piece> pieces;
    for (size_t input : inputs) {
      const size_t placed = m_image.messages.size();
      NewPlaced(input, Placement::Fragmented);
      const uint64_t len = Bytes(input).size();
      const uint64_t sectors = (len + kSector - 1) / kSector;
      std::vector<uint64_t> cuts;
      const uint64_t want = sectors > 1 ? m_rnd.Between(1, std::min<uint64_t>(3, sectors - 1)) : 0;
      while (cuts.size() < want) {
        const uint64_t c = kSector * m_rnd.Between(1, sectors - 1);
        if (std::find(cuts.begin(), cuts.end(), c) == cuts.end()) cuts.push_back(c);
      }
      std::sort(cuts.begin(), cuts.end());
      uint64_t from = 0;
      for (uint64_t c : cuts) {
        pieces.push_back({placed, from, c - from});
        from = c;
      }
      pieces.push_back({placed, from, len - from});
    }
    for (size_t i = pieces.size(); i > 1; --i) std::swap(pieces[i - 1], pieces[m_rnd.Between(0, i - 1)]);
    for (const Piece& piece : pieces) {
      Gap();
      m_image.messages[piece.placed].extents.push_back({Img().size(), piece.from, piece.length});
      Img().append(Bytes(m_image.messages[piece.placed].nInput), piece.from, piece.length);
    }
    for (size_t i = m_image.messages.size() - inputs.size(); i < m_image.messages.size(); ++i) {
      auto& ex = m_image.messages[i].extents;
      std::sort(ex.begin(), ex.end(),
                [](const Extent& a, const Extent& b) { return a.nMessageOffset < b.nMessageOffset; });
    }
  }

  // A store of 528-byte slots (block header + 512 data bytes) after a 512-byte store header.
  // Each message fills consecutive slots, sometimes after a free slot; in 1 of nScatter
  // messages the blocks after the header's last block go to the store's end, shuffled among
  // the others moved there.
  void PlaceDbx(const std::vector<size_t>& inputs) {
    Gap();
    const uint64_t base = Img().size();
    struct Use {
      size_t placed = kNone;  // kNone: a free slot
      uint64_t block = 0;
    };
    std::vector<Use> order, tail;
    for (size_t input : inputs) {
      const size_t placed = m_image.messages.size();
      NewPlaced(input, Placement::Dbx);
      const uint64_t len = Bytes(input).size();
      const uint64_t blocks = (len + kDbxBlockData - 1) / kDbxBlockData;
      const MessageInfo info = AnalyseMessage(Bytes(input));
      uint64_t head = blocks;
      if (info.nHeaderEnd != kNone) head = std::min(blocks, (info.nHeaderEnd + 2) / kDbxBlockData + 1);
      const bool scatter = m_spec.nScatter && head < blocks && m_rnd.Chance(1, m_spec.nScatter);
      if (m_rnd.Chance(1, 3)) order.push_back({});
      for (uint64_t b = 0; b < blocks; ++b) (scatter && b >= head ? tail : order).push_back({placed, b});
    }
    for (size_t i = tail.size(); i > 1; --i) std::swap(tail[i - 1], tail[m_rnd.Between(0, i - 1)]);
    order.insert(order.end(), tail.begin(), tail.end());

    // Slot offsets in the store, skipping offsets whose bytes would form CR LF.
    std::vector<uint64_t> slotOf(order.size());
    uint64_t next = kDbxStoreHeader;
    for (size_t i = 0; i < order.size(); ++i) {
      while (!CleanOffset(next)) next += kDbxSlot;
      slotOf[i] = next;
      next += kDbxSlot;
    }
    Img().append(next, '\0');

    // Each block's successor in its message's chain.
    std::vector<std::vector<uint64_t>> chain(m_image.messages.size());
    for (size_t i = 0; i < order.size(); ++i)
      if (order[i].placed != kNone) {
        auto& c = chain[order[i].placed];
        if (c.size() <= order[i].block) c.resize(order[i].block + 1);
        c[order[i].block] = slotOf[i];
      }
    for (size_t i = 0; i < order.size(); ++i) {
      if (order[i].placed == kNone) continue;
      PlacedMessage& m = m_image.messages[order[i].placed];
      const std::string& bytes = Bytes(m.nInput);
      const uint64_t from = order[i].block * kDbxBlockData;
      const uint64_t length = std::min<uint64_t>(kDbxBlockData, bytes.size() - from);
      const auto& c = chain[order[i].placed];
      const uint64_t at = base + slotOf[i];
      PutWord(Img(), at, uint32_t(slotOf[i]));
      PutWord(Img(), at + 4, 0x200);
      PutWord(Img(), at + 8, uint32_t(length));
      PutWord(Img(), at + 12, order[i].block + 1 < c.size() ? uint32_t(c[order[i].block + 1]) : 0);
      Img().replace(at + kDbxBlockHeader, length, bytes, from, length);
      m.extents.push_back({at + kDbxBlockHeader, from, length});
    }
    for (size_t i = m_image.messages.size() - inputs.size(); i < m_image.messages.size(); ++i) {
      auto& ex = m_image.messages[i].extents;
      std::sort(ex.begin(), ex.end(),
                [](const Extent& a, const Extent& b) { return a.nMessageOffset < b.nMessageOffset; });
    }
  }

  // Message bytes [from, to) are stored in order without anything between them, except the
  // block headers of a store between full blocks.
  bool Contiguous(const PlacedMessage& m, uint64_t from, uint64_t to) const {
    const uint64_t between = m.placement == Placement::Dbx ? kDbxBlockHeader : 0;
    for (size_t i = 0; i + 1 < m.extents.size(); ++i) {
      const Extent& a = m.extents[i];
      const uint64_t cut = a.nMessageOffset + a.nLength;
      if (cut <= from || cut >= to) continue;
      if (m.extents[i + 1].nImageOffset != a.nImageOffset + a.nLength + between) return false;
    }
    return true;
  }

  bool IsExtentStart(const PlacedMessage& m, uint64_t offset) const {
    for (const Extent& e : m.extents)
      if (e.nMessageOffset == offset) return true;
    return false;
  }

  // A "Received: " line at image offset `o` that follows no line break within the message:
  // the scan starts a message there at a sector's first byte, after a zero byte, or after
  // CR LF.
  bool StartSeen(uint64_t o) const {
    const std::string& img = m_image.strBytes;
    return o % kSector == 0 || img[o - 1] == '\0' || (o >= 2 && img[o - 2] == '\r' && img[o - 1] == '\n');
  }

  // A block header before message byte `b` (a block's first byte) in the header region
  // [r, end] is closed by the scan, or lies where it does no harm.
  static bool HeaderBlockSafe(const MessageInfo& info, const std::string& bytes, uint64_t r, uint64_t b) {
    if (b < r + 10) return false;  // splits the line break before "Received: " or the word itself
    const uint64_t p = info.LineStartOf(b);
    if (p <= r) return bytes[b - 1] != '\r';  // inside the Received line, walked over byte by byte
    return b - p <= kGapReach;
  }

  // A block header in the body is harmless to the attachment list when it is not in a part's
  // boundary or header lines and a line start closes it.
  static bool BodyBlockSafe(const MessageInfo& info, const std::string& bytes, uint64_t b) {
    for (const auto& zone : info.partHeaders)
      if (b + 2 >= zone.first && b <= zone.second) return false;
    const uint64_t p = info.LineStartOf(b);
    if (bytes.compare(p, 2, "--") == 0 || (b >= 2 && bytes.compare(info.LineStartOf(b - 2), 2, "--") == 0))
      return false;
    return b - p <= kGapReach;
  }

  // Reading back checks a message found before `start` against the record's From, To and
  // Date and drops it at the first line that differs; true when that happens before `start`.
  static bool DroppedBefore(const std::string& img, uint64_t from, uint64_t start, const MessageInfo& info) {
    const struct {
      const char* name;
      const std::string* value;
    } checks[] = {{"From: ", &info.strFrom}, {"To: ", &info.strTo}, {"Date: ", &info.strDate}};
    for (uint64_t p = from; p + 2 <= start; ++p) {
      if (p != from && !(img[p - 2] == '\r' && img[p - 1] == '\n')) continue;
      for (const auto& c : checks) {
        if (!StartsNoCase(img, p, c.name)) continue;
        const uint64_t v = p + std::strlen(c.name);
        uint64_t e = v;
        while (e < img.size() && e < v + 512 && static_cast<unsigned char>(img[e]) >= 0x0E) ++e;
        if (img.compare(v, e - v, *c.value) != 0) return true;
      }
    }
    return false;
  }

  // How far the scan moves the "Received: " line at `r` before it reads it: a header line
  // after an earlier "Received: " line closes the block gap that follows within reach of its
  // start, moving its text (and so the line at r, when that gap lies after it) 16 bytes on.
  uint64_t DbxShift(const PlacedMessage& m, const MessageInfo& info, uint64_t r) const {
    const uint64_t b = (r / kDbxBlockData + 1) * kDbxBlockData;  // the next block's first byte
    const std::string& bytes = Bytes(m.nInput);
    if (b >= bytes.size() || !Contiguous(m, r, b + 1)) return 0;
    uint64_t first = kNone;
    for (uint64_t p : info.lineStarts)
      if (StartsNoCase(bytes, p, "Received: ")) {
        first = p;
        break;
      }
    for (uint64_t p : info.lineStarts) {
      if (p <= first || p >= r) continue;
      if (p / kDbxBlockData != r / kDbxBlockData) continue;  // a gap before it is closed already
      const uint64_t at = m.ImageOffset(p);
      const uint64_t header = at + (b - p);
      if (header <= (at + 3) / 4 * 4 + kGapReach) return kDbxBlockHeader;
    }
    return 0;
  }

  void Judge(PlacedMessage& m) {
    const std::string& bytes = Bytes(m.nInput);
    const std::string& img = m_image.strBytes;
    m.info = AnalyseMessage(bytes);
    const MessageInfo& info = m.info;
    if (info.nLastReceived == kNone) return;
    const uint64_t r = info.nLastReceived;
    m.nSector = m.ImageOffset(r) / kSector;
    if (!info.Recognisable()) return;
    const bool dbx = m.placement == Placement::Dbx;
    const uint64_t headerTo = info.nHeaderEnd + 2;

    // 1. The scan meets the last "Received: " line at a line start.
    bool found;
    if (r == 0 || IsExtentStart(m, r)) {
      const uint64_t o = m.ImageOffset(r);
      found = StartSeen(o);
      if (dbx && r > 0) found = false;  // a line start on a block header is taken as a header line
      // After a block that ends in text, the scan closes the gap as inside one message and the
      // line start is lost; after zeros (a block's unused tail, a free slot) it is seen.
      if (dbx && o >= kDbxBlockHeader + 1 && img[o - kDbxBlockHeader - 1] != '\0') found = false;
    } else {
      found = Contiguous(m, r - 2, r + 1);
    }
    // 2. The header lies in one run and ends within the window.
    found = found && Contiguous(m, r, headerTo) &&
            m.ImageOffset(info.nHeaderEnd) / kSector <= m.nSector + kHeaderWindowSectors;
    if (dbx)
      for (uint64_t b = (r / kDbxBlockData + 1) * kDbxBlockData; found && b < headerTo; b += kDbxBlockData)
        found = HeaderBlockSafe(info, bytes, r, b);
    if (found && dbx) m.nSector = (m.ImageOffset(r) + DbxShift(m, info, r)) / kSector;
    m.bFound = found;
    if (!found) return;

    // 3. Attachments: the whole message in one run, no block header in a part's structure.
    bool whole = Contiguous(m, 0, bytes.size());
    if (dbx)
      for (uint64_t b = (headerTo / kDbxBlockData + 1) * kDbxBlockData; whole && b < bytes.size(); b += kDbxBlockData)
        whole = BodyBlockSafe(info, bytes, b);
    bool anyListed = false;
    for (const DeclaredAttachment& a : info.attachments) anyListed = anyListed || a.bListed;
    m.bAttachmentsWhole = whole || !anyListed;

    // 4. Reading back: it starts at a header line inside the window read from two sectors
    // before nSector, nothing there looks like another message, and it ends where it should.
    bool extract = whole && StartsMessage(bytes, 0);
    const uint64_t start = m.ImageOffset(0);
    const uint64_t window = m.nSector >= 2 ? (m.nSector - 2) * kSector : 0;
    const Extent& tail = m.extents.back();
    extract = extract && start >= window && tail.nImageOffset + tail.nLength <= window + kReadWindow;
    for (uint64_t p = window; extract && p + 2 < start; ++p)
      if (img[p] == '\r' && img[p + 1] == '\n' && StartsMessage(img, p + 2))
        extract = DroppedBefore(img, p + 2, start, info);
    for (char c : bytes)
      if (static_cast<unsigned char>(c) < 0x08) extract = false;
    for (uint64_t p : info.lineStarts)
      if (extract && p > info.nHeaderEnd &&
          (StartsMessage(bytes, p) || StartsNoCase(bytes, p, "From: ") || StartsNoCase(bytes, p, "To: ") ||
           StartsNoCase(bytes, p, "Date: ")))
        extract = false;
    if (extract) {
      const Extent& last = m.extents.back();
      uint64_t after = last.nImageOffset + last.nLength;
      if (dbx && last.nLength == kDbxBlockData) after += kDbxBlockHeader;
      extract = after >= img.size() || img[after] == '\0' ||
                img.compare(after, kBoxSeparatorSize, kBoxSeparator, kBoxSeparatorSize) == 0 ||
                StartsMessage(img, after);
    }
    m.bExtractWhole = extract;
  }

  const LayoutSpec& m_spec;
  const std::vector<InputMessage>& m_inputs;
  Image& m_image;
  CRandom m_rnd;
  bool m_bNoiseGap = false;  // the gap being made is noise
};

}  // namespace

const char* FillerName(Filler f) {
  switch (f) {
    case Filler::Zero:
      return "zero";
    case Filler::Noise:
      return "noise";
    case Filler::Mixed:
      return "mixed";
  }
  return "";
}

bool ParseFiller(const std::string& name, Filler& out) {
  for (Filler f : {Filler::Zero, Filler::Noise, Filler::Mixed})
    if (name == FillerName(f)) {
      out = f;
      return true;
    }
  return false;
}

const char* PlacementName(Placement p) {
  switch (p) {
    case Placement::Aligned:
      return "aligned";
    case Placement::Unaligned:
      return "unaligned";
    case Placement::Dbx:
      return "dbx";
    case Placement::Box:
      return "box";
    case Placement::Fragmented:
      return "fragmented";
  }
  return "";
}

bool ParsePlacement(const std::string& name, Placement& out) {
  for (Placement p : {Placement::Aligned, Placement::Unaligned, Placement::Dbx, Placement::Box, Placement::Fragmented})
    if (name == PlacementName(p)) {
      out = p;
      return true;
    }
  return false;
}

uint64_t PlacedMessage::ImageOffset(uint64_t offset) const {
  for (const Extent& e : extents)
    if (offset >= e.nMessageOffset && offset < e.nMessageOffset + e.nLength)
      return e.nImageOffset + (offset - e.nMessageOffset);
  return kNone;
}

bool BuildImage(const LayoutSpec& layout, const std::vector<InputMessage>& inputs, Image& image, std::string* err) {
  image = Image();
  for (const RegionSpec& region : layout.regions)
    for (size_t i : region.messages) {
      if (i >= inputs.size()) {
        if (err) *err = "the layout names message " + std::to_string(i + 1) + " of " + std::to_string(inputs.size());
        return false;
      }
      if (inputs[i].strBytes.empty()) {
        if (err) *err = inputs[i].strFile + " is empty";
        return false;
      }
    }
  if (layout.nGapMax < layout.nGapMin) {
    if (err) *err = "the largest gap is smaller than the smallest";
    return false;
  }
  CBuilder(layout, inputs, image).Build();
  return true;
}

}  // namespace mkimage
