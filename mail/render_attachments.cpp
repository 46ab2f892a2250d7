#include <cstdio>
#include <utility>
#include <vector>

#include "codec/codepage.h"
#include "mail/render.h"
#include "res/string_table.h"
#include "scan/mail_item.h"

std::u16string FormatSizeText(int32_t size) {
  char buf[32];
  if (size > 0x40000000 || size <= 0) return std::u16string();
  if (size > 1048576)
    std::snprintf(buf, sizeof buf, "%0.1f MB", size / 1024.0 / 1024.0);
  else if (size > 1024)
    std::snprintf(buf, sizeof buf, "%0.1f KB", size / 1024.0);
  else
    std::snprintf(buf, sizeof buf, "%d B", static_cast<int>(size));
  return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

std::string BuildAttachmentBlock(const tagMailItem& item) {
  std::vector<std::pair<std::u16string, int32_t>> entries;
  {
    auto guard = item.Lock();
    // The pending ones are those a listing has not moved over yet.
    for (const tagAttachmentArray* list : {item.pAttachments.get(), item.pPendingAttachments.get()})
      if (list)
        for (const tagAttachment& a : *list) entries.emplace_back(a.strNameW, a.nSize);
  }
  if (entries.empty()) return std::string();
  std::string block = "<pre>";
  for (const auto& [name, size] : entries) {
    block += WideToAnsi(FormatStringW(LoadStringW(165), {name, FormatSizeText(size)}));
    block += "\r\n";
  }
  block += "\r\n" + std::string(60, '-') + "\r\n\r\n</pre>";
  return block;
}
