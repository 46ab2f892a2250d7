// The process-wide ANSI code page.
#include "codec/codepage.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
#ifdef _WIN32
constexpr int kDefaultAnsiCodePage = 0;  // the system's, asked for when needed
#else
constexpr int kDefaultAnsiCodePage = 936;
#endif
std::atomic<int> g_nAnsiCodePage{kDefaultAnsiCodePage};
}  // namespace

void SetAnsiCodePage(int codePage) {
  // The placeholders themselves cannot be the ANSI code page.
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage < 0) return;
  g_nAnsiCodePage.store(codePage, std::memory_order_relaxed);
}

int GetAnsiCodePage() {
  const int codePage = g_nAnsiCodePage.load(std::memory_order_relaxed);
#ifdef _WIN32
  if (codePage == 0) return static_cast<int>(GetACP());
#endif
  return codePage;
}
