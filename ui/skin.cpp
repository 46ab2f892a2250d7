#include "ui/skin.h"

#include <QBitmap>
#include <QImage>
#include <vector>

namespace {

const QPixmap& Load(const char* path) {
  // One cache per path; the pictures never change while the program runs.
  static std::vector<std::pair<const char*, QPixmap>> cache;
  for (auto& [p, pix] : cache) {
    if (p == path) return pix;
  }
  cache.emplace_back(path, QPixmap(QString::fromLatin1(path)));
  return cache.back().second;
}

}  // namespace

QIcon TreeIcon(int index) {
  static std::vector<QIcon> icons;
  if (icons.empty()) {
    const QImage strip(QStringLiteral(":/res/tree_icons.png"));
    for (int x = 0; x + 16 <= strip.width(); x += 16) {
      QPixmap pix = QPixmap::fromImage(strip.copy(x, 0, 16, 16));
      pix.setMask(pix.createMaskFromColor(Qt::white, Qt::MaskInColor));
      icons.emplace_back(pix);
    }
  }
  if (index < 0 || index >= static_cast<int>(icons.size())) return {};
  return icons[static_cast<size_t>(index)];
}

QIcon AppIcon() { return QIcon(Load(":/res/korvane.png")); }

const QPixmap& SkinPixmap() { return Load(":/res/skin.png"); }

const QPixmap& BackgroundPixmap() { return Load(":/res/background.png"); }
