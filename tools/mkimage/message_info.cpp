#include "tools/mkimage/message_info.h"

#include <algorithm>
#include <cstring>

namespace mkimage {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool StartsNoCase(const std::string& s, size_t at, const char* word) {
  const size_t n = std::strlen(word);
  if (at + n > s.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(s[at + i]) != Lower(word[i])) return false;
  return true;
}

size_t FindNoCase(const std::string& s, const char* word, size_t from = 0) {
  const size_t n = std::strlen(word);
  for (size_t i = from; i + n <= s.size(); ++i)
    if (StartsNoCase(s, i, word)) return i;
  return kNone;
}

// Bytes from `at` up to the first byte below 0x0E; empty when none within 512 bytes.
std::string LineValue(const std::string& s, size_t at) {
  for (size_t i = at; i < s.size() && i < at + 512; ++i)
    if (static_cast<unsigned char>(s[i]) < 0x0E) return s.substr(at, i - at);
  if (s.size() < at + 512) return at < s.size() ? s.substr(at) : std::string();  // the message's end reads as zeros
  return std::string();
}

// Bytes from `at` up to CR, LF or zero; empty when none within 512 bytes.
std::string LineText(const std::string& s, size_t at) {
  for (size_t i = at; i < s.size() && i < at + 512; ++i)
    if (s[i] == '\r' || s[i] == '\n' || s[i] == '\0') return s.substr(at, i - at);
  if (s.size() < at + 512) return at < s.size() ? s.substr(at) : std::string();
  return std::string();
}

std::string Trim(std::string v, const char* what = " \t") {
  const size_t b = v.find_first_not_of(what);
  if (b == std::string::npos) return std::string();
  return v.substr(b, v.find_last_not_of(what) - b + 1);
}

std::string ToLower(std::string v) {
  for (char& c : v) c = Lower(c);
  return v;
}

// An entity's header fields, unfolded, names in lower case.
struct Field {
  std::string name, value;
};

// Reads header lines from `at` up to the empty line; returns the offset after that line
// (or `end` when there is none).
size_t ReadFields(const std::string& s, size_t at, size_t end, std::vector<Field>& out) {
  size_t p = at;
  while (p < end) {
    size_t eol = s.find("\r\n", p);
    if (eol == std::string::npos || eol >= end) eol = end;
    if (eol == p) return std::min(end, p + 2);
    const std::string line = s.substr(p, eol - p);
    if ((line[0] == ' ' || line[0] == '\t') && !out.empty()) {
      out.back().value += line;
    } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
      out.push_back({ToLower(line.substr(0, colon)), Trim(line.substr(colon + 1))});
    }
    p = eol + 2;
  }
  return end;
}

const std::string* FieldValue(const std::vector<Field>& fields, const char* name) {
  for (const Field& f : fields)
    if (f.name == name) return &f.value;
  return nullptr;
}

// A parameter of a structured value (boundary=, filename=, name=), quoted or not.
std::string Parameter(const std::string& value, const char* name) {
  const std::string key = std::string(name) + "=";
  size_t at = 0;
  while ((at = FindNoCase(value, key.c_str(), at)) != kNone) {
    if (at == 0 || value[at - 1] == ';' || value[at - 1] == ' ' || value[at - 1] == '\t') break;
    ++at;
  }
  if (at == kNone) return std::string();
  size_t p = at + key.size();
  if (p < value.size() && value[p] == '"') {
    const size_t q = value.find('"', p + 1);
    return value.substr(p + 1, q == std::string::npos ? std::string::npos : q - p - 1);
  }
  const size_t e = value.find_first_of("; \t", p);
  return value.substr(p, e == std::string::npos ? std::string::npos : e - p);
}

uint64_t DecodedSize(const std::string& s, size_t from, size_t to, const std::string& encoding) {
  if (encoding == "base64") {
    uint64_t chars = 0;
    for (size_t i = from; i < to; ++i) {
      const char c = s[i];
      if (c == '=') break;
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/') ++chars;
    }
    return chars * 3 / 4;
  }
  if (encoding == "quoted-printable") {
    uint64_t n = 0;
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    for (size_t i = from; i < to; ++i) {
      if (s[i] == '=' && i + 2 < to + 1 && s.compare(i, 3, "=\r\n") == 0) {
        i += 2;
      } else if (s[i] == '=' && i + 2 < to && hex(s[i + 1]) && hex(s[i + 2])) {
        i += 2;
        ++n;
      } else {
        ++n;
      }
    }
    return n;
  }
  return to - from;
}

// The 7-line test a scan makes at an attachment part's boundary line, and the file name it
// reads there.
void ListingTest(const std::string& s, DeclaredAttachment& a) {
  bool enc = false, att = false, name = false;
  size_t p = a.nPartStart;
  for (int i = 0; i < 7; ++i) {
    const std::string line = LineText(s, p);
    if (line.empty()) break;
    if (FindNoCase(line, "Content-Transfer-Encoding: ") != kNone) enc = true;
    if (FindNoCase(line, "attachment") != kNone) att = true;
    if (const size_t f = FindNoCase(line, "filename="); f != kNone && !name) {
      name = true;
      size_t v = f + 9;
      if (v < line.size() && line[v] == '"') ++v;
      const std::string n = Trim(Trim(line.substr(std::min(v, line.size())), " "), "\"");
      if (!n.empty()) a.strName = n;
    }
    p += line.size() + 2;
  }
  a.bListed = enc && att && name && !a.strName.empty();
}

// Walks one MIME entity [at, end) whose header starts at `at`; `partLine` is the offset of
// the boundary line that opened it (kNone for the message itself).
void WalkEntity(const std::string& s, size_t at, size_t end, size_t partLine, MessageInfo& info, int depth) {
  std::vector<Field> fields;
  const size_t body = ReadFields(s, at, end, fields);
  const std::string* ctype = FieldValue(fields, "content-type");
  const std::string type = ctype ? ToLower(Trim(ctype->substr(0, ctype->find(';')))) : std::string("text/plain");
  if (type.rfind("multipart/", 0) == 0 && depth < 8) {
    const std::string boundary = Parameter(*ctype, "boundary");
    if (boundary.empty()) return;
    if (partLine == kNone)
      info.strBoundary = boundary;
    else
      info.partHeaders.emplace_back(partLine, body);
    const std::string delim = "--" + boundary;
    // Delimiter lines: at a line start, "--boundary" then CR LF, blanks or "--".
    std::vector<size_t> delims;
    bool closed = false;
    for (size_t p = body; p < end && !closed;) {
      if (s.compare(p, delim.size(), delim) == 0) {
        const size_t after = p + delim.size();
        if (s.compare(after, 2, "--") == 0) closed = true;
        delims.push_back(p);
      }
      const size_t eol = s.find("\r\n", p);
      if (eol == std::string::npos || eol >= end) break;
      p = eol + 2;
    }
    for (size_t i = 0; i + 1 < delims.size() || (i + 1 == delims.size() && !closed); ++i) {
      const size_t line = delims[i];
      const size_t eol = s.find("\r\n", line);
      if (eol == std::string::npos) break;
      const size_t partEnd = i + 1 < delims.size() ? delims[i + 1] - 2 : end;
      if (eol + 2 <= partEnd) WalkEntity(s, eol + 2, partEnd, line, info, depth + 1);
      if (i + 1 == delims.size()) break;
    }
    return;
  }
  if (partLine == kNone) return;
  info.partHeaders.emplace_back(partLine, body);
  const std::string* disp = FieldValue(fields, "content-disposition");
  std::string name = disp ? Parameter(*disp, "filename") : std::string();
  if (name.empty() && ctype) name = Parameter(*ctype, "name");
  if (name.empty()) return;
  DeclaredAttachment a;
  a.strName = name;
  if (const std::string* cte = FieldValue(fields, "content-transfer-encoding")) a.strEncoding = ToLower(Trim(*cte));
  a.nSize = DecodedSize(s, std::min(body, end), end, a.strEncoding);
  a.nPartStart = partLine;
  a.nPartEnd = body;
  ListingTest(s, a);
  info.attachments.push_back(a);
}

}  // namespace

size_t MessageInfo::LineStartOf(size_t offset) const {
  auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
  return it == lineStarts.begin() ? 0 : *(it - 1);
}

std::string ToCrlf(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out += '\r';
    out += bytes[i];
  }
  return out;
}

MessageInfo AnalyseMessage(const std::string& s) {
  MessageInfo info;
  info.lineStarts.push_back(0);
  for (size_t p = s.find("\r\n"); p != std::string::npos; p = s.find("\r\n", p + 2)) info.lineStarts.push_back(p + 2);

  // The top-level header: line starts up to the first empty line.
  size_t end = kNone;
  for (size_t p : info.lineStarts) {
    if (s.compare(p, 2, "\r\n") == 0) {
      end = p;
      break;
    }
    if (StartsNoCase(s, p, "Received: ")) info.nLastReceived = p;
  }
  info.nHeaderEnd = end;
  if (info.nLastReceived == kNone || end == kNone) {
    if (end != kNone) WalkEntity(s, 0, s.size(), kNone, info, 0);
    return info;
  }

  struct Want {
    const char* keyword;
    std::string* value;
  } wants[] = {{"From: ", &info.strFrom},           {"To: ", &info.strTo},
               {"Subject: ", &info.strSubject},     {"Date: ", &info.strDate},
               {"X-Priority: ", &info.strPriority}, {"Cc: ", &info.strCc}};
  for (size_t p : info.lineStarts) {
    if (p <= info.nLastReceived) continue;
    if (p >= end) break;
    bool taken = false;
    for (Want& w : wants) {
      const bool subject = w.value == &info.strSubject;
      if (!w.value->empty() || (subject && info.bSubjectFolded) || !StartsNoCase(s, p, w.keyword)) continue;
      *w.value = LineValue(s, p + std::strlen(w.keyword));
      taken = true;
      if (subject) {
        // The subject with its continuation lines.
        const size_t eol = s.find("\r\n", p);
        std::string unfolded = s.substr(p + 9, eol - p - 9);
        size_t q = eol + 2;
        while (q < end && (s[q] == ' ' || s[q] == '\t')) {
          const size_t e = s.find("\r\n", q);
          unfolded += s.substr(q, e - q);
          info.bSubjectFolded = true;
          q = e + 2;
        }
        info.strSubjectUnfolded = unfolded;
      }
      break;
    }
    if (taken || !StartsNoCase(s, p, "X-Attachment: ")) continue;
    const std::string v = LineValue(s, p + 14);
    const size_t k = v.find(',');
    if (k == std::string::npos || k == 0) continue;
    const std::string sizeText = k + 2 <= v.size() ? v.substr(k + 2) : std::string();
    size_t d = sizeText.find_first_not_of(' ');
    uint64_t size = 0;
    for (; d != std::string::npos && d < sizeText.size() && sizeText[d] >= '0' && sizeText[d] <= '9'; ++d)
      size = size * 10 + uint64_t(sizeText[d] - '0');
    if (size > 0 && !Trim(v.substr(0, k)).empty()) info.xAttachments.push_back({v.substr(0, k), size});
  }
  WalkEntity(s, 0, s.size(), kNone, info, 0);
  return info;
}

}  // namespace mkimage
