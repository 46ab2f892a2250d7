#include "controls/button_ex.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// A rounded rectangle over r whose corners are ellipses nCorner pixels across.
QPainterPath RoundedPath(const QRectF& r, int nCorner) {
  QPainterPath path;
  path.addRoundedRect(r, nCorner / 2.0, nCorner / 2.0);
  return path;
}

}  // namespace

CButtonEx::CButtonEx(QWidget* pParent) : QPushButton(pParent) { Init(); }

CButtonEx::CButtonEx(const QString& strText, QWidget* pParent) : QPushButton(strText, pParent) { Init(); }

void CButtonEx::Init() {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, false);
  UpdateMask();
}

int CButtonEx::RegionCorner(int nHeight) { return std::clamp(nHeight / 10, 3, 5); }

int CButtonEx::DrawnCorner(int nHeight) { return std::clamp(nHeight / 10, 3, 7); }

const CButtonEx::tagLookColours& CButtonEx::GetLookColours(Look look) {
  static const tagLookColours s_looks[] = {
      {QColor(230, 230, 230), QColor(200, 200, 200), QColor(250, 250, 250), 0, 0},    // disabled
      {QColor(250, 250, 250), QColor(250, 200, 200), QColor(130, 130, 255), -1, -1},  // hover
      {QColor(250, 250, 250), QColor(150, 100, 200), QColor(30, 130, 0), 1, 1},       // pressed
      {QColor(250, 250, 250), QColor(230, 230, 100), QColor(130, 130, 255), 0, 0},    // focus
      {QColor(250, 250, 250), QColor(235, 235, 235), QColor(0, 0, 0), 0, 0},          // normal
  };
  return s_looks[static_cast<int>(look)];
}

CButtonEx::Look CButtonEx::GetLook() const {
  if (!isEnabled()) return Look::Disabled;
  if (m_nHoverState == 1) return Look::Hover;
  if (m_nHoverState == 2) return Look::Pressed;
  if (hasFocus()) return Look::Focus;
  return Look::Normal;
}

void CButtonEx::UpdateMask() {
  if (width() <= 0 || height() <= 0) return;
  // Row by row, the same cut at all four corners: a pixel stays when its centre lies
  // within the corner ellipse shrunk by half a pixel.
  const double r = RegionCorner(height()) / 2.0;
  const int nCornerRows = int(std::ceil(r));
  QRegion region;
  for (int y = 0; y < height(); ++y) {
    const int j = std::min(y, height() - 1 - y);  // row index from the nearer edge
    int nInset = 0;
    if (j < nCornerRows) {
      const double dy = r - (j + 0.5);
      while (nInset < nCornerRows) {
        const double dx = r - (nInset + 0.5);
        if (std::sqrt(dx * dx + dy * dy) <= r - 0.5) break;
        ++nInset;
      }
    }
    region += QRect(nInset, y, std::max(0, width() - 2 * nInset), 1);
  }
  setMask(region);
}

void CButtonEx::SetHoverState(int nState) {
  if (nState == m_nHoverState) return;
  m_nHoverState = nState;
  update();
}

void CButtonEx::resizeEvent(QResizeEvent* pEvent) {
  QPushButton::resizeEvent(pEvent);
  UpdateMask();
}

void CButtonEx::mouseMoveEvent(QMouseEvent* pEvent) {
  if (isEnabled()) {
    if (rect().contains(pEvent->position().toPoint())) {
      // Back over the button with the press still held shows the pressed look again.
      const bool bHeld = (pEvent->buttons() & Qt::LeftButton) && m_bPressStarted;
      SetHoverState(bHeld ? 2 : 1);
    } else {
      SetHoverState(0);
    }
  }
  QPushButton::mouseMoveEvent(pEvent);
}

void CButtonEx::mousePressEvent(QMouseEvent* pEvent) {
  if (pEvent->button() == Qt::LeftButton && isEnabled()) {
    m_bPressStarted = true;
    SetHoverState(2);
  }
  QPushButton::mousePressEvent(pEvent);
}

void CButtonEx::mouseReleaseEvent(QMouseEvent* pEvent) {
  // The look changes with the next mouse move, not here.
  if (pEvent->button() == Qt::LeftButton) m_bPressStarted = false;
  QPushButton::mouseReleaseEvent(pEvent);
}

void CButtonEx::leaveEvent(QEvent* pEvent) {
  QPushButton::leaveEvent(pEvent);
  // While the press is held the mouse moves still arrive here and decide the look.
  if (!m_bPressStarted) SetHoverState(0);
}

void CButtonEx::focusOutEvent(QFocusEvent* pEvent) {
  QPushButton::focusOutEvent(pEvent);
  m_bPressStarted = false;
  SetHoverState(0);
}

void CButtonEx::changeEvent(QEvent* pEvent) {
  QPushButton::changeEvent(pEvent);
  if (pEvent->type() == QEvent::EnabledChange && !isEnabled()) {
    m_bPressStarted = false;
    m_nHoverState = 0;
  }
}

void CButtonEx::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect rc = rect();
  const QPainterPath face = RoundedPath(QRectF(rc), DrawnCorner(rc.height()));
  painter.setClipPath(face);

  const tagLookColours& look = GetLookColours(GetLook());
  QLinearGradient gradient(0, rc.top(), 0, rc.bottom());
  gradient.setColorAt(0, look.clrTop);
  gradient.setColorAt(1, look.clrBottom);
  painter.fillRect(rc, gradient);

  // QPainter centres a multi-line caption as one block, each line centred.
  painter.setPen(look.clrText);
  painter.setFont(font());
  painter.drawText(rc.translated(look.nShiftX, look.nShiftY), Qt::AlignCenter | Qt::TextShowMnemonic, text());

  painter.setClipping(false);
  painter.setPen(FrameColour());
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(RoundedPath(QRectF(rc).adjusted(0, 0, -1, -1), DrawnCorner(rc.height())));
}
