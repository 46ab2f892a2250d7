#include "controls/dialog_skin.h"

#include <QPainter>

void PaintDialogSkin(QPainter& painter, const QRect& rcClient, const QPixmap& skin, bool bLeftThird) {
  if (skin.isNull()) {
    painter.fillRect(rcClient, DialogSkinColour());
    return;
  }
  const QRect rcSource(0, 0, bLeftThird ? skin.width() / 3 : skin.width(), skin.height());
  // A plain stretch: pixels are repeated, never blended.
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawPixmap(rcClient, skin, rcSource);
  painter.restore();
}

void ApplyHelpEditColours(QWidget* pEdit) {
  QPalette pal = pEdit->palette();
  pal.setColor(QPalette::Text, QColor(50, 20, 0));
  pal.setColor(QPalette::Base, QColor(230, 230, 240));
  pal.setColor(QPalette::Window, QColor(230, 230, 240));
  pEdit->setPalette(pal);
  pEdit->setAutoFillBackground(true);
}

CSkinnedDialog::CSkinnedDialog(QWidget* pParent) : QDialog(pParent) {}

void CSkinnedDialog::SetSkin(const QPixmap& skin) {
  m_skin = skin;
  update();
}

void CSkinnedDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintDialogSkin(painter, rect(), m_skin, true);
}
