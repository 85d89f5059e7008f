#include "resources/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace resources {

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128};

// A picture drawn on a 64-unit square scaled to `size` pixels.
QImage picture(const std::function<void(QPainter&)>& draw, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    draw(p);
    return image;
}

// One picture per size.
QIcon drawn(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (const int size : kSizes)
        icon.addPixmap(QPixmap::fromImage(picture(draw, size)));
    return icon;
}

// An arrow head at `tip`, pointing along `angle` degrees (0: to the right, 90: down).
void arrowHead(QPainter& p, QPointF tip, double angle, double length)
{
    p.save();
    p.translate(tip);
    p.rotate(angle);
    QPainterPath head;
    head.moveTo(0, 0);
    head.lineTo(-length, -length * 0.7);
    head.lineTo(-length, length * 0.7);
    head.closeSubpath();
    p.drawPath(head);
    p.restore();
}

void drawFloppyWithCircle(QPainter& p)
{
    const QColor body(0x20, 0x24, 0x2a);
    p.setPen(QPen(QColor(0x0c, 0x0e, 0x12), 1.5));
    p.setBrush(body);
    QPainterPath disk;
    disk.moveTo(4, 4);
    disk.lineTo(52, 4);
    disk.lineTo(60, 12);
    disk.lineTo(60, 60);
    disk.lineTo(4, 60);
    disk.closeSubpath();
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xcc, 0xd2));   // the shutter with its window
    p.drawRect(QRectF(16, 4, 30, 20));
    p.setBrush(body);
    p.drawRect(QRectF(36, 8, 6, 12));
    p.setBrush(QColor(0xf4, 0xf4, 0xf0));   // the label
    p.drawRoundedRect(QRectF(11, 30, 42, 26), 2, 2);

    // Round the label, out and back in: a ring of two arrows.
    const QColor arrow(0x1f, 0x8a, 0x70);
    p.setPen(QPen(arrow, 4.5, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(22, 33, 20, 20);
    p.drawArc(ring, 100 * 16, 150 * 16);
    p.drawArc(ring, 280 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    arrowHead(p, QPointF(27.5, 51.5), 10, 6);     // the lower end of the left arc
    arrowHead(p, QPointF(36.5, 34.5), 190, 6);    // the upper end of the right arc
}

void drawGlobeWithArrow(QPainter& p)
{
    const QRectF globe(4, 4, 46, 46);
    QRadialGradient sea(QPointF(20, 18), 40);
    sea.setColorAt(0, QColor(0x5c, 0xc8, 0x7c));
    sea.setColorAt(1, QColor(0x1c, 0x7a, 0x48));
    p.setPen(QPen(QColor(0x0e, 0x3c, 0x24), 2));
    p.setBrush(sea);
    p.drawEllipse(globe);
    p.setPen(QPen(QColor(0xf0, 0xf6, 0xf0), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(17, 4, 20, 46));                 // a meridian
    p.drawLine(QPointF(27, 4), QPointF(27, 50));
    p.drawLine(QPointF(4, 27), QPointF(50, 27));          // the equator
    p.drawArc(QRectF(8, -6, 38, 26), 200 * 16, 140 * 16);  // the northern parallel
    p.drawArc(QRectF(8, 34, 38, 26), 20 * 16, 140 * 16);   // the southern one

    // The download: a yellow arrow coming down in front, onto a bar.
    const QColor yellow(0xf5, 0xc2, 0x1b);
    p.setPen(QPen(QColor(0x6e, 0x52, 0x00), 1.5));
    p.setBrush(yellow);
    QPainterPath arrow;
    arrow.moveTo(40, 26);
    arrow.lineTo(52, 26);
    arrow.lineTo(52, 42);
    arrow.lineTo(60, 42);
    arrow.lineTo(46, 56);
    arrow.lineTo(32, 42);
    arrow.lineTo(40, 42);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.drawRect(QRectF(33, 58, 26, 4));
}

} // namespace

QIcon appIcon()
{
    static const QIcon icon = drawn(drawFloppyWithCircle);
    return icon;
}

QImage appIconPicture(int size) { return picture(drawFloppyWithCircle, size); }

QIcon updaterIcon()
{
    static const QIcon icon = drawn(drawGlobeWithArrow);
    return icon;
}

} // namespace resources
