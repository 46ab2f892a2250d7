#include "cli/listing.h"

#include <string>

#include "codec/codepage.h"
#include "codec/header_value.h"
#include "scan/mail_item.h"
#include "source/utf.h"

namespace {

// Terminal columns of a code point: 2 for East Asian wide and fullwidth forms, 0 for
// combining marks, 1 otherwise.
int Columns(char32_t c) {
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || c == 0xFE0F) return 0;
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
      (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD))
    return 2;
  return 1;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
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

// The received time as the message list shows it: the date text in the ANSI code page.
std::u16string DateText(const tagMailItem& m) { return AnsiToWide(m.strDate); }

// The Cc field's display text (the record keeps only its stored form).
std::u16string CcText(const tagMailItem& m) {
  std::string cc = m.strCc;
  return DecodeHeaderValue(cc);
}

std::string Marker(const tagMailItem& m) {
  std::string s = (m.nPriority == 1 || m.nPriority == 2) ? "!" : " ";
  auto lock = m.Lock();
  s += (m.pAttachments || m.pPendingAttachments) ? "&" : " ";
  return s;
}

}  // namespace

std::string FitColumns(const std::u16string& text, int columns) {
  // Code points with their widths.
  std::u32string cps;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x20 || c == 0x7F) c = ' ';
    cps.push_back(c);
  }
  int total = 0;
  for (char32_t c : cps) total += Columns(c);
  std::u32string kept;
  int used = 0;
  if (total <= columns) {
    kept = cps;
    used = total;
  } else {
    for (char32_t c : cps) {
      if (used + Columns(c) > columns - 1) break;
      kept.push_back(c);
      used += Columns(c);
    }
    kept.push_back(U'…');
    ++used;
  }
  std::u16string out;
  for (char32_t c : kept) {
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return U16ToUtf8(out) + std::string(static_cast<size_t>(columns > used ? columns - used : 0), ' ');
}

void PrintMailTable(std::FILE* out, const std::vector<tagMailItem*>& mails) {
  constexpr int kFrom = 32, kDate = 19, kSubject = 44;
  std::fprintf(out, "%s  %s  %s  %s  %s\n", FitColumns(u"!&", 2).c_str(), FitColumns(u"From", kFrom).c_str(),
               FitColumns(u"Received", kDate).c_str(), FitColumns(u"Subject", kSubject).c_str(), "Sector");
  for (const tagMailItem* m : mails) {
    std::fprintf(out, "%s  %s  %s  %s  %llu\n", Marker(*m).c_str(), FitColumns(m->strFromW, kFrom).c_str(),
                 FitColumns(DateText(*m), kDate).c_str(), FitColumns(m->strSubjectW, kSubject).c_str(),
                 static_cast<unsigned long long>(m->nSector));
  }
}

std::string MailJson(const tagMailItem& m) {
  std::string line = "{\"sector\":" + std::to_string(m.nSector);
  line += ",\"from\":" + JsonString(U16ToUtf8(m.strFromW));
  line += ",\"to\":" + JsonString(U16ToUtf8(m.strToW));
  line += ",\"cc\":" + JsonString(U16ToUtf8(CcText(m)));
  line += ",\"subject\":" + JsonString(U16ToUtf8(m.strSubjectW));
  line += ",\"date\":" + JsonString(U16ToUtf8(DateText(m)));
  line += ",\"priority\":" + std::to_string(m.nPriority);
  line += ",\"attachments\":[";
  {
    auto lock = m.Lock();
    bool first = true;
    for (const auto* arr : {m.pAttachments.get(), m.pPendingAttachments.get()}) {
      if (!arr) continue;
      for (const tagAttachment& a : *arr) {
        if (!first) line += ",";
        first = false;
        line += "{\"name\":" + JsonString(U16ToUtf8(a.strNameW)) + ",\"size\":" + std::to_string(a.nSize) + "}";
      }
    }
  }
  return line + "]}";
}

void PrintMailJson(std::FILE* out, const std::vector<tagMailItem*>& mails) {
  for (const tagMailItem* m : mails) std::fprintf(out, "%s\n", MailJson(*m).c_str());
}
