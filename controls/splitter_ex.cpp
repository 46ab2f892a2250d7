#include "controls/splitter_ex.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// The outline shown while dragging: a child of the bar's parent, above its siblings,
// that inverts the pixels under a halftone pattern so it shows on any background.
class CSplitterEx::CDragRect : public QWidget {
 public:
  explicit CDragRect(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(rect(), QBrush(Qt::white, Qt::Dense4Pattern));
  }
};

CSplitterEx::CSplitterEx(QWidget* pParent) : QWidget(pParent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

CSplitterEx::~CSplitterEx() {
  // A bar destroyed during a drag takes its outline with it.
  delete m_pDragRect;
}

void CSplitterEx::AddBefore(QWidget* pWidget) { m_listBefore.emplace_back(pWidget); }

void CSplitterEx::AddAfter(QWidget* pWidget) { m_listAfter.emplace_back(pWidget); }

void CSplitterEx::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), BarColour());
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CSplitterEx::mousePressEvent(QMouseEvent* pEvent) {
  if (m_bDragging) {
    if (pEvent->button() == Qt::RightButton) EndDrag();
    return;
  }
  if (pEvent->button() != Qt::LeftButton || !parentWidget()) return;
  // Another widget holding the mouse (a menu, a drag elsewhere) wins.
  if (QWidget* pGrabber = QWidget::mouseGrabber(); pGrabber && pGrabber != this) return;
  if (!GetDragRange(m_nLowest, m_nHighest)) return;

  const bool bX = IsHorizontalDrag();
  const QPoint ptGlobal = pEvent->globalPosition().toPoint();
  m_nStartCursor = bX ? ptGlobal.x() : ptGlobal.y();
  m_nStartPos = bX ? x() : y();
  m_nDragPos = m_nStartPos;
  m_bDragging = true;

  m_pDragRect = new CDragRect(parentWidget());
  m_pDragRect->setGeometry(geometry());
  m_pDragRect->raise();
  m_pDragRect->show();
  grabKeyboard();
}

void CSplitterEx::mouseMoveEvent(QMouseEvent* pEvent) {
  if (!m_bDragging) return;
  const QPoint ptGlobal = pEvent->globalPosition().toPoint();
  const int nDelta = (IsHorizontalDrag() ? ptGlobal.x() : ptGlobal.y()) - m_nStartCursor;
  MoveDragRect(m_nStartPos + nDelta);
}

void CSplitterEx::mouseReleaseEvent(QMouseEvent* pEvent) {
  if (m_bDragging && pEvent->button() == Qt::LeftButton) EndDrag();
}

void CSplitterEx::keyPressEvent(QKeyEvent* pEvent) {
  // During a drag every key is swallowed; Escape ends it where it stands.
  if (!m_bDragging) {
    QWidget::keyPressEvent(pEvent);
    return;
  }
  if (pEvent->key() == Qt::Key_Escape) EndDrag();
  pEvent->accept();
}

void CSplitterEx::focusOutEvent(QFocusEvent* pEvent) {
  QWidget::focusOutEvent(pEvent);
  if (m_bDragging) EndDrag();
}

void CSplitterEx::hideEvent(QHideEvent* pEvent) {
  QWidget::hideEvent(pEvent);
  if (m_bDragging) EndDrag();
}

void CSplitterEx::MoveDragRect(int nPos) {
  // The outline stays where every neighbour keeps its margin.
  nPos = std::max(m_nLowest, std::min(nPos, m_nHighest));
  if (nPos == m_nDragPos) return;
  m_nDragPos = nPos;
  if (m_pDragRect) {
    const QRect rc = geometry();
    m_pDragRect->move(IsHorizontalDrag() ? QPoint(nPos, rc.y()) : QPoint(rc.x(), nPos));
  }
}

void CSplitterEx::EndDrag() {
  if (!m_bDragging) return;
  m_bDragging = false;
  releaseKeyboard();
  delete m_pDragRect;
  m_pDragRect = nullptr;
  if (m_nDragPos == m_nStartPos) return;
  // The parent repaints once the neighbours have moved.
  setUpdatesEnabled(false);
  move(IsHorizontalDrag() ? QPoint(m_nDragPos, y()) : QPoint(x(), m_nDragPos));
  setUpdatesEnabled(true);
  ApplyPosition();
  emit PositionApplied();
}

namespace {

// Moves pWidget to rc (exclusive right and bottom edges) when that changes it.
void MoveIfChanged(QWidget* pWidget, int nLeft, int nTop, int nRight, int nBottom) {
  const QRect rcNew(nLeft, nTop, std::max(0, nRight - nLeft), std::max(0, nBottom - nTop));
  if (pWidget->geometry() != rcNew) pWidget->setGeometry(rcNew);
}

int RightOf(const QRect& rc) { return rc.x() + rc.width(); }
int BottomOf(const QRect& rc) { return rc.y() + rc.height(); }

}  // namespace

CSplitterWndX::CSplitterWndX(QWidget* pParent) : CSplitterEx(pParent) { setCursor(Qt::SplitHCursor); }

void CSplitterWndX::SetMinMargins(int nLeft, int nRight) {
  m_nMarginBefore = nLeft;
  m_nMarginAfter = nRight;
}

bool CSplitterWndX::GetDragRange(int& nLowest, int& nHighest) const {
  const QRect rcClient = parentWidget()->rect();
  int nLow = rcClient.left() + m_nMarginBefore;
  int nHigh = RightOf(rcClient) - m_nMarginAfter;
  for (const QPointer<QWidget>& p : m_listBefore)
    if (p) nLow = std::max(nLow, p->geometry().left() + m_nMarginBefore);
  for (const QPointer<QWidget>& p : m_listAfter)
    if (p) nHigh = std::min(nHigh, RightOf(p->geometry()) - m_nMarginAfter);
  if (nLow >= nHigh) return false;
  // The bar's left edge: its right edge stays at or left of nHigh.
  nLowest = nLow;
  nHighest = std::max(nLow, nHigh - width());
  return true;
}

void CSplitterWndX::ApplyPosition() {
  parentWidget()->update();
  const QRect rcBar = geometry();
  for (const QPointer<QWidget>& p : m_listBefore) {
    if (!p) continue;
    const QRect rc = p->geometry();
    MoveIfChanged(p, rc.left(), rc.top(), rcBar.left() - 1, BottomOf(rc));
  }
  for (const QPointer<QWidget>& p : m_listAfter) {
    if (!p) continue;
    const QRect rc = p->geometry();
    MoveIfChanged(p, RightOf(rcBar) + 1, rc.top(), RightOf(rc), BottomOf(rc));
  }
}

CSplitterWndY::CSplitterWndY(QWidget* pParent) : CSplitterEx(pParent) { setCursor(Qt::SplitVCursor); }

void CSplitterWndY::SetMinMargins(int nTop, int nBottom) {
  m_nMarginBefore = nTop;
  m_nMarginAfter = nBottom;
}

bool CSplitterWndY::GetDragRange(int& nLowest, int& nHighest) const {
  const QRect rcClient = parentWidget()->rect();
  int nLow = rcClient.top() + m_nMarginBefore;
  int nHigh = BottomOf(rcClient) - m_nMarginAfter;
  for (const QPointer<QWidget>& p : m_listBefore)
    if (p) nLow = std::max(nLow, p->geometry().top() + m_nMarginBefore);
  for (const QPointer<QWidget>& p : m_listAfter)
    if (p) nHigh = std::min(nHigh, BottomOf(p->geometry()) - m_nMarginAfter);
  if (nLow >= nHigh) return false;
  nLowest = nLow;
  nHighest = std::max(nLow, nHigh - height());
  return true;
}

void CSplitterWndY::ApplyPosition() {
  parentWidget()->update();
  const QRect rcBar = geometry();
  for (const QPointer<QWidget>& p : m_listBefore) {
    if (!p) continue;
    const QRect rc = p->geometry();
    MoveIfChanged(p, rc.left(), rc.top(), RightOf(rc), rcBar.top());
  }
  for (const QPointer<QWidget>& p : m_listAfter) {
    if (!p) continue;
    const QRect rc = p->geometry();
    MoveIfChanged(p, rc.left(), BottomOf(rcBar), RightOf(rc), BottomOf(rc));
  }
}
