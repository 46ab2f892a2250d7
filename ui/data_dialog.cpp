#include "ui/data_dialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/button_ex.h"
#include "res/string_table.h"
#include "source/disk.h"
#include "source/disk_list.h"
#include "source/utf.h"
#include "ui/qt_text.h"
#include "ui/skin.h"
#include "ui/user_prompts.h"

namespace {

constexpr uint64_t kLargestMegabyteSource = 2091008;  // sectors: 1021 MiB
constexpr int kPathRole = Qt::UserRole + 1;

std::function<std::vector<tagSourceCandidate>()>& CandidateLister() {
  static std::function<std::vector<tagSourceCandidate>()> lister;
  return lister;
}

}  // namespace

QString FormatSourceSizeText(const QString& name, uint64_t sectors) {
  const double bytes = static_cast<double>(sectors) * 512.0;
  if (sectors <= kLargestMegabyteSource) {
    return QStringLiteral("%1  (%2M)").arg(name).arg(bytes / 1024 / 1024, 0, 'f', 2);
  }
  return QStringLiteral("%1  (%2G)").arg(name).arg(bytes / 1024 / 1024 / 1024, 0, 'f', 2);
}

std::vector<tagSourceCandidate> ListSourceCandidates() {
  if (CandidateLister()) return CandidateLister()();
  std::vector<tagSourceCandidate> out;
  for (const tagVolumeInfo& v : ListVolumes()) {
    out.push_back({Utf8ToU16(v.strName), Utf8ToU16(v.strLabel), false});
  }
  for (int n = 0; n < 8; ++n) {
    const std::string code = "HD" + std::to_string(n);
    out.push_back({Utf8ToU16(code), {}, true});
  }
  return out;
}

void CDataDlg::SetCandidateListerForTesting(std::function<std::vector<tagSourceCandidate>()> lister) {
  CandidateLister() = std::move(lister);
}

CDataDlg::CDataDlg(QWidget* parent) : CSkinnedDialog(parent) {
  SetSkin(SkinPixmap());
  setObjectName(QStringLiteral("dataDialog"));
  setWindowTitle(QStringLiteral("选择数据"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(420, 400);

  auto* prompt = new QLabel(QStringLiteral("请选择要扫描的邮件位置，\n可以是文件、分区或者整个硬盘。"), this);
  m_pTree = new QTreeWidget(this);
  m_pTree->setObjectName(QStringLiteral("sourceTree"));
  m_pTree->setHeaderHidden(true);
  m_pTree->setRootIsDecorated(true);
  m_pTree->setIconSize(QSize(16, 16));
  m_pOpenImage = new CButtonEx(QStringLiteral("打开磁盘镜像文件"), this);
  m_pOpenImage->setObjectName(QStringLiteral("openImageButton"));
  m_pOk = new CButtonEx(QStringLiteral("确认"), this);
  m_pOk->setObjectName(QStringLiteral("okButton"));
  m_pCancel = new CButtonEx(QStringLiteral("取消"), this);
  m_pCancel->setObjectName(QStringLiteral("cancelButton"));
  for (QPushButton* b : {static_cast<QPushButton*>(m_pOpenImage), static_cast<QPushButton*>(m_pOk),
                         static_cast<QPushButton*>(m_pCancel)}) {
    b->setAutoDefault(false);
    b->setMinimumHeight(30);
  }

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pOpenImage);
  buttons->addStretch(1);
  buttons->addWidget(m_pOk);
  buttons->addWidget(m_pCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(m_pTree, 1);
  layout->addLayout(buttons);

  connect(m_pOpenImage, &QPushButton::clicked, this, &CDataDlg::OnOpenImage);
  connect(m_pOk, &QPushButton::clicked, this, &CDataDlg::OnOk);
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pTree, &QTreeWidget::currentItemChanged, this, &CDataDlg::OnSelectionChanged);
  connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &CDataDlg::OnSelectionChanged);
  m_pOk->setEnabled(false);
}

void CDataDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_bBuilt) return;
  m_bBuilt = true;
  // Built once the dialog is on the screen, so that string 150 has a parent to sit on.
  QTimer::singleShot(0, this, &CDataDlg::BuildTree);
}

int CDataDlg::AddPath(const std::u16string& path) {
  m_arrPaths.push_back(path);
  return static_cast<int>(m_arrPaths.size() - 1);
}

void CDataDlg::BuildTree() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  m_arrPaths.assign(1, std::u16string());
  m_pTree->clear();
  m_pDiskGroup = new QTreeWidgetItem(m_pTree, {W(LoadStringW(141))});
  m_pDiskGroup->setIcon(0, TreeIcon(12));
  m_pDiskGroup->setData(0, kPathRole, 0);

  for (const tagSourceCandidate& c : ListSourceCandidates()) {
    CDisk disk;
    if (!disk.Open(c.strName)) continue;
    QString text = W(c.strName);
    if (!c.strLabel.empty()) text += QStringLiteral("  [") + W(c.strLabel) + QStringLiteral("]");
    auto* item = new QTreeWidgetItem(m_pDiskGroup, {FormatSourceSizeText(text, disk.GetSectorCount())});
    item->setIcon(0, TreeIcon(c.bWholeDisk ? 12 : 10));
    item->setData(0, kPathRole, AddPath(c.strName));
    disk.Close();
  }
  m_pDiskGroup->setExpanded(true);
  m_pTree->setCurrentItem(m_pDiskGroup);
  const bool none = m_pDiskGroup->childCount() == 0;

  m_pImageGroup = new QTreeWidgetItem(m_pTree, {W(LoadStringW(142))});
  m_pImageGroup->setIcon(0, TreeIcon(11));
  m_pImageGroup->setData(0, kPathRole, 0);
  OnSelectionChanged();
  QGuiApplication::restoreOverrideCursor();
  if (none) Prompts().Inform(this, W(LoadStringW(150)));
}

void CDataDlg::OnOpenImage() {
  const QString path = Prompts().OpenFile(this, QStringLiteral("打开磁盘镜像文件"),
                                          QStringLiteral("File(*.img *.dsk *.hex *.dbx *.box);;All Files(*)"));
  if (path.isEmpty() || !m_pImageGroup) return;
  const std::u16string name = path.toStdU16String();
  CDisk disk;
  if (!disk.Open(name) || disk.GetSectorCount() == 0) return;
  auto* item = new QTreeWidgetItem(m_pImageGroup, {FormatSourceSizeText(path, disk.GetSectorCount())});
  item->setIcon(0, TreeIcon(11));
  item->setData(0, kPathRole, AddPath(name));
  m_pImageGroup->setExpanded(true);
  m_pTree->setCurrentItem(item);
}

void CDataDlg::OnSelectionChanged() {
  QTreeWidgetItem* item = m_pTree->currentItem();
  m_pOk->setEnabled(item && item->isSelected() && item->data(0, kPathRole).toInt() != 0);
}

void CDataDlg::OnOk() {
  QTreeWidgetItem* item = m_pTree->currentItem();
  if (!item) return;
  const int index = item->data(0, kPathRole).toInt();
  if (index < 1 || index >= static_cast<int>(m_arrPaths.size())) return;
  m_strPath = m_arrPaths[static_cast<size_t>(index)];
  CDisk probe;
  if (probe.Open(m_strPath)) {
    probe.Close();
    accept();
    return;
  }
  Prompts().Inform(this, W(LoadStringW(112)));
}
