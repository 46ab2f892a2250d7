// CSplashWnd: the start-up picture (400 x 300), shown centred on the screen in a
// frameless window while the main window initialises. At most one exists; Show does
// nothing until Enable(true) and while one is shown; Hide with none shown does nothing.
// Thread: GUI thread only.
#pragma once

#include <QPixmap>
#include <QWidget>

class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  ~CSplashWnd() override;

  static void Enable(bool bEnable);
  // The picture the next Show uses: a pixmap, or a file or resource path.
  static void SetPicture(const QPixmap& picture);
  static void SetPicture(const QString& strPath);
  // Shows the picture and paints it at once. False when not enabled, already shown
  // or there is no picture.
  static bool Show(QWidget* pParent = nullptr);
  static void Hide();
  // The window shown, or nullptr.
  static CSplashWnd* Instance() { return s_pInstance; }

 protected:
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  CSplashWnd(const QPixmap& picture, QWidget* pParent);

  QPixmap m_picture;
  static CSplashWnd* s_pInstance;
  static bool s_bEnabled;
};
