#include "resources/Clips.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

namespace resources {

namespace {

constexpr int kFrames = 16;
constexpr double kPi = 3.14159265358979323846;

const QColor kOutline(40, 40, 40);

void drawFolder(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(214, 170, 40));
    QPainterPath back;
    back.moveTo(r.left(), r.bottom());
    back.lineTo(r.left(), r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.35, r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.42, r.top());
    back.lineTo(r.right(), r.top());
    back.lineTo(r.right(), r.bottom());
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 246, 232));
    p.drawRect(QRectF(r.left() + 4, r.top() + 5, r.width() - 8, r.height() - 10));
    p.setBrush(QColor(246, 206, 80));
    QPainterPath front;
    front.moveTo(r.left(), r.bottom());
    front.lineTo(r.left() + 5, r.top() + r.height() * 0.38);
    front.lineTo(r.right() + 4, r.top() + r.height() * 0.38);
    front.lineTo(r.right(), r.bottom());
    front.closeSubpath();
    p.drawPath(front);
}

void drawFloppy(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(38, 58, 120));
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - 5, r.top());
    body.lineTo(r.right(), r.top() + 5);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.drawPath(body);
    // Metal shutter with its window, and the paper label.
    p.setBrush(QColor(190, 194, 200));
    const QRectF shutter(r.left() + r.width() * 0.25, r.top(), r.width() * 0.5, r.height() * 0.34);
    p.drawRect(shutter);
    p.setBrush(QColor(38, 58, 120));
    p.drawRect(QRectF(shutter.left() + shutter.width() * 0.6, shutter.top() + 2, shutter.width() * 0.22, shutter.height() - 4));
    p.setBrush(QColor(245, 245, 240));
    p.drawRect(QRectF(r.left() + 4, r.top() + r.height() * 0.48, r.width() - 8, r.height() * 0.48));
    p.setPen(QPen(QColor(150, 160, 190), 1));
    for (double y = r.top() + r.height() * 0.6; y < r.bottom() - 3; y += 4)
        p.drawLine(QPointF(r.left() + 7, y), QPointF(r.right() - 7, y));
}

void drawPage(QPainter& p, const QPointF& centre, double angleDeg)
{
    p.save();
    p.translate(centre);
    p.rotate(angleDeg);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(-6, -8);
    sheet.lineTo(3, -8);
    sheet.lineTo(6, -5);
    sheet.lineTo(6, 8);
    sheet.lineTo(-6, 8);
    sheet.closeSubpath();
    p.drawPath(sheet);
    p.setPen(QPen(QColor(90, 110, 170), 1));
    for (int y = -4; y <= 5; y += 3)
        p.drawLine(QPointF(-4, y), QPointF(4, y));
    p.restore();
}

void drawGlobe(QPainter& p, const QRectF& r, double turn)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(70, 130, 210));
    p.drawEllipse(r);
    // Land masses sliding round as the globe turns, clipped to the sphere.
    p.save();
    QPainterPath sphere;
    sphere.addEllipse(r);
    p.setClipPath(sphere);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 170, 80));
    for (int k = 0; k < 3; ++k) {
        const double x = r.left() + std::fmod(turn * r.width() + k * r.width() / 1.5, r.width() * 2) - r.width() / 2;
        p.drawEllipse(QRectF(x, r.top() + r.height() * (0.2 + 0.25 * k), r.width() * 0.35, r.height() * 0.22));
    }
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(220, 235, 255, 160), 1));
    for (int k = 0; k < 3; ++k) {
        const double w = r.width() * std::fabs(std::cos(turn * kPi + k * kPi / 3));
        p.drawEllipse(QRectF(r.center().x() - w / 2, r.top(), w, r.height()));
    }
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
}

void drawMonitor(QPainter& p, const QRectF& r, double fill)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(200, 198, 190));
    const QRectF case_(r.left(), r.top(), r.width(), r.height() * 0.78);
    p.drawRect(case_);
    p.drawRect(QRectF(r.center().x() - r.width() * 0.25, case_.bottom(), r.width() * 0.5, r.height() * 0.22));
    const QRectF screen = case_.adjusted(4, 4, -4, -4);
    p.setBrush(QColor(20, 60, 110));
    p.drawRect(screen);
    // The screen fills up from the bottom with what arrives.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 200, 120));
    p.drawRect(QRectF(screen.left() + 1, screen.bottom() - screen.height() * fill, screen.width() - 1, screen.height() * fill));
}

void drawMagnifier(QPainter& p, const QPointF& centre, double radius)
{
    p.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7), centre + QPointF(radius * 1.6, radius * 1.6));
    p.setPen(QPen(kOutline, 2));
    p.setBrush(QColor(200, 230, 255, 110));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawArc(QRectF(centre.x() - radius * 0.6, centre.y() - radius * 0.6, radius * 1.2, radius * 1.2), 100 * 16, 60 * 16);
}

QImage blankFrame(int w, int h)
{
    QImage frame(w, h, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    return frame;
}

Clip makeClip(int w, int h, int frameMs, const std::function<void(QPainter&, double)>& draw)
{
    Clip clip;
    clip.frameMs = frameMs;
    for (int i = 0; i < kFrames; ++i) {
        QImage frame = blankFrame(w, h);
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, double(i) / kFrames);
        p.end();
        clip.frames << frame;
    }
    return clip;
}

// 100: a magnifier sweeping to and fro over three folders.
Clip searchClip()
{
    return makeClip(180, 50, 90, [](QPainter& p, double t) {
        for (int k = 0; k < 3; ++k)
            drawFolder(p, QRectF(22 + k * 50, 18, 36, 26));
        const QPointF glass(90 + 62 * std::sin(2 * kPi * t), 22 + 6 * std::sin(4 * kPi * t));
        drawMagnifier(p, glass, 11);
    });
}

// 110: pages travelling from the turning globe into the computer, whose screen fills.
Clip fetchClip()
{
    return makeClip(272, 50, 80, [](QPainter& p, double t) {
        drawGlobe(p, QRectF(12, 6, 38, 38), t);
        drawMonitor(p, QRectF(214, 4, 48, 42), 0.15 + 0.8 * t);
        p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        p.drawLine(QPointF(54, 25), QPointF(210, 25));
        for (int k = 0; k < 3; ++k) {
            const double s = std::fmod(t + k / 3.0, 1.0);
            drawPage(p, QPointF(60 + s * 145, 25 - 5 * std::sin(2 * kPi * s)), 0);
        }
    });
}

// 120: a page flying in an arc from the open folder into the diskette.
Clip copyClip()
{
    return makeClip(272, 50, 70, [](QPainter& p, double t) {
        drawFolder(p, QRectF(10, 16, 44, 30));
        drawFloppy(p, QRectF(222, 8, 38, 38));
        const double x = 38 + t * 196;
        const double y = 28 - 16 * std::sin(kPi * t);
        drawPage(p, QPointF(x, y), -30 + 60 * t);
    });
}

} // namespace

std::optional<Clip> appClip(int number)
{
    static QHash<int, Clip> made;
    if (const auto it = made.constFind(number); it != made.constEnd())
        return *it;
    Clip clip;
    switch (number) {
    case 100: clip = searchClip(); break;
    case 110: clip = fetchClip(); break;
    case 120: clip = copyClip(); break;
    default: return std::nullopt;
    }
    made.insert(number, clip);
    return clip;
}

} // namespace resources
