#include "scan/scan_state.h"

#include "res/string_table.h"

CSharedText g_strSourcePath;
std::atomic<int> g_bStop{0};
std::atomic<int> g_bScanning{0};
std::atomic<int> g_bSaving{0};
std::atomic<int> g_bUnsaved{0};
std::atomic<uint64_t> g_nProgressPos{0};
std::atomic<uint64_t> g_nProgressTotal{0};
std::atomic<int> g_nMailCount{0};
CSharedText g_szStatus(1024);
tagMailItem* g_pCurrentMail = nullptr;

void CSharedText::Set(const std::u16string& text) {
  std::lock_guard<std::mutex> g(m_lock);
  m_text = (m_nMax > 0 && text.size() >= m_nMax) ? text.substr(0, m_nMax - 1) : text;
}

std::u16string CSharedText::Get() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_text;
}

std::u16string BuildScanStatusText() {
  // The scan builds this text for every record it finds; the second line changes once per
  // chunk, so each thread keeps the last one it made.
  thread_local uint64_t lastPos = UINT64_MAX, lastTotal = UINT64_MAX;
  thread_local std::u16string secondLine;
  const uint64_t pos = g_nProgressPos.load(), total = g_nProgressTotal.load();
  if (pos != lastPos || total != lastTotal) {
    secondLine = u"\r\n" + FormatStringW(LoadStringW(173),
                                         {NumW(static_cast<long long>(pos)), NumW(static_cast<long long>(total))});
    lastPos = pos;
    lastTotal = total;
  }
  return FormatStringW(LoadStringW(163), {NumW(g_nMailCount.load())}) + secondLine;
}
