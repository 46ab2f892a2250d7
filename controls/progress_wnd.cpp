#include "controls/progress_wnd.h"

#include <QPainter>

CProgressWnd::CProgressWnd(QWidget* pParent) : QProgressBar(pParent) {
  setTextVisible(false);
  setValue(0);
}

void CProgressWnd::SetText(const QString& strText) {
  m_strText = strText;
  update();
}

bool CProgressWnd::SplitText(const QString& strText, QString& strFirst, QString& strSecond) {
  const qsizetype nPos = strText.indexOf(QLatin1String("\r\n"));
  if (nPos < 1) {
    strFirst = strText;
    strSecond.clear();
    return false;
  }
  strFirst = strText.left(nPos);
  strSecond = strText.mid(nPos + 2);
  return true;
}

void CProgressWnd::paintEvent(QPaintEvent* pEvent) {
  // The widget's backing store already double-buffers: the bar and the text reach the
  // screen together.
  {
    QPainter background(this);
    background.fillRect(rect(), palette().color(QPalette::Button));
  }
  QProgressBar::paintEvent(pEvent);
  if (m_strText.isEmpty()) return;

  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(TextColour());
  const QRect rc = rect();
  QString strFirst;
  QString strSecond;
  if (SplitText(m_strText, strFirst, strSecond)) {
    const int nMiddle = rc.height() / 2 - 1;
    painter.drawText(QRect(rc.left(), rc.top(), rc.width(), nMiddle),
                     Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, strFirst);
    painter.drawText(QRect(rc.left(), rc.top() + nMiddle, rc.width(), rc.height() - nMiddle),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, strSecond);
  } else {
    painter.drawText(rc, Qt::AlignCenter | Qt::TextSingleLine, m_strText);
  }
}
