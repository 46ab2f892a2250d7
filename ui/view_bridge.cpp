#include "ui/view_bridge.h"

#include <QTimer>

#include "controls/list_ctrl_ex.h"
#include "ui/qt_text.h"
#include "ui/ui_caller.h"

CViewBridge::CViewBridge(QObject* parent) : QObject(parent) {
  m_pCaller = new CUiCaller(this);
  m_pFlushTimer = new QTimer(this);
  m_pFlushTimer->setSingleShot(true);
  m_pFlushTimer->setInterval(UI::CListCtrlEx::kRepaintIntervalMs);
  // While batches keep coming, the next one waits for the end of the interval.
  connect(m_pFlushTimer, &QTimer::timeout, this, [this] {
    if (FlushPending()) m_pFlushTimer->start();
  });
}

CViewBridge::~CViewBridge() { m_pCaller->Close(); }

void CViewBridge::Close() { m_pCaller->Close(); }

bool CViewBridge::CallUi(const std::function<void()>& fn) {
  return m_pCaller->Call([this, &fn] {
    FlushPending();
    fn();
  });
}

void CViewBridge::PostPendingFlush() {
  // Called with m_pending.lock not held. One call is on its way at a time; FlushPending
  // clears the flag when it takes the data.
  bool post;
  {
    std::lock_guard<std::mutex> g(m_pending.lock);
    post = !std::exchange(m_pending.bPosted, true);
  }
  if (post) m_pCaller->Post([this] { OnPendingPosted(); });
}

void CViewBridge::OnPendingPosted() {
  if (m_pFlushTimer->isActive()) return;  // the timer takes it in at the interval's end
  FlushPending();
  m_pFlushTimer->start();
}

bool CViewBridge::FlushPending() {
  FoundMails mails;
  std::optional<std::u16string> status;
  std::optional<uint64_t> pos;
  {
    std::lock_guard<std::mutex> g(m_pending.lock);
    mails.swap(m_pending.arrMails);
    status.swap(m_pending.strStatus);
    pos.swap(m_pending.nProgressPos);
    m_pending.bPosted = false;
  }
  if (pos) emit ProgressPosChanged(*pos);
  if (status) emit StatusTextChanged(W(*status));
  if (mails.empty()) return pos || status;
  emit MailsFound(mails);
  return true;
}

void CViewBridge::EnableButton(ViewButton button, bool enable) {
  CallUi([this, button, enable] { emit ButtonEnabled(static_cast<int>(button), enable); });
}

void CViewBridge::SetProgressRange(uint64_t total) {
  CallUi([this, total] { emit ProgressRangeSet(total); });
}

void CViewBridge::SetProgressPos(uint64_t pos) {
  {
    std::lock_guard<std::mutex> g(m_pending.lock);
    m_pending.nProgressPos = pos;
  }
  PostPendingFlush();
}

void CViewBridge::SetStatusText(const std::u16string& text) {
  {
    std::lock_guard<std::mutex> g(m_pending.lock);
    m_pending.strStatus = text;
  }
  PostPendingFlush();
}

void CViewBridge::ResetFolders(const CFolderTable&) {
  CallUi([this] { emit FoldersReset(); });
}

void CViewBridge::MailAdded(tagFolderItem* folder, tagMailItem* item) {
  {
    std::lock_guard<std::mutex> g(m_pending.lock);
    m_pending.arrMails.emplace_back(folder, item);
  }
  PostPendingFlush();
}

void CViewBridge::EndOfScanFolderUpdate(tagFolderItem* inbox, size_t count) {
  CallUi([this, inbox, count] { emit ScanEnded(inbox, count); });
}

bool CViewBridge::WindowExists() { return !m_pCaller->IsClosed(); }

tagFolderItem* CViewBridge::SelectedFolder() {
  tagFolderItem* folder = nullptr;
  CallUi([this, &folder] {
    if (fnSelectedFolder) folder = fnSelectedFolder();
  });
  return folder;
}

bool CViewBridge::ChooseSaveDirectory(const std::u16string& title, std::u16string& path) {
  QString chosen;
  CallUi([this, &title, &chosen] {
    if (fnChooseDirectory) chosen = fnChooseDirectory(W(title));
  });
  path = chosen.toStdU16String();
  return !chosen.isEmpty();
}

void CViewBridge::ShowMessage(const std::u16string& text) {
  CallUi([this, &text] { emit MessageShown(W(text)); });
}
