// The skinned background of the small dialogs (data source, search, help) and of the
// main window: the skin bitmap stretched over the client area without smoothing, or
// a plain RGB(220, 220, 228) without it. Labels stay transparent over it (QLabel
// does not fill its background).
#pragma once

#include <QColor>
#include <QDialog>
#include <QPixmap>

class QPainter;
class QWidget;

// Paints rcClient from skin. bLeftThird: only the left third of the bitmap (its width
// / 3, full height) is stretched, as the small dialogs do; else the whole bitmap, as
// the main window does. A null skin fills with DialogSkinColour().
void PaintDialogSkin(QPainter& painter, const QRect& rcClient, const QPixmap& skin, bool bLeftThird = true);
inline QColor DialogSkinColour() { return QColor(220, 220, 228); }

// Gives a text field the help dialog's colours: text RGB(50, 20, 0) on RGB(230, 230, 240).
void ApplyHelpEditColours(QWidget* pEdit);

// A QDialog whose background is painted from the skin bitmap (left third).
class CSkinnedDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CSkinnedDialog(QWidget* pParent = nullptr);
  void SetSkin(const QPixmap& skin);
  const QPixmap& GetSkin() const { return m_skin; }

 protected:
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  QPixmap m_skin;
};
