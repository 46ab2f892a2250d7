#include "controls/splash_wnd.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

CSplashWnd* CSplashWnd::s_pInstance = nullptr;
bool CSplashWnd::s_bEnabled = false;

namespace {

QPixmap& Picture() {
  static QPixmap s_picture;
  return s_picture;
}

}  // namespace

CSplashWnd::CSplashWnd(const QPixmap& picture, QWidget* pParent)
    : QWidget(pParent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_picture(picture) {
  setAttribute(Qt::WA_DeleteOnClose);
  setCursor(Qt::ArrowCursor);
  setFixedSize(m_picture.deviceIndependentSize().toSize());
}

CSplashWnd::~CSplashWnd() {
  if (s_pInstance == this) s_pInstance = nullptr;
}

void CSplashWnd::Enable(bool bEnable) { s_bEnabled = bEnable; }

void CSplashWnd::SetPicture(const QPixmap& picture) { Picture() = picture; }

void CSplashWnd::SetPicture(const QString& strPath) { Picture() = QPixmap(strPath); }

bool CSplashWnd::Show(QWidget* pParent) {
  if (!s_bEnabled || s_pInstance || Picture().isNull()) return false;
  s_pInstance = new CSplashWnd(Picture(), pParent);
  const QScreen* pScreen = pParent ? pParent->screen() : QGuiApplication::primaryScreen();
  if (pScreen) {
    QRect rc(QPoint(0, 0), s_pInstance->size());
    rc.moveCenter(pScreen->availableGeometry().center());
    s_pInstance->move(rc.topLeft());
  }
  s_pInstance->show();
  // The caller usually blocks right after this, so paint now.
  s_pInstance->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return true;
}

void CSplashWnd::Hide() {
  if (s_pInstance) delete s_pInstance;  // the destructor clears the instance pointer
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, m_picture);
}
