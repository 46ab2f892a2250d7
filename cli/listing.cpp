#include "cli/listing.h"

#include <string>

#include "scan/mail_item.h"
#include "source/utf.h"

namespace {

std::string Marker(tagMailItem* m) {
  std::string s = (m->nPriority == 1 || m->nPriority == 2) ? "!" : " ";
  auto lock = m->Lock();
  if (m->pAttachments || m->pPendingAttachments) s += "&";
  return s;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// Received-time text as the list shows it. The formatted form is ASCII; anything else
// is shown as UTF-8 when it is valid, byte by byte otherwise.
std::string DateText(const std::string& date) { return U16ToUtf8(Utf8ToU16(date)); }

}  // namespace

void PrintMailTable(std::FILE* out, const std::vector<tagMailItem*>& mails) {
  std::fprintf(out, "%-2s  %-36s  %-19s  %-40s  %s\n", "!&", "From", "Received", "Subject", "Sector");
  for (tagMailItem* m : mails) {
    std::fprintf(out, "%-2s  %-36s  %-19s  %-40s  %llu\n", Marker(m).c_str(), U16ToUtf8(m->strFromW).c_str(),
                 DateText(m->strDate).c_str(), U16ToUtf8(m->strSubjectW).c_str(),
                 static_cast<unsigned long long>(m->nSector));
  }
}

void PrintMailJson(std::FILE* out, const std::vector<tagMailItem*>& mails) {
  for (tagMailItem* m : mails) {
    std::string line = "{\"sector\":" + std::to_string(m->nSector);
    line += ",\"from\":" + JsonString(U16ToUtf8(m->strFromW));
    line += ",\"to\":" + JsonString(U16ToUtf8(m->strToW));
    line += ",\"cc\":" + JsonString(DateText(m->strCc));
    line += ",\"subject\":" + JsonString(U16ToUtf8(m->strSubjectW));
    line += ",\"date\":" + JsonString(DateText(m->strDate));
    line += ",\"priority\":" + std::to_string(m->nPriority);
    line += ",\"attachments\":[";
    {
      auto lock = m->Lock();
      bool first = true;
      for (const auto* arr : {m->pAttachments.get(), m->pPendingAttachments.get()}) {
        if (!arr) continue;
        for (const auto& a : *arr) {
          if (!first) line += ",";
          first = false;
          line += "{\"name\":" + JsonString(U16ToUtf8(a.strNameW)) + ",\"size\":" + std::to_string(a.nSize) + "}";
        }
      }
    }
    line += "]}";
    std::fprintf(out, "%s\n", line.c_str());
  }
}
