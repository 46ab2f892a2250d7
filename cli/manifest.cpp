#include "cli/manifest.h"

#include <cstdio>

#include "source/utf.h"

std::string JsonQuote(const std::string& s) {
  const std::string text = U16ToUtf8(Utf8ToU16(s));  // valid UTF-8 whatever came in
  std::string out = "\"";
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string BuildManifestJson(const std::vector<tagManifestEntry>& entries) {
  std::string out = "{\"files\": [";
  for (size_t i = 0; i < entries.size(); ++i) {
    const tagManifestEntry& e = entries[i];
    out += i ? ",\n  " : "\n  ";
    out += "{\"file\": " + JsonQuote(e.strFile) + ", \"sector\": " + std::to_string(e.nSector) +
           ", \"bytes\": " + std::to_string(e.nBytes) + ", \"sha256\": \"" + e.strSha256 + "\"}";
  }
  out += entries.empty() ? "]}\n" : "\n]}\n";
  return out;
}
