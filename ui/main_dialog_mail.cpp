// CKorvaneDlg: the folder tree, the message list, the preview, the search and the saves.

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QThread>
#include <QTreeWidget>

#include "codec/codepage.h"
#include "controls/button_ex.h"
#include "controls/list_ctrl_ex.h"
#include "controls/splitter_ex.h"
#include "mail/export.h"
#include "mail/render.h"
#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "ui/html_ctrl.h"
#include "ui/main_dialog.h"
#include "ui/qt_text.h"
#include "ui/search_dialog.h"
#include "ui/skin.h"
#include "ui/user_prompts.h"

#include <QDesktopServices>

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

// A wait cursor for the life of the object.
class CWaitCursor {
 public:
  CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// The row of a record: marker, sender, received time, subject.
UI::CListCtrlEx::tagRow MailRow(tagMailItem* item) {
  item->MergePendingAttachments();
  bool attachments;
  {
    auto lock = item->Lock();
    attachments = item->pAttachments != nullptr;
  }
  QString marker = (item->nPriority == 1 || item->nPriority == 2) ? QStringLiteral("!") : QStringLiteral(" ");
  if (attachments) marker += QLatin1Char('&');
  UI::CListCtrlEx::tagRow row;
  row.pData = item;
  row.texts = {marker, W(item->strFromW), W(AnsiToWide(item->strDate)), W(item->strSubjectW)};
  return row;
}

}  // namespace

tagFolderItem* CKorvaneDlg::FolderOfItem(QTreeWidgetItem* item) const {
  if (!item) return nullptr;
  auto* folder = reinterpret_cast<tagFolderItem*>(item->data(0, kFolderRole).value<quintptr>());
  if (!folder) return nullptr;
  // A new scan replaces the folder table before the tree is rebuilt; until then the old
  // tree items name folders that no longer exist.
  for (tagFolderItem* f : g_Folders.Folders()) {
    if (f == folder && f->hItem == item) return folder;
  }
  return nullptr;
}

bool CKorvaneDlg::SaveCommandsAllowed() const { return !g_bScanning.load() && !g_bSaving.load(); }

void CKorvaneDlg::UpdateSaveButton() { m_pSave->setEnabled(m_pList->GetItemCount() > 0 && SaveCommandsAllowed()); }

// ---------------------------------------------------------------------------------------
// Tree

void CKorvaneDlg::ResetFoldersView() {
  m_setListed.clear();
  m_pList->DeleteAllItems();
  {
    const QSignalBlocker block(m_pTree);
    m_pTree->clear();
  }
  m_pRootItem = m_pInboxItem = nullptr;
  m_pFind->setEnabled(false);

  m_pRootItem = new QTreeWidgetItem(m_pTree, {W(g_Folders.RootText())});
  m_pRootItem->setIcon(0, TreeIcon(0));
  for (tagFolderItem* folder : g_Folders.Folders()) {
    auto* item = new QTreeWidgetItem(m_pRootItem, {W(folder->strName)});
    item->setIcon(0, TreeIcon(2));
    item->setData(0, kFolderRole, QVariant::fromValue(reinterpret_cast<quintptr>(folder)));
    folder->hItem = item;
    if (folder->strName == CFolderTable::InboxName()) m_pInboxItem = item;
  }
  m_pRootItem->setExpanded(true);
  // The Inbox is shown from the start, so a scan's messages appear as they are found.
  if (m_pInboxItem) m_pTree->setCurrentItem(m_pInboxItem);
  OnFolderSelChanged();
}

void CKorvaneDlg::OnFolderSelChanged() {
  RecreatePreviewControl();
  m_setListed.clear();
  m_pList->DeleteAllItems();
  QTreeWidgetItem* current = m_pTree->currentItem();
  if (tagFolderItem* folder = FolderOfItem(current)) {
    CWaitCursor wait;
    m_pList->SetRedraw(false);
    // In the order found, oldest on top, as one insertion.
    const std::vector<tagMailItem*> mails = g_Folders.Snapshot(folder);
    std::vector<UI::CListCtrlEx::tagRow> rows;
    rows.reserve(mails.size());
    m_setListed.reserve(mails.size());
    for (tagMailItem* item : mails) {
      rows.push_back(MailRow(item));
      m_setListed.insert(item);
    }
    m_pList->InsertItems(0, std::move(rows));
    if (!mails.empty() && !m_pFind->isEnabled()) m_pFind->setEnabled(true);
    m_pList->SetRedraw(true);
  }
  UpdateSaveButton();
}

void CKorvaneDlg::InsertMailRow(tagMailItem* item, int row) {
  m_pList->InsertItems(row, {MailRow(item)});
  m_setListed.insert(item);
  if (!m_pFind->isEnabled()) m_pFind->setEnabled(true);
}

void CKorvaneDlg::InsertFoundMails(const FoundMails& mails) {
  tagFolderItem* shown = FolderOfItem(m_pTree->currentItem());
  if (!shown) return;
  std::vector<UI::CListCtrlEx::tagRow> rows;
  for (auto it = mails.rbegin(); it != mails.rend(); ++it) {
    if (it->first != shown || !m_setListed.insert(it->second).second) continue;
    rows.push_back(MailRow(it->second));
  }
  if (rows.empty()) return;
  m_pList->InsertItems(0, std::move(rows));
  if (!m_pFind->isEnabled()) m_pFind->setEnabled(true);
}

QMenu* CKorvaneDlg::CreateFolderMenu() {
  QTreeWidgetItem* current = m_pTree->currentItem();
  if (!current || !current->parent()) return nullptr;
  tagFolderItem* folder = FolderOfItem(current);
  if (!folder || g_Folders.Count(folder) == 0) return nullptr;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("ROOT2"));
  QAction* eml = menu->addAction(QStringLiteral("保存成eml文件"), this, [this] { OnSaveFolder(EML); });
  menu->addSeparator();
  QAction* txt = menu->addAction(QStringLiteral("保存成txt文件"), this, [this] { OnSaveFolder(TXT); });
  eml->setData(ID_SAVE_FOLDER_EML);
  txt->setData(ID_SAVE_FOLDER_TXT);
  // A folder save never runs beside a scan or another save.
  eml->setEnabled(SaveCommandsAllowed());
  txt->setEnabled(SaveCommandsAllowed());
  return menu;
}

void CKorvaneDlg::OnFolderRClick(const QPoint& pos) {
  if (QTreeWidgetItem* hit = m_pTree->itemAt(pos)) {
    if (hit != m_pTree->currentItem()) m_pTree->setCurrentItem(hit);
  }
  std::unique_ptr<QMenu> menu(CreateFolderMenu());
  if (menu) menu->exec(m_pTree->viewport()->mapToGlobal(pos));
}

// ---------------------------------------------------------------------------------------
// List and preview

void CKorvaneDlg::OnMailItemChanged(int row) {
  if (row < 0 || row >= m_pList->GetItemCount()) return;
  auto* item = static_cast<tagMailItem*>(m_pList->GetItemData(row));
  if (!item) return;
  CWaitCursor wait;
  ShowMailPreview(item);
}

void CKorvaneDlg::ShowMailPreview(tagMailItem* item) {
  RecreatePreviewControl();
  const tagMailPreview preview = BuildMailPreview(*item);
  if (preview.bShow && m_pPreview) m_pPreview->LoadHtml(preview.strHtml);
}

void CKorvaneDlg::RecreatePreviewControl() {
  if (QThread::currentThread() != thread()) return;
  QRect place;
  if (m_pPreview) {
    place = m_pPreview->geometry();
    delete m_pPreview;
  }
  m_pPreview = new CHtmlCtrl(this);
  m_pPreview->setGeometry(place);
  ConnectPreviewLinks();
  m_pSplitX->AddAfter(m_pPreview);
  m_pSplitY->AddAfter(m_pPreview);
  m_pPreview->show();
}

void CKorvaneDlg::ConnectPreviewLinks() {
  connect(m_pPreview, &CHtmlCtrl::ExternalLinkClicked, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
  connect(m_pPreview, &CHtmlCtrl::LinkNotOpened, this, &CKorvaneDlg::ShowLinkAddress);
}

void CKorvaneDlg::ShowLinkAddress(const QUrl& url) {
  // The address as it would be sent, so that it can be copied; a mail's link can be
  // megabytes long, a message box shows the first 2,000 characters.
  QString address = url.toString(QUrl::FullyEncoded);
  if (address.size() > 2000) address = address.left(2000) + QStringLiteral("…");
  const QString why = CHtmlCtrl::RunningAsRoot()
                          ? QStringLiteral("本程序以 root 身份运行，为了安全，邮件中的链接不会在浏览器中打开。")
                          : QStringLiteral("这个链接不是网页或邮件地址，为了安全不会打开它。");
  Prompts().Inform(this, why + QStringLiteral("\r\n链接地址：\r\n") + address);
}

QMenu* CKorvaneDlg::CreateMailMenu(bool withProperties) {
  const int row = m_pList->GetSelectedItem();
  if (row < 0 || !m_pList->GetItemData(row)) return nullptr;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("ROOT1"));
  QAction* eml = menu->addAction(QStringLiteral("保存成eml文件"), this, [this] { OnSaveMail(EML); });
  menu->addSeparator();
  QAction* txt = menu->addAction(QStringLiteral("保存成txt文件"), this, [this] { OnSaveMail(TXT); });
  eml->setData(ID_SAVE_MAIL_EML);
  txt->setData(ID_SAVE_MAIL_TXT);
  if (withProperties) {
    menu->addSeparator();
    QAction* props = menu->addAction(QStringLiteral("查看属性"), this, &CKorvaneDlg::OnMailProperties);
    props->setData(ID_MAIL_PROPERTIES);
  }
  return menu;
}

void CKorvaneDlg::OnMailRClick(const QPoint& globalPos) {
  std::unique_ptr<QMenu> menu(CreateMailMenu(IsChordHeld()));
  if (menu) menu->exec(globalPos);
}

void CKorvaneDlg::OnMailProperties() {
  const int row = m_pList->GetSelectedItem();
  if (row < 0) return;
  auto* item = static_cast<tagMailItem*>(m_pList->GetItemData(row));
  if (!item) return;
  Prompts().Inform(
      this, W(FormatStringW(LoadStringW(103), {g_strSourcePath.Get(), NumW(static_cast<long long>(item->nSector))})));
}

// ---------------------------------------------------------------------------------------
// Search

void CKorvaneDlg::OnBnClickedFind() {
  const int count = m_pList->GetItemCount();
  if (count == 0) return;
  CSearchDlg dlg(this);
  dlg.m_strText = LastSearchText();
  if (dlg.exec() != QDialog::Accepted || dlg.m_strText.empty()) return;
  LastSearchText() = dlg.m_strText;
  std::vector<const tagMailItem*> rows;
  rows.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) rows.push_back(static_cast<const tagMailItem*>(m_pList->GetItemData(i)));
  const int match = FindNextMatch(rows, m_pList->GetSelectedItem(), LowerAscii(dlg.m_strText));
  if (match < 0) return;
  m_pList->SelectItem(match);
  m_pList->scrollTo(m_pList->model()->index(match, 0));
  m_pList->setFocus();
}

// ---------------------------------------------------------------------------------------
// Saving

void CKorvaneDlg::OnSaveFolder(SaveKind kind) {
  // The save itself refuses to run beside a scan or another save (g_bSaving); the commands
  // are off meanwhile so that the user is not offered what would do nothing.
  if (!SaveCommandsAllowed()) return;
  m_pSave->setEnabled(false);
  m_pData->setEnabled(false);
  StartWorker([this, kind] {
    FolderSaveThread(m_pBridge, kind);
    // The save's end restored the buttons; the Save button follows the list again.
    m_pBridge->CallUi([this] { UpdateSaveButton(); });
  });
}

void CKorvaneDlg::OnSaveMail(SaveKind kind) {
  const int row = m_pList->GetSelectedItem();
  if (row < 0) return;
  auto* item = static_cast<tagMailItem*>(m_pList->GetItemData(row));
  if (!item) return;
  std::string content;
  {
    CWaitCursor wait;
    content = SingleMailContent(*item, kind);
  }
  if (content.empty()) return;
  const QString filter = kind == EML ? QStringLiteral("EMail File(*.eml)") : QStringLiteral("Text File(*.txt)");
  const QString path = Prompts().SaveFile(this, W(SuggestedFileName(*item, kind)), filter);
  if (path.isEmpty()) return;
  if (!WriteMailFile(path.toStdU16String(), content)) Prompts().Inform(this, W(LoadStringW(174)));
}
