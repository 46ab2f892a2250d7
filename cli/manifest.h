#pragma once
// The manifest of a recovery: one entry per saved file, so the files can be checked later.

#include <cstdint>
#include <string>
#include <vector>

struct tagManifestEntry {
  std::string strFile;   // file name inside the folder's directory, UTF-8
  uint64_t nSector = 0;  // the record's sector
  uint64_t nBytes = 0;
  std::string strSha256;  // lower-case hex
};

// {"files": [{"file": NAME, "sector": N, "bytes": N, "sha256": HEX}, ...]} with a line per entry.
std::string BuildManifestJson(const std::vector<tagManifestEntry>& entries);

// `s` as a JSON string literal (quotes included); bytes that are not valid UTF-8 become U+FFFD.
std::string JsonQuote(const std::string& s);
