// Draws the program's pictures into PNG files at build time:
//   korvane.png     application icon, 64 x 64
//   skin.png        dialog skin, 242 x 23 (its left third is stretched over dialog backgrounds)
//   background.png  main window background, 242 x 23 (stretched whole)
//   tree_icons.png  16 x 16 tree images side by side (index 0 root folder, 2 inbox, 10 volume,
//                   11 image file, 12 local disk; the rest are spare folder looks)
//   splash.png      start-up picture, 400 x 300
// Usage: draw_images OUTPUT_DIR

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

QImage Blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// An envelope in the rectangle r, with a red seal.
void DrawEnvelope(QPainter& p, const QRectF& r, const QColor& paper, const QColor& edge) {
  p.setPen(QPen(edge, qMax(1.0, r.width() / 24)));
  p.setBrush(paper);
  p.drawRoundedRect(r, r.width() / 16, r.width() / 16);
  QPainterPath flap;
  flap.moveTo(r.topLeft() + QPointF(r.width() * 0.04, r.height() * 0.06));
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
  flap.lineTo(r.topRight() + QPointF(-r.width() * 0.04, r.height() * 0.06));
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
}

QImage AppIcon() {
  QImage img = Blank(64, 64);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 64);
  g.setColorAt(0, QColor(70, 130, 200));
  g.setColorAt(1, QColor(30, 70, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  DrawEnvelope(p, QRectF(9, 14, 40, 28), QColor(250, 248, 235), QColor(40, 60, 110));
  // A magnifier over the corner: the scan.
  p.setPen(QPen(QColor(250, 200, 60), 4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(QColor(255, 255, 255, 90));
  p.drawEllipse(QPointF(42, 40), 10, 10);
  p.drawLine(QPointF(49, 47), QPointF(57, 55));
  return img;
}

QImage Gradient(const QColor& top, const QColor& mid, const QColor& bottom) {
  QImage img(242, 23, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, 0, 23);
  g.setColorAt(0, top);
  g.setColorAt(0.5, mid);
  g.setColorAt(1, bottom);
  p.fillRect(img.rect(), g);
  return img;
}

// The dialogs stretch the left third; the other two thirds hold a hover and a pressed look.
QImage Skin(const QColor& top, const QColor& mid, const QColor& bottom) {
  QImage img = Gradient(top, mid, bottom);
  QPainter p(&img);
  QLinearGradient h(0, 0, 0, 23);
  h.setColorAt(0, QColor(250, 250, 250));
  h.setColorAt(1, QColor(250, 200, 200));
  p.fillRect(QRect(81, 0, 80, 23), h);
  QLinearGradient d(0, 0, 0, 23);
  d.setColorAt(0, QColor(250, 250, 250));
  d.setColorAt(1, QColor(150, 100, 200));
  p.fillRect(QRect(161, 0, 81, 23), d);
  return img;
}

void DrawFolder(QPainter& p, int x, const QColor& body, const QColor& tab) {
  p.setPen(QPen(body.darker(160), 1));
  p.setBrush(tab);
  p.drawRect(QRectF(x + 1.5, 3.5, 6, 3));
  p.setBrush(body);
  p.drawRect(QRectF(x + 1.5, 5.5, 13, 9));
}

void DrawDisk(QPainter& p, int x, const QColor& body) {
  p.setPen(QPen(body.darker(170), 1));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(x + 1.5, 4.5, 13, 8), 2, 2);
  p.setBrush(QColor(60, 200, 60));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(x + 11, 9, 2, 2));
  p.setPen(QPen(body.darker(140), 1));
  p.drawLine(QPointF(x + 3, 7.5), QPointF(x + 9, 7.5));
}

QImage TreeIcons() {
  constexpr int kCount = 13;
  QImage img(16 * kCount, 16, QImage::Format_RGB32);
  img.fill(Qt::white);  // white is the mask colour
  QPainter p(&img);
  for (int i = 0; i < kCount; ++i) {
    const int x = i * 16;
    switch (i) {
      case 0:  // local folders root
        DrawFolder(p, x, QColor(240, 200, 80), QColor(220, 170, 50));
        break;
      case 2:  // inbox
        DrawEnvelope(p, QRectF(x + 1.5, 3.5, 13, 9), QColor(250, 250, 240), QColor(50, 80, 150));
        break;
      case 10:  // volume
        DrawDisk(p, x, QColor(190, 200, 215));
        break;
      case 11: {  // image file
        p.setPen(QPen(QColor(90, 90, 120), 1));
        p.setBrush(QColor(245, 245, 255));
        p.drawRect(QRectF(x + 3.5, 1.5, 9, 13));
        p.setBrush(QColor(120, 160, 220));
        p.drawEllipse(QPointF(x + 8, 8), 3, 3);
        break;
      }
      case 12:  // local disk
        DrawDisk(p, x, QColor(150, 160, 185));
        break;
      default:
        DrawFolder(p, x, QColor(200, 215, 240), QColor(170, 190, 225));
        break;
    }
  }
  return img;
}

QImage Splash() {
  QImage img(400, 300, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient g(0, 0, 0, 300);
  g.setColorAt(0, QColor(40, 90, 160));
  g.setColorAt(1, QColor(15, 35, 80));
  p.fillRect(img.rect(), g);
  // Scattered fragments: the sectors a message lies in.
  for (int i = 0; i < 48; ++i) {
    const int col = (i * 37) % 16, row = (i * 11) % 6;
    p.fillRect(QRectF(30 + col * 22, 150 + row * 14, 18, 10), QColor(120, 170, 230, 40 + (i * 23) % 120));
  }
  DrawEnvelope(p, QRectF(150, 40, 100, 70), QColor(250, 248, 235), QColor(20, 40, 90));
  QRadialGradient seal(QPointF(200, 82), 10);
  seal.setColorAt(0, QColor(230, 60, 50));
  seal.setColorAt(1, QColor(150, 20, 20));
  p.setPen(Qt::NoPen);
  p.setBrush(seal);
  p.drawEllipse(QPointF(200, 82), 9, 9);
  QFont title;
  title.setFamilies(
      {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
  title.setPixelSize(30);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 118, 400, 40), Qt::AlignCenter, QStringLiteral("Korvane"));
  QFont sub = title;
  sub.setPixelSize(17);
  sub.setBold(false);
  p.setFont(sub);
  p.setPen(QColor(220, 230, 250));
  p.drawText(QRect(0, 240, 400, 24), Qt::AlignCenter, QStringLiteral("邮件碎片扫描恢复软件 V2.0"));
  p.setPen(QColor(160, 180, 220));
  sub.setPixelSize(12);
  p.setFont(sub);
  p.drawText(QRect(0, 268, 400, 20), Qt::AlignCenter, QStringLiteral("for Outlook Express & Foxmail"));
  return img;
}

bool Save(const QImage& img, const QDir& dir, const char* name) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  if (img.save(path, "PNG")) return true;
  std::fprintf(stderr, "draw_images: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_images OUTPUT_DIR\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists() && !QDir().mkpath(dir.path())) return 1;
  bool ok = Save(AppIcon(), dir, "korvane.png");
  ok = Save(Skin(QColor(236, 240, 250), QColor(214, 222, 240), QColor(226, 230, 244)), dir, "skin.png") && ok;
  ok = Save(Gradient(QColor(236, 239, 247), QColor(224, 228, 240), QColor(208, 214, 232)), dir, "background.png") && ok;
  ok = Save(TreeIcons(), dir, "tree_icons.png") && ok;
  ok = Save(Splash(), dir, "splash.png") && ok;
  return ok ? 0 : 1;
}
