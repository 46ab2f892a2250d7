#include "cli/terminal_view.h"

#include <cstdio>

#include "scan/folders.h"
#include "source/utf.h"

void CTerminalView::SetProgressRange(uint64_t total) {
  m_nTotal = total;
  m_nPos = 0;
}

void CTerminalView::SetProgressPos(uint64_t pos) {
  m_nPos = pos;
  Draw(false);
}

void CTerminalView::SetStatusText(const std::u16string& text) {
  m_strStatus = text;
  Draw(text.empty());
}

void CTerminalView::Draw(bool force) {
  if (!m_bProgress) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  if (m_strStatus.empty() && m_nTotal == 0) {
    ClearLine();
    return;
  }
  // One line: a bar of 30 cells, the percentage, the status with its line break as " | ".
  std::u16string status = m_strStatus;
  for (size_t p; (p = status.find(u"\r\n")) != std::u16string::npos;) status.replace(p, 2, u" | ");
  const int cells = 30;
  const int filled = m_nTotal ? static_cast<int>(m_nPos * cells / m_nTotal) : 0;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(cells, '.');
  const int pct = m_nTotal ? static_cast<int>(m_nPos * 100 / m_nTotal) : 0;
  std::fprintf(stderr, "\r\033[K[%s] %3d%% %s", bar.c_str(), pct, U16ToUtf8(status).c_str());
  std::fflush(stderr);
  m_bLineShown = true;
}

void CTerminalView::ClearLine() {
  if (m_bLineShown) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_bLineShown = false;
  }
}

tagFolderItem* CTerminalView::SelectedFolder() { return g_Folders.Inbox(); }

bool CTerminalView::ChooseSaveDirectory(const std::u16string&, std::u16string& path) {
  if (m_strSaveDir.empty()) return false;
  path = m_strSaveDir;
  return true;
}

void CTerminalView::ShowMessage(const std::u16string& text) {
  ClearLine();
  // Line breaks as the terminal wants them: the CRs before each LF go.
  std::u16string t;
  t.reserve(text.size());
  for (const char16_t c : text) {
    if (c == u'\n')
      while (!t.empty() && t.back() == u'\r') t.pop_back();
    t += c;
  }
  std::fprintf(stderr, "%s\n", U16ToUtf8(t).c_str());
}
