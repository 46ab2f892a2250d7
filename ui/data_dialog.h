#pragma once
// CDataDlg: the modal "选择数据" dialog in which the user chooses what to scan: a volume or a
// whole disk of this machine (probed by opening it) or an image / store file added with
// "打开磁盘镜像文件". After OK, m_strPath holds the chosen source name in the form CDisk
// opens ("sda1", "HD0", or a full file path).
// UI thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "controls/dialog_skin.h"

class CButtonEx;
class QTreeWidget;
class QTreeWidgetItem;

// "%s  (%0.2fM)" for at most 2,091,008 sectors (1021 MiB), else "%s  (%0.2fG)".
QString FormatSourceSizeText(const QString& name, uint64_t sectors);

// A source the dialog offers under "本地磁盘".
struct tagSourceCandidate {
  std::u16string strName;   // source name for CDisk::Open
  std::u16string strLabel;  // volume label or mount point; empty for none
  bool bWholeDisk = false;
};
// The volumes of this machine, then the disk codes HD0 .. HD7. Not probed yet.
std::vector<tagSourceCandidate> ListSourceCandidates();

class CDataDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  explicit CDataDlg(QWidget* parent = nullptr);

  std::u16string m_strPath;  // the chosen source; empty until OK

  // Replaces the machine's list of candidates (tests). Null restores it.
  static void SetCandidateListerForTesting(std::function<std::vector<tagSourceCandidate>()> lister);

  QTreeWidget* Tree() const { return m_pTree; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildTree();
  void OnOpenImage();
  void OnSelectionChanged();
  void OnOk();
  // Appends `path` to m_arrPaths and returns its index.
  int AddPath(const std::u16string& path);

  QTreeWidget* m_pTree = nullptr;
  QTreeWidgetItem* m_pDiskGroup = nullptr;
  QTreeWidgetItem* m_pImageGroup = nullptr;
  CButtonEx* m_pOk = nullptr;
  CButtonEx* m_pCancel = nullptr;
  CButtonEx* m_pOpenImage = nullptr;
  std::vector<std::u16string> m_arrPaths;  // index 0: no source (the group items)
  bool m_bBuilt = false;
};
