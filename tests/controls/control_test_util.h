// Helpers shared by the controls' Qt tests: synthetic mouse events with a chosen
// button state, and pixel comparison with a tolerance for gradients.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>

namespace ControlTest {

// Sends a mouse event to pWidget at ptLocal, with buttons held as given.
inline void SendMouse(QWidget* pWidget, QEvent::Type type, const QPoint& ptLocal, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  const QPointF ptWindow = pWidget->mapTo(pWidget->window(), QPointF(ptLocal));
  QMouseEvent event(type, QPointF(ptLocal), ptWindow, QPointF(pWidget->mapToGlobal(ptLocal)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(pWidget, &event);
}

inline void Press(QWidget* w, const QPoint& pt, Qt::MouseButton b = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonPress, pt, b, b);
}
inline void MoveHeld(QWidget* w, const QPoint& pt, Qt::MouseButtons held = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseMove, pt, Qt::NoButton, held);
}
inline void Release(QWidget* w, const QPoint& pt, Qt::MouseButton b = Qt::LeftButton) {
  SendMouse(w, QEvent::MouseButtonRelease, pt, b, Qt::NoButton);
}

// True when every channel of the pixel at (x, y) is within nTolerance of clr.
inline bool PixelNear(const QImage& image, int x, int y, const QColor& clr, int nTolerance = 4) {
  const QColor got = image.pixelColor(x, y);
  return std::abs(got.red() - clr.red()) <= nTolerance && std::abs(got.green() - clr.green()) <= nTolerance &&
         std::abs(got.blue() - clr.blue()) <= nTolerance;
}

inline QImage Render(QWidget* pWidget) { return pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace ControlTest

// Lets QCOMPARE/QVERIFY print colours.
inline char* toString(const QColor& clr) { return qstrdup(clr.name().toLatin1().constData()); }
