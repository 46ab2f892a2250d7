#include "tools/mkimage/ground_truth.h"

#include "tools/mkimage/sha256.h"

namespace mkimage {
namespace {

std::string Bool(bool b) { return b ? "true" : "false"; }
std::string Num(uint64_t n) { return std::to_string(n); }

}  // namespace

std::string JsonBytes(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += char(c);
    } else {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out + "\"";
}

std::string GroundTruthJson(const Image& image, const std::vector<InputMessage>& inputs, const LayoutSpec& layout) {
  std::string o = "{\n";
  o += "  \"seed\": " + Num(layout.nSeed) + ",\n";
  o += "  \"filler\": \"" + std::string(FillerName(layout.filler)) + "\",\n";
  o += "  \"bytes\": " + Num(image.strBytes.size()) + ",\n";
  o += "  \"sectors\": " + Num(image.strBytes.size() / kSector) + ",\n";
  o += "  \"messages\": [";
  for (size_t i = 0; i < image.messages.size(); ++i) {
    const PlacedMessage& m = image.messages[i];
    const MessageInfo& info = m.info;
    const std::string& bytes = inputs[m.nInput].strBytes;
    o += i ? ",\n    {" : "\n    {";
    o += "\"file\": " + JsonBytes(inputs[m.nInput].strFile);
    o += ", \"layout\": \"" + std::string(PlacementName(m.placement)) + "\"";
    o += ", \"length\": " + Num(bytes.size());
    o += ",\n     \"offsets\": [";
    for (size_t k = 0; k < m.extents.size(); ++k) o += (k ? ", " : "") + Num(m.extents[k].nImageOffset);
    o += "],\n     \"extents\": [";
    for (size_t k = 0; k < m.extents.size(); ++k) {
      const Extent& e = m.extents[k];
      o += (k ? ", " : "") + std::string("{\"offset\": ") + Num(e.nImageOffset) +
           ", \"message_offset\": " + Num(e.nMessageOffset) + ", \"length\": " + Num(e.nLength) + "}";
    }
    o += "],\n     \"sector\": ";
    o += info.nLastReceived == kNone ? std::string("null") : Num(m.nSector);
    o += ", \"from\": " + JsonBytes(info.strFrom);
    o += ", \"to\": " + JsonBytes(info.strTo);
    o += ", \"cc\": " + JsonBytes(info.strCc);
    o += ",\n     \"date\": " + JsonBytes(info.strDate);
    o += ", \"subject\": " + JsonBytes(info.strSubject);
    o += ", \"subject_unfolded\": " + JsonBytes(info.strSubjectUnfolded);
    o += ", \"priority\": " + JsonBytes(info.strPriority);
    o += ", \"boundary\": " + JsonBytes(info.strBoundary);
    o += ",\n     \"attachments\": [";
    for (size_t k = 0; k < info.attachments.size(); ++k) {
      const DeclaredAttachment& a = info.attachments[k];
      o += (k ? ", " : "") + std::string("{\"name\": ") + JsonBytes(a.strName) + ", \"size\": " + Num(a.nSize) +
           ", \"encoding\": " + JsonBytes(a.strEncoding) + ", \"listed\": " + Bool(a.bListed) + "}";
    }
    o += "],\n     \"x_attachments\": [";
    for (size_t k = 0; k < info.xAttachments.size(); ++k)
      o += (k ? ", " : "") + std::string("{\"name\": ") + JsonBytes(info.xAttachments[k].strName) +
           ", \"size\": " + Num(info.xAttachments[k].nSize) + "}";
    o += "],\n     \"sha256\": \"" + Sha256Hex(bytes) + "\"";
    o += ", \"found\": " + Bool(m.bFound);
    o += ", \"attachments_whole\": " + Bool(m.bAttachmentsWhole);
    o += ", \"extract_whole\": " + Bool(m.bExtractWhole) + "}";
  }
  o += "\n  ]\n}\n";
  return o;
}

}  // namespace mkimage
