// UI::CHeaderCtrlEx: the message list's column header. Paints every section itself
// with two grey gradients, an accent on the sort column, a sort arrow and light/dark
// frame lines; a filler item covers the space right of the last section. It only
// remembers the sort column and direction: the list does the sorting.
#pragma once

#include <QHeaderView>

namespace UI {

class CHeaderCtrlEx : public QHeaderView {
  Q_OBJECT
 public:
  explicit CHeaderCtrlEx(QWidget* pParent = nullptr);

  // Stores the sort column (-1: none) and direction and repaints. Returns the
  // previous sort column.
  int SetSortColumn(int nColumn, bool bAscending);
  int GetSortColumn() const { return m_nSortColumn; }
  bool IsSortAscending() const { return m_bSortAscending; }

  // Gradient accents at the middle of a section.
  static QColor SortAccent() { return QColor(210, 210, 230); }
  static QColor PlainAccent() { return QColor(190, 190, 190); }
  static QColor EdgeColour() { return QColor(210, 210, 210); }

  // The rectangle the label of section nIndex is drawn in, for a section occupying
  // rcItem (viewport coordinates). Exposed for tests.
  QRect LabelRect(const QRect& rcItem, int nIndex) const;

 protected:
  void paintEvent(QPaintEvent* pEvent) override;
  // Draws section nIndex (nIndex == count() is the filler) into rcItem.
  virtual void DrawItem(QPainter& painter, const QRect& rcItem, int nIndex) const;

 private:
  void DrawArrow(QPainter& painter, const QRect& rcItem) const;

  int m_nSortColumn = -1;
  bool m_bSortAscending = true;
};

}  // namespace UI
