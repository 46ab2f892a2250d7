#pragma once
// The program's pictures, kept as Qt resources under :/res/.

#include <QIcon>
#include <QPixmap>

// Tree image `index` (16 x 16, white is transparent): 0 root folder, 2 inbox, 10 volume,
// 11 image file, 12 local disk.
QIcon TreeIcon(int index);
QIcon AppIcon();
// The 242 x 23 skin bitmap; null when missing.
const QPixmap& SkinPixmap();
// The main window's background bitmap; null when missing.
const QPixmap& BackgroundPixmap();
