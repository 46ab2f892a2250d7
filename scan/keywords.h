#pragma once
// Keyword tests and line reads over raw source bytes.
//
// All functions read in place and never past what their contract names: a keyword test
// reads at most the keyword's length (it stops at the first byte that differs), a line
// read at most kMaxLineBytes bytes. Callers keep that many readable bytes after a position.
// Reentrant; used by the scan thread and by message extraction on other threads.

#include <cstddef>
#include <string>
#include <string_view>

#include "scan/byte_scan.h"

// The header keywords, each compared with its exact length, trailing blank included.
namespace kw {
inline constexpr std::string_view Subject = "Subject: ";
inline constexpr std::string_view From = "From: ";
inline constexpr std::string_view To = "To: ";
inline constexpr std::string_view Date = "Date: ";
inline constexpr std::string_view Received = "Received: ";
inline constexpr std::string_view DeliveredTo = "Delivered-To: ";
inline constexpr std::string_view ReturnPath = "Return-Path: ";
inline constexpr std::string_view XPriority = "X-Priority: ";
inline constexpr std::string_view ContentType = "Content-Type: ";
inline constexpr std::string_view ContentTransferEncoding = "Content-Transfer-Encoding: ";
inline constexpr std::string_view Boundary = "boundary=";
inline constexpr std::string_view XAttachment = "X-Attachment: ";
inline constexpr std::string_view Cc = "Cc: ";
}  // namespace kw

// The keyword table, in a fixed order; it never changes.
inline constexpr std::string_view kHeaderKeywords[] = {
    kw::Subject,     kw::From,        kw::To,        kw::Date,        kw::Received,
    kw::DeliveredTo, kw::ReturnPath,  kw::XPriority, kw::ContentType, kw::ContentTransferEncoding,
    kw::Boundary,    kw::XAttachment, kw::Cc};

// A line value or text has at most kMaxLineBytes - 1 bytes; a line without an end within
// kMaxLineBytes bytes reads as empty.
inline constexpr size_t kMaxLineBytes = 512;

// True when the n bytes at p equal `keyword` with ASCII letters compared without regard to
// case and none of them is a zero byte. Inline: most tests fail on the first byte.
inline bool MatchKeyword(const char* p, const char* keyword, size_t n) {
  // Bytes equal once letters are folded are equal with bit 0x20 set: most tests end here.
  if (n == 0 || (p[0] | 0x20) != (keyword[0] | 0x20)) return n == 0;
  auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; };
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c == 0 || fold(c) != fold(static_cast<unsigned char>(keyword[i]))) return false;
  }
  return true;
}
inline bool MatchKeyword(const char* p, std::string_view keyword) {
  return MatchKeyword(p, keyword.data(), keyword.size());
}

// The bytes at p up to, not including, the first byte below 0x0E (zero, tab, line feed,
// carriage return and other controls stop it); empty when no such byte is among the first
// kMaxLineBytes. The view points into the caller's bytes.
inline std::string_view LineValueAt(const char* p) {
  const size_t n = bytescan::FindControl(p, kMaxLineBytes);
  return n < kMaxLineBytes ? std::string_view(p, n) : std::string_view();
}
// As LineValueAt, but stops only at a zero byte, a carriage return or a line feed.
inline std::string_view LineTextAt(const char* p) {
  const size_t n = bytescan::FindLineEnd(p, kMaxLineBytes);
  return n < kMaxLineBytes ? std::string_view(p, n) : std::string_view();
}

// The same as new strings.
inline std::string GetLineValue(const char* p) { return std::string(LineValueAt(p)); }
inline std::string GetLineText(const char* p) { return std::string(LineTextAt(p)); }

// Small text helpers for mail bytes (exact case unless the name says otherwise).
inline bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
inline bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }
// True when `part` occurs in `s` at a position above 0.
inline bool ContainsAfterStart(std::string_view s, std::string_view part) {
  const size_t at = s.find(part);
  return at != std::string_view::npos && at > 0;
}

// The boundary written from `at` on in `text` (the byte after "boundary="): an opening
// double quote is skipped, an unquoted value keeps its first byte; the value runs to the
// end of `text`, without trailing double quotes. Empty when `at` is past the end.
std::string BoundaryValue(std::string_view text, size_t at);
