#pragma once
// The program's own pictures, drawn in code: the background bitmap used
// when no "Sky.bmp" is present, the two status lamps and the program icon.
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace korvane::res {

// Bitmap 130: 48 x 48 pixels, 16 colours, a pale sky.
QImage BackgroundBitmap();
// "Sky.bmp" from the current folder, else bitmap 130.
QImage LoadBackground();
// Icons 132 (lit, bright green) and 133 (unlit, dark green): a round lamp, 32 x 32.
QPixmap LampIcon(bool lit);
// Icon 128: the program's icon.
QIcon AppIcon();

}  // namespace korvane::res
