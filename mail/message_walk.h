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
// "Return-Path: " (ASCII case ignored) that follows CR LF, a zero byte, a sector start or
// a removed block header. It ends, once its header has ended, at the next such line, at
// the first zero byte, before a .box separator line, or at the end of the window. A zero
// byte or separator inside its header drops it.
//
// True with [start, end) when a message was found. False when none was, or `stop` was set.
bool FindStoredMessage(const tagStoredText& text, const tagMailIdentity* identity, const std::atomic<int>* stop,
                       size_t& start, size_t& end);
