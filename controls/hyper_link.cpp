#include "controls/hyper_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace {

bool OpenWithDesktop(const QString& strAddress) {
  const QUrl url = QUrl::fromUserInput(strAddress);
  return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace

CHyperLink::CHyperLink(const QString& strText, const QString& strAddress, QWidget* pParent)
    : QLabel(strText, pParent), m_strAddress(strAddress), m_opener(OpenWithDesktop) {
  if (m_strAddress.isEmpty()) m_strAddress = text();
  if (text().isEmpty()) setText(m_strAddress);
  setTextFormat(Qt::PlainText);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_Hover, false);
  setToolTip(m_strAddress);
  ApplyLook();
  Refit();
}

void CHyperLink::SetAddress(const QString& strAddress) {
  m_strAddress = strAddress;
  setToolTip(m_strAddress);
  Refit();
}

void CHyperLink::SetColours(const QColor& clrLink, const QColor& clrVisited, const QColor& clrHover) {
  m_clrLink = clrLink;
  m_clrVisited = clrVisited;
  m_clrHover = clrHover;
  ApplyLook();
}

QColor CHyperLink::GetCurrentColour() const {
  if (m_bHover) return m_clrHover;
  return m_bWasVisited ? m_clrVisited : m_clrLink;
}

void CHyperLink::SetVisited(bool bVisited) {
  m_bWasVisited = bVisited;
  ApplyLook();
}

void CHyperLink::SetUnderline(int nMode) {
  m_nUnderlineMode = nMode;
  ApplyLook();
}

void CHyperLink::SetFitToText(bool bFit) {
  m_bFitToText = bFit;
  Refit();
}

void CHyperLink::SetOpener(Opener opener) { m_opener = opener ? std::move(opener) : Opener(OpenWithDesktop); }

void CHyperLink::Open() {
  m_bHover = false;
  if (m_opener(m_strAddress)) {
    m_bWasVisited = true;
  } else {
    QApplication::beep();
  }
  ApplyLook();
}

void CHyperLink::ApplyLook() {
  m_bApplying = true;
  QFont f = font();
  f.setUnderline(m_nUnderlineMode == 1 || (m_nUnderlineMode == -1 && m_bHover));
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, GetCurrentColour());
  setPalette(pal);
  m_bApplying = false;
  update();
}

void CHyperLink::Refit() {
  if (!m_bFitToText) return;
  const QSize size = sizeHint();
  QRect rc = geometry();
  const Qt::Alignment align = alignment();
  int nLeft = rc.left();
  if (align & Qt::AlignRight)
    nLeft = rc.left() + rc.width() - size.width();
  else if (align & Qt::AlignHCenter)
    nLeft = rc.left() + (rc.width() - size.width()) / 2;
  int nTop = rc.top();
  if (align & Qt::AlignVCenter) nTop = rc.top() + (rc.height() - size.height()) / 2;
  setGeometry(nLeft, nTop, size.width(), size.height());
}

void CHyperLink::enterEvent(QEnterEvent* pEvent) {
  QLabel::enterEvent(pEvent);
  m_bHover = true;
  ApplyLook();
}

void CHyperLink::leaveEvent(QEvent* pEvent) {
  QLabel::leaveEvent(pEvent);
  m_bHover = false;
  ApplyLook();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* pEvent) {
  QLabel::mouseReleaseEvent(pEvent);
  if (pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint())) Open();
}

void CHyperLink::changeEvent(QEvent* pEvent) {
  QLabel::changeEvent(pEvent);
  // A font given by the owner keeps its family and size; underline stays ours.
  if (pEvent->type() == QEvent::FontChange && !m_bApplying) {
    ApplyLook();
    Refit();
  }
}
