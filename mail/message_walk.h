#pragma once
// Finding one stored message in a window of stored text: where it starts and where the
// stored text of the next thing begins.

#include <atomic>
#include <cstddef>
#include <string>

struct tagStoredText;

// What a record says about its message: the cleaned From and To values, the date text
// and the MIME boundary (empty for a message without parts).
struct tagMailIdentity {
  std::string strFrom;
  std::string strTo;
  std::string strDate;
  std::string strBoundary;
};

// With `identity`: walks the whole window for the recorded message, whose From, To and
// Date lines must all match the record. Without it (the fallback): takes the first
// message that starts at or after the window's usual start.
//
// A message starts at a line beginning with "Received: ", "Delivered-To: " or
// "Return-Path: " (ASCII case ignored) that follows CR LF, a byte mail text cannot hold (a
// zero, a C0 control other than TAB, LF, FF, CR and ESC), a sector start or a removed block
// header, or stands in the top line of a block right after noise. It reaches back over the
// header lines before that line, up to an empty line, an mbox envelope line or bytes that
// are not mail text.
//
// Once its header has ended it ends: at the next such line (inside its own open multipart,
// only at a sector start: bounces and forwards quote headers there); before an empty line
// and an mbox envelope line; at bytes mail text cannot hold (exactly before free space or a
// .box separator, else after the last line break before them; a few lone control bytes
// followed by text are text); or at the end of the window. Such bytes inside its header
// drop it.
//
// True with [start, end) when a message was found. False when none was, or `stop` was set.
bool FindStoredMessage(const tagStoredText& text, const tagMailIdentity* identity, const std::atomic<int>* stop,
                       size_t& start, size_t& end);
