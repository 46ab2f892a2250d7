// CButtonEx: the program's push button. Rounded corners, a vertical two-colour
// gradient and text colour chosen by the button's look (disabled, hover, pressed,
// focused, normal), a thin frame. Clicks reach the owner exactly as for a
// QPushButton (clicked()). Used for every push button of the main window and of the
// data-source, search and help dialogs.
#pragma once

#include <QColor>
#include <QPushButton>

class CButtonEx : public QPushButton {
  Q_OBJECT
 public:
  // The five looks, in the order in which they are chosen: the first that applies wins.
  enum class Look { Disabled, Hover, Pressed, Focus, Normal };

  // Colours of one look; nShiftX/nShiftY move the caption (pixels).
  struct tagLookColours {
    QColor clrTop;
    QColor clrBottom;
    QColor clrText;
    int nShiftX;
    int nShiftY;
  };

  explicit CButtonEx(QWidget* pParent = nullptr);
  explicit CButtonEx(const QString& strText, QWidget* pParent = nullptr);

  // 0 normal, 1 mouse over the button, 2 pressed with the mouse over it.
  int GetHoverState() const { return m_nHoverState; }
  // The look the next paint uses.
  Look GetLook() const;

  static const tagLookColours& GetLookColours(Look look);
  // Corner ellipse of the window mask for a button nHeight pixels high: height / 10, 3 to 5.
  static int RegionCorner(int nHeight);
  // Corner ellipse of the painted face and its frame: height / 10, 3 to 7.
  static int DrawnCorner(int nHeight);
  static QColor FrameColour() { return QColor(100, 100, 150); }

 protected:
  void paintEvent(QPaintEvent* pEvent) override;
  void resizeEvent(QResizeEvent* pEvent) override;
  void mouseMoveEvent(QMouseEvent* pEvent) override;
  void mousePressEvent(QMouseEvent* pEvent) override;
  void mouseReleaseEvent(QMouseEvent* pEvent) override;
  void leaveEvent(QEvent* pEvent) override;
  void focusOutEvent(QFocusEvent* pEvent) override;
  void changeEvent(QEvent* pEvent) override;

 private:
  void Init();
  void UpdateMask();
  void SetHoverState(int nState);

  int m_nHoverState = 0;
  bool m_bPressStarted = false;  // the left button went down on this button and is still held
};
