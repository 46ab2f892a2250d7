#include "controls/header_ctrl_ex.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

namespace UI {

namespace {

// Draws from (x1, y1) towards (x2, y2), leaving out the end point, so that a chain of
// lines meets exactly once at each corner.
void LineTo(QPainter& painter, QPoint& ptCurrent, int x2, int y2) {
  const QPoint ptEnd(x2, y2);
  const int dx = x2 - ptCurrent.x();
  const int dy = y2 - ptCurrent.y();
  const int nSteps = std::max(std::abs(dx), std::abs(dy));
  if (nSteps > 1) {
    // The last pixel before the end point, along the same line.
    const QPoint ptLast(ptCurrent.x() + (dx * (nSteps - 1) + (dx >= 0 ? nSteps / 2 : -nSteps / 2)) / nSteps,
                        ptCurrent.y() + (dy * (nSteps - 1) + (dy >= 0 ? nSteps / 2 : -nSteps / 2)) / nSteps);
    painter.drawLine(ptCurrent, ptLast);
  } else if (nSteps == 1) {
    painter.drawPoint(ptCurrent);
  }
  ptCurrent = ptEnd;
}

}  // namespace

CHeaderCtrlEx::CHeaderCtrlEx(QWidget* pParent) : QHeaderView(Qt::Horizontal, pParent) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setSortIndicatorShown(false);
  setStretchLastSection(false);
}

int CHeaderCtrlEx::SetSortColumn(int nColumn, bool bAscending) {
  const int nPrevious = m_nSortColumn;
  m_nSortColumn = nColumn;
  m_bSortAscending = bAscending;
  viewport()->update();
  return nPrevious;
}

QRect CHeaderCtrlEx::LabelRect(const QRect& rcItem, int nIndex) const {
  const QFontMetrics fm(font());
  const int k = 2 * fm.horizontalAdvance(QLatin1Char(' '));
  const int L = rcItem.left();
  const int R = rcItem.left() + rcItem.width();  // exclusive right edge
  const bool bSorted = nIndex == m_nSortColumn;
  int nLeft = L + k;
  int nRight = R - k - (bSorted ? 3 * k : 0);

  // A label that does not fit its padded rectangle gets narrower padding (2 pixels a
  // side, and on the sort column just the arrow's width) before it is elided. It never
  // leaves its own section.
  const QString strText = model() ? model()->headerData(nIndex, orientation()).toString() : QString();
  if (!strText.isEmpty() && nRight - nLeft < fm.horizontalAdvance(strText)) {
    const int a = rcItem.width() < 3 * k ? 4 : k;
    nLeft = L + 2;
    nRight = bSorted ? R - (5 * a) / 2 - 4 : R - 2;
  }
  return QRect(QPoint(nLeft, rcItem.top()), QPoint(std::max(nLeft, nRight) - 1, rcItem.bottom()));
}

void CHeaderCtrlEx::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(font());
  const int nHeight = viewport()->height();
  int nRightMost = 0;
  for (int nVisual = 0; nVisual < count(); ++nVisual) {
    const int nLogical = logicalIndex(nVisual);
    if (isSectionHidden(nLogical)) continue;
    const QRect rcItem(sectionViewportPosition(nLogical), 0, sectionSize(nLogical), nHeight);
    DrawItem(painter, rcItem, nLogical);
    nRightMost = std::max(nRightMost, rcItem.left() + rcItem.width());
  }
  if (nRightMost < viewport()->width())
    DrawItem(painter, QRect(nRightMost, 0, viewport()->width() - nRightMost, nHeight), count());
}

void CHeaderCtrlEx::DrawItem(QPainter& painter, const QRect& rcItem, int nIndex) const {
  const int L = rcItem.left();
  const int T = rcItem.top();
  const int R = rcItem.left() + rcItem.width();
  const int B = rcItem.top() + rcItem.height();
  const bool bSorted = nIndex == m_nSortColumn;
  const QColor clrAccent = bSorted ? SortAccent() : PlainAccent();

  // Two gradients meeting at the accent in the middle.
  const int nMiddle = T + (B - T) / 2;
  QLinearGradient upper(0, T, 0, nMiddle - 1);
  upper.setColorAt(0, EdgeColour());
  upper.setColorAt(1, clrAccent);
  painter.fillRect(QRect(L, T, R - L, nMiddle - T), upper);
  QLinearGradient lower(0, nMiddle, 0, B - 1);
  lower.setColorAt(0, clrAccent);
  lower.setColorAt(1, EdgeColour());
  painter.fillRect(QRect(L, nMiddle, R - L, B - nMiddle), lower);

  const bool bFiller = nIndex >= count();
  if (!bFiller && model()) {
    const QString strText = model()->headerData(nIndex, orientation()).toString().left(255);
    const int nAlign = model()->headerData(nIndex, orientation(), Qt::TextAlignmentRole).toInt();
    int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    if (nAlign & Qt::AlignHCenter)
      flags |= Qt::AlignHCenter;
    else if (nAlign & Qt::AlignRight)
      flags |= Qt::AlignRight;
    else
      flags |= Qt::AlignLeft;
    const QRect rcText = LabelRect(rcItem, nIndex);
    const QString strShown = painter.fontMetrics().elidedText(strText, Qt::ElideRight, rcText.width());
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(rcText, flags, strShown);
  }

  if (bSorted) DrawArrow(painter, rcItem);

  if (!bFiller) {
    QPoint pt(R, T);
    painter.setPen(palette().color(QPalette::Light));
    LineTo(painter, pt, L, T);
    LineTo(painter, pt, L, B);
    painter.setPen(palette().color(QPalette::Dark));
    LineTo(painter, pt, R, B);
    LineTo(painter, pt, R, T);
  }
}

void CHeaderCtrlEx::DrawArrow(QPainter& painter, const QRect& rcItem) const {
  const int R = rcItem.left() + rcItem.width();
  const int B = rcItem.top() + rcItem.height();
  const int k = 2 * QFontMetrics(font()).horizontalAdvance(QLatin1Char(' '));
  const int a = rcItem.width() < 3 * k ? 4 : k;
  const QColor clrLight = palette().color(QPalette::Light);
  const QColor clrDark = palette().color(QPalette::Dark);
  QPoint pt;
  if (m_bSortAscending) {
    painter.setPen(clrLight);
    pt = QPoint(R - 2 * a, a - 1);
    LineTo(painter, pt, R - 3 * a / 2, B - a);
    LineTo(painter, pt, R - 5 * a / 2 - 2, B - a);
    painter.setPen(clrDark);
    pt = QPoint(R - 5 * a / 2 - 1, B - a - 1);
    LineTo(painter, pt, R - 2 * a, a - 2);
  } else {
    painter.setPen(clrLight);
    pt = QPoint(R - 3 * a / 2, a - 1);
    LineTo(painter, pt, R - 2 * a - 1, B - a + 1);
    painter.setPen(clrDark);
    pt = QPoint(R - 2 * a - 1, B - a);
    LineTo(painter, pt, R - 5 * a / 2 - 1, a - 1);
    LineTo(painter, pt, R - 3 * a / 2, a - 1);
  }
}

}  // namespace UI
