#pragma once
// Conversion between 8-bit text in a Windows code page and UTF-16.
//
// Code page numbers are Windows' (936, 950, 65001, 28591, ...). CP_ACP and CP_THREAD_ACP
// stand for the process-wide ANSI code page (default 936; on Windows the system's).
// Invalid byte sequences become U+FFFD and conversion goes on. A code page that cannot
// be converted yields an empty text. Thread-safe; converters are opened once per thread.

#include <string>
#include <string_view>

#ifdef CP_ACP  // <windows.h> came first: its macros carry the same numbers
static_assert(CP_ACP == 0 && CP_THREAD_ACP == 3 && CP_UTF8 == 65001);
#else
inline constexpr int CP_ACP = 0;
inline constexpr int CP_THREAD_ACP = 3;
inline constexpr int CP_UTF8 = 65001;
#endif

void SetAnsiCodePage(int codePage);  // call before any worker thread starts
int GetAnsiCodePage();

// True when `codePage` has a converter here.
bool IsCodePageSupported(int codePage);

std::u16string MultiByteToWide(int codePage, std::string_view bytes);
// Appends MultiByteToWide(codePage, bytes) to `out`, without a text of its own in between
// where it can.
void AppendMultiByteToWide(int codePage, std::string_view bytes, std::u16string& out);
// Characters the code page lacks become its default character ("?").
std::string WideToMultiByte(int codePage, std::u16string_view text);

// Shorthands for the ANSI code page.
inline std::u16string AnsiToWide(std::string_view bytes) { return MultiByteToWide(CP_THREAD_ACP, bytes); }
inline void AppendAnsiToWide(std::string_view bytes, std::u16string& out) {
  AppendMultiByteToWide(CP_THREAD_ACP, bytes, out);
}
inline std::string WideToAnsi(std::u16string_view text) { return WideToMultiByte(CP_THREAD_ACP, text); }
