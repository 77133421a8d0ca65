#include "widgets/lamps.h"

#include <QPainter>

namespace zelmar {

namespace {

QColor LampColor(Picture picture) {
    switch (picture) {
        case Picture::YellowLamp:
            return QColor(255, 255, 0);
        case Picture::GreenLamp:
            return QColor(0, 255, 0);
        case Picture::RedLamp:
            return QColor(255, 0, 0);
        case Picture::SilverLamp:
            return QColor(192, 192, 192);
        case Picture::None:
            break;
    }
    return Qt::transparent;
}

// Pixel by pixel rather than with an antialiased ellipse: the lamps are small icons of a few
// flat colours, and a hard edge keeps them crisp when an image stretches them.
void PaintDisc(QImage& image, QPoint centreTimesTwo, int diameter, QColor color) {
    const int r2 = diameter * diameter;  // compared in half-pixel units
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int dx = 2 * x + 1 - centreTimesTwo.x();
            const int dy = 2 * y + 1 - centreTimesTwo.y();
            if (dx * dx + dy * dy <= r2) image.setPixelColor(x, y, color);
        }
    }
}

}  // namespace

QImage LampImage(Picture picture) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (picture == Picture::None) return image;
    PaintDisc(image, QPoint(16, 16), 12, LampColor(picture));
    // The highlight sits in the disc's upper left quarter, clear of its edge.
    for (int y = 5; y <= 6; ++y)
        for (int x = 5; x <= 6; ++x) image.setPixelColor(x, y, Qt::white);
    return image;
}

QIcon ProgrammerIcon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // A device front: a navy box with a row of pins below it and a green lamp on it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRect(2, 4, 28, 18);
    painter.setBrush(QColor(128, 128, 128));
    for (int x = 5; x < 28; x += 5) painter.drawRect(x, 23, 3, 6);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(6, 8, 16, 8);
    painter.drawLine(16, 8, 6, 18);
    painter.drawLine(6, 18, 16, 18);
    painter.end();
    PaintDisc(image, QPoint(46, 26), 8, QColor(0, 255, 0));
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace zelmar
