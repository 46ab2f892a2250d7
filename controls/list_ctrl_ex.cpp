#include "controls/list_ctrl_ex.h"

#include "controls/header_ctrl_ex.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QScrollBar>
#include <algorithm>
#include <deque>
#include <vector>

namespace UI {

// Rows and columns of a CListCtrlEx. A deque keeps insertion at the top and at the
// bottom O(1); texts are stored per row, item data is not owned.
class CListModel : public QAbstractTableModel {
 public:
  using tagRow = CListCtrlEx::tagRow;  // texts: one per column; missing ones read as empty
  struct tagColumn {
    QString strHeading;
    Qt::Alignment nFormat;
  };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(m_columns.size());
  }

  QVariant data(const QModelIndex& index, int nRole) const override {
    if (!index.isValid()) return {};
    if (nRole == Qt::DisplayRole) return Text(index.row(), index.column());
    if (nRole == Qt::TextAlignmentRole) return int(m_columns[size_t(index.column())].nFormat | Qt::AlignVCenter);
    return {};
  }

  QVariant headerData(int nSection, Qt::Orientation orientation, int nRole) const override {
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= int(m_columns.size())) return {};
    if (nRole == Qt::DisplayRole) return m_columns[size_t(nSection)].strHeading;
    if (nRole == Qt::TextAlignmentRole) return int(m_columns[size_t(nSection)].nFormat);
    return {};
  }

  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

  QString Text(int nRow, int nColumn) const {
    const tagRow& row = m_rows[size_t(nRow)];
    return size_t(nColumn) < row.texts.size() ? row.texts[size_t(nColumn)] : QString();
  }

  int InsertColumn(int nCol, const QString& strHeading, Qt::Alignment nFormat) {
    nCol = std::clamp(nCol, 0, int(m_columns.size()));
    beginInsertColumns({}, nCol, nCol);
    m_columns.insert(m_columns.begin() + nCol, tagColumn{strHeading, nFormat});
    for (tagRow& row : m_rows)
      if (size_t(nCol) < row.texts.size()) row.texts.insert(row.texts.begin() + nCol, QString());
    endInsertColumns();
    return nCol;
  }

  int InsertRow(int nRow, const QString& strText, void* pData) {
    nRow = std::clamp(nRow, 0, int(m_rows.size()));
    beginInsertRows({}, nRow, nRow);
    tagRow row;
    row.pData = pData;
    row.texts.assign(std::max<size_t>(m_columns.size(), 1), QString());
    row.texts[0] = strText;
    m_rows.insert(m_rows.begin() + nRow, std::move(row));
    endInsertRows();
    return nRow;
  }

  int InsertRows(int nRow, std::vector<tagRow>&& rows) {
    nRow = std::clamp(nRow, 0, int(m_rows.size()));
    if (rows.empty()) return nRow;
    const size_t nColumns = std::max<size_t>(m_columns.size(), 1);
    for (tagRow& row : rows) row.texts.resize(nColumns);
    beginInsertRows({}, nRow, nRow + int(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + nRow, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
    return nRow;
  }

  bool SetText(int nRow, int nColumn, const QString& strText) {
    if (!ValidRow(nRow) || nColumn < 0 || nColumn >= int(m_columns.size())) return false;
    tagRow& row = m_rows[size_t(nRow)];
    if (size_t(nColumn) >= row.texts.size()) row.texts.resize(size_t(nColumn) + 1);
    row.texts[size_t(nColumn)] = strText;
    const QModelIndex idx = index(nRow, nColumn);
    emit dataChanged(idx, idx, {Qt::DisplayRole});
    return true;
  }

  bool SetData(int nRow, void* pData) {
    if (!ValidRow(nRow)) return false;
    m_rows[size_t(nRow)].pData = pData;
    return true;
  }

  void* Data(int nRow) const { return ValidRow(nRow) ? m_rows[size_t(nRow)].pData : nullptr; }

  bool RemoveRow(int nRow) {
    if (!ValidRow(nRow)) return false;
    beginRemoveRows({}, nRow, nRow);
    m_rows.erase(m_rows.begin() + nRow);
    endRemoveRows();
    return true;
  }

  void RemoveAll() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
  }

  // Orders the rows by the texts of nColumn: UTF-16 code units, an empty text below
  // any other; descending reverses the comparison. Rows with equal texts keep their
  // order. Persistent indexes follow their rows.
  void Sort(int nColumn, bool bAscending) {
    const size_t nCol = size_t(nColumn);
    std::vector<const QString*> keys(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
      const std::vector<QString>& texts = m_rows[i].texts;
      keys[i] = nCol < texts.size() && !texts[nCol].isEmpty() ? &texts[nCol] : nullptr;
    }
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const int n = Compare(keys[size_t(a)], keys[size_t(b)]);
      return bAscending ? n < 0 : n > 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::deque<tagRow> sorted;
    std::vector<int> newRowOf(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
      sorted.push_back(std::move(m_rows[size_t(order[i])]));
      newRowOf[size_t(order[i])] = int(i);
    }
    m_rows.swap(sorted);
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex& idx : persistent)
      changePersistentIndex(idx, index(newRowOf[size_t(idx.row())], idx.column()));
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  }

  static int Compare(const QString* pA, const QString* pB) {
    if (!pA || !pB) return (pA ? 1 : 0) - (pB ? 1 : 0);
    return QString::compare(*pA, *pB, Qt::CaseSensitive);  // code-unit order
  }

 private:
  bool ValidRow(int nRow) const { return nRow >= 0 && nRow < int(m_rows.size()); }

  std::deque<tagRow> m_rows;
  std::vector<tagColumn> m_columns;
};

CListCtrlEx::CListCtrlEx(bool bSortable, QWidget* pParent)
    : QTableView(pParent), m_pModel(new CListModel(this)), m_pHeader(new CHeaderCtrlEx(this)), m_bSortable(bSortable) {
  setModel(m_pModel);
  setHorizontalHeader(m_pHeader);
  m_pHeader->setSectionsClickable(true);
  m_pHeader->setStretchLastSection(false);
  m_pHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_pHeader->setFont(font());
  m_pHeader->setMinimumSectionSize(4);

  // A list, not a grid of cells: whole rows, one at a time, fixed row height so that
  // no row is ever measured.
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setMinimumSectionSize(1);

  // Scroll bars in the list's own colour.
  for (QScrollBar* pBar : {horizontalScrollBar(), verticalScrollBar()}) {
    QPalette pal = pBar->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
      pal.setColor(role, ScrollBarColour());
    pBar->setPalette(pal);
  }

  m_repaintTimer.setSingleShot(true);
  m_repaintTimer.setInterval(kRepaintIntervalMs);
  connect(&m_repaintTimer, &QTimer::timeout, this, [this] {
    // Painted now: the next row would disable updates again before a deferred
    // paint could run.
    if (m_bRedraw) {
      setUpdatesEnabled(true);
      repaint();
    }
  });

  connect(m_pHeader, &QHeaderView::sectionClicked, this, [this](int nColumn) { OnColumnClick(nColumn); });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection&) {
            for (const QItemSelectionRange& range : selected)
              for (int nRow = range.top(); nRow <= range.bottom(); ++nRow) emit ItemSelected(nRow);
          });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { emit ItemDoubleClicked(index.row()); });
}

CListCtrlEx::~CListCtrlEx() = default;

int CListCtrlEx::InsertColumn(int nCol, const QString& strHeading, Qt::Alignment nFormat, int nWidth) {
  const int nIndex = m_pModel->InsertColumn(nCol, strHeading, nFormat & Qt::AlignHorizontal_Mask);
  if (nWidth >= 0) setColumnWidth(nIndex, nWidth);
  return nIndex;
}

int CListCtrlEx::GetColumnCount() const { return m_pModel->columnCount(); }

int CListCtrlEx::InsertItem(int nItem, const QString& strText, void* pData) {
  ThrottleRepaint();
  return m_pModel->InsertRow(nItem, strText, pData);
}

int CListCtrlEx::InsertItems(int nItem, std::vector<tagRow> rows) {
  ThrottleRepaint();
  return m_pModel->InsertRows(nItem, std::move(rows));
}

void CListCtrlEx::ThrottleRepaint() {
  // Rows arriving one by one from a scan would otherwise repaint the list once per
  // row; hold the rows' area back and repaint it once when the interval ends.
  if (!isVisible() || !m_bRedraw || m_repaintTimer.isActive()) return;
  setUpdatesEnabled(false);
  m_repaintTimer.start();
}

bool CListCtrlEx::SetItemText(int nItem, int nSubItem, const QString& strText) {
  return m_pModel->SetText(nItem, nSubItem, strText);
}

QString CListCtrlEx::GetItemText(int nItem, int nSubItem) const {
  if (nItem < 0 || nItem >= GetItemCount() || nSubItem < 0 || nSubItem >= GetColumnCount()) return {};
  return m_pModel->Text(nItem, nSubItem);
}

bool CListCtrlEx::SetItemData(int nItem, void* pData) { return m_pModel->SetData(nItem, pData); }

void* CListCtrlEx::GetItemData(int nItem) const { return m_pModel->Data(nItem); }

int CListCtrlEx::GetItemCount() const { return m_pModel->rowCount(); }

bool CListCtrlEx::DeleteItem(int nItem) { return m_pModel->RemoveRow(nItem); }

bool CListCtrlEx::DeleteAllItems() {
  m_pHeader->SetSortColumn(-1, m_pHeader->IsSortAscending());
  m_pModel->RemoveAll();
  return true;
}

int CListCtrlEx::GetSelectedItem() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

bool CListCtrlEx::SelectItem(int nItem) {
  if (nItem < 0) {
    selectionModel()->clear();
    return true;
  }
  if (nItem >= GetItemCount()) return false;
  const QModelIndex idx = m_pModel->index(nItem, 0);
  selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(idx);
  return true;
}

void CListCtrlEx::SortByColumn(int nColumn, bool bAscending) {
  if (!m_bSortable) return;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  m_pHeader->SetSortColumn(nColumn, bAscending);
  // No row stays selected or current.
  selectionModel()->clear();
  if (GetItemCount() >= 2 && GetColumnCount() > 0 && nColumn >= 0 && nColumn < GetColumnCount())
    m_pModel->Sort(nColumn, bAscending);
  QGuiApplication::restoreOverrideCursor();
}

void CListCtrlEx::SetRedraw(bool bRedraw) {
  m_bRedraw = bRedraw;
  setUpdatesEnabled(bRedraw);
  if (bRedraw) viewport()->update();
}

void CListCtrlEx::OnColumnClick(int nColumn) {
  const bool bAscending = nColumn != m_pHeader->GetSortColumn() || !m_pHeader->IsSortAscending();
  SortByColumn(nColumn, bAscending);
}

void CListCtrlEx::changeEvent(QEvent* pEvent) {
  QTableView::changeEvent(pEvent);
  // The header and the rows follow the list's font.
  if (pEvent->type() == QEvent::FontChange) {
    m_pHeader->setFont(font());
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  }
}

void CListCtrlEx::contextMenuEvent(QContextMenuEvent* pEvent) {
  emit ContextMenuRequested(pEvent->globalPos());
  pEvent->accept();
}

}  // namespace UI
