// UI::CListCtrlEx: the report list that shows the messages of a folder. Rows carry
// one text per column and an item-data pointer the list does not own. A click on a
// column header sorts the rows by that column (first click ascending, every further
// click on the same column flips), comparing texts by UTF-16 code units with empty
// texts first. Built on a flat model: inserting at either end costs O(1) there and the
// view keeps no per-row layout. The view's own bookkeeping of an insertion still costs
// in proportion to the rows already listed, so rows that arrive in quick succession (a
// scan's) go in as batches through InsertItems: 100,000 rows one by one take seconds,
// in batches a fraction of that.
// Thread: GUI thread only.
#pragma once

#include <QTableView>
#include <QTimer>
#include <vector>

namespace UI {

class CHeaderCtrlEx;
class CListModel;

class CListCtrlEx : public QTableView {
  Q_OBJECT
 public:
  // Without bSortable, column clicks and SortByColumn do nothing.
  explicit CListCtrlEx(bool bSortable = true, QWidget* pParent = nullptr);
  ~CListCtrlEx() override;

  CHeaderCtrlEx* GetHeaderCtrl() const { return m_pHeader; }
  bool IsSortable() const { return m_bSortable; }

  // Inserts a column at nCol (clamped to the column count) with its heading,
  // alignment (Qt::AlignLeft, Qt::AlignHCenter or Qt::AlignRight) and width in
  // pixels (-1: default). Returns the column's index.
  int InsertColumn(int nCol, const QString& strHeading, Qt::Alignment nFormat = Qt::AlignLeft, int nWidth = -1);
  int GetColumnCount() const;

  // Inserts a row at nItem (clamped to 0..row count) with strText in column 0 and
  // pData as its item data. Returns the row's index. While rows keep arriving the
  // visible list repaints at most once per kRepaintIntervalMs.
  int InsertItem(int nItem, const QString& strText, void* pData = nullptr);

  // One row for InsertItems: its item data and its texts, column 0 first (missing
  // texts read as empty, extra ones are dropped).
  struct tagRow {
    void* pData = nullptr;
    std::vector<QString> texts;
  };
  // Inserts rows at nItem (clamped to 0..row count) in their given order, as one
  // change of the list: the view takes them in at once, however many there are.
  // Returns the index of the first. Selection and the current row stay on their rows.
  int InsertItems(int nItem, std::vector<tagRow> rows);
  bool SetItemText(int nItem, int nSubItem, const QString& strText);
  QString GetItemText(int nItem, int nSubItem) const;  // empty when out of range
  bool SetItemData(int nItem, void* pData);
  void* GetItemData(int nItem) const;  // nullptr when out of range
  int GetItemCount() const;
  bool DeleteItem(int nItem);
  // Clears the header's sort column, then removes every row.
  bool DeleteAllItems();

  // The selected row, or -1. Selection is single-row.
  int GetSelectedItem() const;
  // Selects row nItem and makes it current; -1 clears the selection.
  bool SelectItem(int nItem);

  // Sorts the rows by the texts of nColumn and marks it in the header. Does nothing
  // unless the list is sortable. No row is selected afterwards.
  void SortByColumn(int nColumn, bool bAscending);

  static constexpr int kRepaintIntervalMs = 40;
  static QColor ScrollBarColour() { return QColor(200, 220, 240); }

  // Off: the list stops repainting (for bulk insertion); on: repaints once.
  void SetRedraw(bool bRedraw);

 signals:
  // Row nItem became selected (not emitted for deselection).
  void ItemSelected(int nItem);
  // Right click or context-menu key; a row under the cursor is selected first.
  void ContextMenuRequested(const QPoint& ptGlobal);
  void ItemDoubleClicked(int nItem);

 protected:
  // A click on header section nColumn: ascending unless it is the sort column
  // already sorted ascending.
  virtual void OnColumnClick(int nColumn);
  void contextMenuEvent(QContextMenuEvent* pEvent) override;
  void changeEvent(QEvent* pEvent) override;

 private:
  void ThrottleRepaint();

  CListModel* m_pModel = nullptr;
  CHeaderCtrlEx* m_pHeader = nullptr;
  bool m_bSortable = true;
  bool m_bRedraw = true;  // SetRedraw's state
  QTimer m_repaintTimer;
};

}  // namespace UI
