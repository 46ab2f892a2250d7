#pragma once
// Process-wide scan state shared by the window, the scan thread and the folder save.
// Every value is an atomic or guarded by its own lock; readers may see a slightly old value.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct tagMailItem;

// A text shared between threads, set whole and read whole.
class CSharedText {
 public:
  explicit CSharedText(size_t maxUnits = 0) : m_nMax(maxUnits) {}
  void Set(const std::u16string& text);
  std::u16string Get() const;

 private:
  mutable std::mutex m_lock;
  std::u16string m_text;
  size_t m_nMax;  // 0: no limit; otherwise texts are cut to maxUnits - 1 units
};

extern CSharedText g_strSourcePath;  // the chosen source's name
extern std::atomic<int> g_bStop;     // stop request for the scan or the folder save
extern std::atomic<int> g_bScanning;
extern std::atomic<int> g_bSaving;   // a folder save runs
extern std::atomic<int> g_bUnsaved;  // records found and not saved yet
extern std::atomic<uint64_t> g_nProgressPos;
extern std::atomic<uint64_t> g_nProgressTotal;
extern std::atomic<int> g_nMailCount;
extern CSharedText g_szStatus;  // status text, 1024 UTF-16 units with the terminator

// The open record; used by the scan thread only.
extern tagMailItem* g_pCurrentMail;

// "找到 %d 封邮件" + "\r\n" + "正在处理 %u 块，总共 %u 个块" with the current counts.
std::u16string BuildScanStatusText();
