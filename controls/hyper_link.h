// CHyperLink: a text label that opens an address with the desktop's handler when
// clicked. Link, visited and hover colours, underlined while the mouse is over it,
// hand cursor, the address as tooltip. When opening fails the program beeps and the
// link stays unvisited.
// Thread: GUI thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <functional>

class CHyperLink : public QLabel {
  Q_OBJECT
 public:
  // Opens an address; true on success. The default uses QDesktopServices.
  using Opener = std::function<bool(const QString& strAddress)>;

  // An empty address takes the text; an empty text takes the address.
  explicit CHyperLink(const QString& strText = {}, const QString& strAddress = {}, QWidget* pParent = nullptr);

  // Stores the address, refits the label to its text and updates the tooltip.
  void SetAddress(const QString& strAddress);
  const QString& GetAddress() const { return m_strAddress; }

  void SetColours(const QColor& clrLink, const QColor& clrVisited, const QColor& clrHover);
  QColor GetCurrentColour() const;
  bool IsVisited() const { return m_bWasVisited; }
  void SetVisited(bool bVisited);
  bool IsHovering() const { return m_bHover; }
  // 1 always underlined, 0 never, -1 only while the mouse is over it (the default).
  void SetUnderline(int nMode);
  // With bFit (the default) the label resizes to its text, keeping the edge its
  // alignment names (left, right or centre; vertical centre with AlignVCenter).
  void SetFitToText(bool bFit);
  // Replaces how addresses are opened (tests, or a platform without a desktop).
  void SetOpener(Opener opener);

  // Opens the address as a click does.
  void Open();

  static QColor LinkColour() { return QColor(0, 0, 238); }
  static QColor VisitedColour() { return QColor(85, 26, 139); }
  static QColor HoverColour() { return QColor(255, 0, 0); }

 protected:
  void enterEvent(QEnterEvent* pEvent) override;
  void leaveEvent(QEvent* pEvent) override;
  void mouseReleaseEvent(QMouseEvent* pEvent) override;
  void changeEvent(QEvent* pEvent) override;

 private:
  void Refit();
  void ApplyLook();

  QColor m_clrLink = LinkColour();
  QColor m_clrVisited = VisitedColour();
  QColor m_clrHover = HoverColour();
  bool m_bHover = false;
  bool m_bWasVisited = false;
  int m_nUnderlineMode = -1;
  bool m_bFitToText = true;
  bool m_bApplying = false;  // guards changeEvent while the look sets fonts and palette
  QString m_strAddress;
  Opener m_opener;
};
