// CProgressWnd: the main window's progress bar, with a status text drawn over the
// bar in orange. A text holding CR LF after its first character is drawn as two
// centred lines (the part before CR LF above the middle, the part after below it);
// any other text as one centred line. The bar's own percentage text is off.
// Thread: GUI thread only.
#pragma once

#include <QProgressBar>

class CProgressWnd : public QProgressBar {
  Q_OBJECT
 public:
  explicit CProgressWnd(QWidget* pParent = nullptr);

  // Stores the text and repaints. An empty text shows the bare bar.
  void SetText(const QString& strText);
  const QString& GetText() const { return m_strText; }

  static QColor TextColour() { return QColor(250, 100, 50); }

  // Splits strText at its first CR LF when that is not at position 0. True when
  // split; false leaves strFirst = the whole text and strSecond empty.
  static bool SplitText(const QString& strText, QString& strFirst, QString& strSecond);

 protected:
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  QString m_strText;
};
