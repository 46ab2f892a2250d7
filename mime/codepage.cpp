// The process-wide ANSI code page.
#include "mime/codepage.h"

#include <atomic>

namespace {
std::atomic<int> g_nAnsiCodePage{936};
}

void SetAnsiCodePage(int codePage) {
  // The placeholders themselves cannot be the ANSI code page.
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage < 0) return;
  g_nAnsiCodePage.store(codePage, std::memory_order_relaxed);
}

int GetAnsiCodePage() { return g_nAnsiCodePage.load(std::memory_order_relaxed); }
