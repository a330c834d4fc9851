#include "res/pictures.h"

#include <QDir>
#include <QPainter>
#include <QRadialGradient>

namespace korvane::res {

QImage BackgroundBitmap() {
    QImage img(48, 48, QImage::Format_Indexed8);
    QVector<QRgb> table;
    // Twelve sky shades from top to bottom, then four cloud shades.
    for (int i = 0; i < 12; ++i) {
        const int r = 150 + i * 85 / 11;
        const int g = 200 + i * 45 / 11;
        const int b = 240 + i * 15 / 11;
        table << qRgb(r, g, b);
    }
    table << qRgb(255, 255, 255) << qRgb(246, 249, 253) << qRgb(232, 238, 246)
          << qRgb(214, 224, 236);
    img.setColorTable(table);
    struct Cloud {
        double cx, cy, rx, ry;
    };
    const Cloud clouds[] = {{11, 9, 9, 3.5}, {16, 7, 5, 3}, {36, 20, 10, 3.5}, {31, 18, 5, 3}};
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            int index = y * 11 / 47;
            for (const Cloud& c : clouds) {
                const double dx = (x - c.cx) / c.rx;
                const double dy = (y - c.cy) / c.ry;
                const double d = dx * dx + dy * dy;
                if (d <= 1.0) {
                    const int shade = d < 0.45 ? 12 : d < 0.7 ? 13 : d < 0.9 ? 14 : 15;
                    index = std::min(index == 12 ? 12 : 15, shade);
                }
            }
            img.setPixel(x, y, static_cast<uint>(index));
        }
    }
    return img;
}

QImage LoadBackground() {
    QImage sky(QDir::current().filePath(QStringLiteral("Sky.bmp")));
    if (!sky.isNull()) return sky;
    return BackgroundBitmap();
}

QPixmap LampIcon(bool lit) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body = lit ? QColor(40, 230, 40) : QColor(20, 90, 30);
    const QColor rim = lit ? QColor(0, 120, 0) : QColor(10, 45, 15);
    const QColor shine = lit ? QColor(220, 255, 220) : QColor(70, 130, 80);
    QRadialGradient g(QPointF(12, 11), 16);
    g.setColorAt(0.0, shine);
    g.setColorAt(0.35, body);
    g.setColorAt(1.0, rim);
    p.setPen(QPen(rim, 1.5));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    return pm;
}

QIcon AppIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // An alarm lamp: a red dome on a dark base.
    QRadialGradient g(QPointF(13, 12), 14);
    g.setColorAt(0.0, QColor(255, 200, 200));
    g.setColorAt(0.4, QColor(230, 30, 30));
    g.setColorAt(1.0, QColor(140, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawChord(QRectF(5, 4, 22, 28), 0, 180 * 16);
    p.drawRect(QRectF(5, 17, 22, 6));
    p.setBrush(QColor(50, 50, 60));
    p.drawRoundedRect(QRectF(2, 23, 28, 7), 2, 2);
    QIcon icon;
    icon.addPixmap(pm);
    return icon;
}

}  // namespace korvane::res
