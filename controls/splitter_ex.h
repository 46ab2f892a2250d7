// CSplitterEx, CSplitterWndX, CSplitterWndY: the bars between the main window's
// panes. Dragging a bar with the left button moves an inverted outline; when the
// drag ends (button up, right button, Escape) the bar moves there and resizes the
// neighbour widgets registered with AddBefore/AddAfter, then emits PositionApplied.
// The drag range keeps every neighbour at least the margin wide. The bars move their
// neighbours themselves; they work together with the owner's own layout code, which
// reads the neighbours' geometry back.
// Thread: GUI thread only. Neighbours are not owned; destroyed ones are skipped.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

class CSplitterEx : public QWidget {
  Q_OBJECT
 public:
  // The bar is a child of pParent, which must also be the neighbours' parent.
  explicit CSplitterEx(QWidget* pParent);
  ~CSplitterEx() override;

  // Neighbours left of (above) and right of (below) the bar.
  void AddBefore(QWidget* pWidget);
  void AddAfter(QWidget* pWidget);

  bool IsDragging() const { return m_bDragging; }

  static QColor BarColour() { return QColor(220, 230, 240); }

 signals:
  // The bar moved and its neighbours were resized.
  void PositionApplied();

 protected:
  // Allowed positions of the bar's leading edge (x for X, y for Y), in the parent's
  // coordinates, inclusive. False: the bar cannot move.
  virtual bool GetDragRange(int& nLowest, int& nHighest) const = 0;
  // Resizes the neighbours to the bar's current place.
  virtual void ApplyPosition() = 0;
  // True for a bar dragged sideways.
  virtual bool IsHorizontalDrag() const = 0;

  void paintEvent(QPaintEvent* pEvent) override;
  void mousePressEvent(QMouseEvent* pEvent) override;
  void mouseMoveEvent(QMouseEvent* pEvent) override;
  void mouseReleaseEvent(QMouseEvent* pEvent) override;
  void keyPressEvent(QKeyEvent* pEvent) override;
  void focusOutEvent(QFocusEvent* pEvent) override;
  void hideEvent(QHideEvent* pEvent) override;

  std::vector<QPointer<QWidget>> m_listBefore;
  std::vector<QPointer<QWidget>> m_listAfter;
  int m_nMarginBefore = 10;
  int m_nMarginAfter = 10;

 private:
  void EndDrag();
  void MoveDragRect(int nPos);

  class CDragRect;
  bool m_bDragging = false;
  int m_nStartCursor = 0;  // cursor position along the drag axis, global
  int m_nStartPos = 0;     // bar's leading edge at the start, parent coordinates
  int m_nDragPos = 0;      // the outline's leading edge now
  int m_nLowest = 0;
  int m_nHighest = 0;
  CDragRect* m_pDragRect = nullptr;
};

// A vertical bar dragged sideways: AddBefore = controls to its left, AddAfter = to its right.
class CSplitterWndX : public CSplitterEx {
  Q_OBJECT
 public:
  explicit CSplitterWndX(QWidget* pParent);
  void SetMinMargins(int nLeft, int nRight);

 protected:
  bool GetDragRange(int& nLowest, int& nHighest) const override;
  void ApplyPosition() override;
  bool IsHorizontalDrag() const override { return true; }
};

// A horizontal bar dragged up and down: AddBefore = controls above, AddAfter = below.
class CSplitterWndY : public CSplitterEx {
  Q_OBJECT
 public:
  explicit CSplitterWndY(QWidget* pParent);
  void SetMinMargins(int nTop, int nBottom);

 protected:
  bool GetDragRange(int& nLowest, int& nHighest) const override;
  void ApplyPosition() override;
  bool IsHorizontalDrag() const override { return false; }
};
