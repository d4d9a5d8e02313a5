#include "res/Icons.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace {
// Every picture is drawn on a 16-unit grid and scaled to the requested size.
QImage Paint(int size, const std::function<void(QPainter&)>& draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return img;
}

QPen Outline(const QColor& c, double w = 1.0)
{
    QPen pen(c, w);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

const QColor kInk(40, 40, 48);

void Camera(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.setBrush(QColor(90, 100, 120));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
    p.drawRect(QRectF(5, 2.5, 5, 2));
    p.setBrush(QColor(170, 210, 240));
    p.drawEllipse(QPointF(8, 9), 3.2, 3.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(7, 8), 1, 1);
    p.setBrush(QColor(250, 200, 60));
    p.drawRect(QRectF(11.5, 5.5, 2, 1.2));
}

void Weather(QPainter& p)
{
    p.setPen(Outline(QColor(220, 130, 0)));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(6, 6);
        p.rotate(i * 45);
        p.drawLine(QPointF(0, -4.2), QPointF(0, -5.6));
        p.restore();
    }
    p.setBrush(QColor(255, 200, 40));
    p.drawEllipse(QPointF(6, 6), 3, 3);
    QPainterPath cloud;
    cloud.addEllipse(QRectF(5, 9, 5, 5));
    cloud.addEllipse(QRectF(8, 7, 6, 6));
    cloud.addRoundedRect(QRectF(5.5, 10.5, 10, 4), 2, 2);
    p.setPen(Outline(QColor(90, 110, 140)));
    p.setBrush(QColor(235, 240, 250));
    p.drawPath(cloud.simplified());
}

void Pencil(QPainter& p)
{
    p.translate(8, 8);
    p.rotate(45);
    p.setPen(Outline(kInk));
    p.setBrush(QColor(250, 190, 40));
    p.drawRect(QRectF(-1.8, -7, 3.6, 10));
    p.setBrush(QColor(240, 130, 150));
    p.drawRect(QRectF(-1.8, -7.5, 3.6, 2));
    QPainterPath tip;
    tip.moveTo(-1.8, 3);
    tip.lineTo(1.8, 3);
    tip.lineTo(0, 7);
    tip.closeSubpath();
    p.setBrush(QColor(240, 215, 170));
    p.drawPath(tip);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(0, 6.3), 0.5, 0.6);
}

void Calendar(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setBrush(QColor(210, 50, 50));
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 80, 90));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            p.drawRect(QRectF(3 + c * 2.8, 7 + r * 2.4, 1.6, 1.4));
    p.setPen(Outline(kInk));
    p.drawLine(QPointF(4.5, 1), QPointF(4.5, 3.5));
    p.drawLine(QPointF(11.5, 1), QPointF(11.5, 3.5));
}

void Graph(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.drawLine(QPointF(2, 1.5), QPointF(2, 14));
    p.drawLine(QPointF(2, 14), QPointF(15, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 180, 230));
    p.drawRect(QRectF(4, 9, 2.2, 5));
    p.drawRect(QRectF(8, 6, 2.2, 8));
    p.drawRect(QRectF(12, 4, 2.2, 10));
    p.setPen(Outline(QColor(30, 150, 50), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(3, 11), QPointF(7, 8), QPointF(10, 8.5), QPointF(14.5, 3)}));
}

void List(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(QColor(180, 210, 240));
    p.drawRect(QRectF(1.5, 1.5, 13, 3));
    p.setPen(Outline(QColor(110, 110, 120), 0.8));
    for (int r = 0; r < 3; ++r)
        p.drawLine(QPointF(1.5, 7.5 + r * 2.5), QPointF(14.5, 7.5 + r * 2.5));
    p.drawLine(QPointF(6, 4.5), QPointF(6, 14.5));
}

void Film(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(1.5, 2, 13, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2.5 + i * 3.2, 2.8, 1.6, 1.3));
        p.drawRect(QRectF(2.5 + i * 3.2, 11.9, 1.6, 1.3));
    }
    p.setBrush(QColor(150, 210, 120));
    p.drawRect(QRectF(2.5, 5, 5, 6));
    p.drawRect(QRectF(8.5, 5, 5, 6));
}

void Printer(QPainter& p)
{
    p.setPen(Outline(kInk));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10, 7, 5));
    p.setPen(Outline(QColor(110, 110, 120), 0.7));
    p.drawLine(QPointF(5.8, 12), QPointF(10.2, 12));
    p.drawLine(QPointF(5.8, 13.5), QPointF(10.2, 13.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 60));
    p.drawEllipse(QPointF(12.5, 8), 0.8, 0.8);
}
}  // namespace

QImage ToolBarPicture(int commandId, int size)
{
    switch (commandId) {
    case 32774:
        return Paint(size, Camera);
    case 32780:
        return Paint(size, Weather);
    case 32849:
        return Paint(size, Pencil);
    case 32792:
        return Paint(size, Calendar);
    case 32800:
        return Paint(size, Graph);
    case 59410:
        return Paint(size, List);
    case 32803:
        return Paint(size, Film);
    case 57607:
        return Paint(size, Printer);
    default:
        return QImage();
    }
}

QImage AppIconPicture(int size)
{
    return Paint(size, [](QPainter& p) {
        QPainterPath pot;
        pot.moveTo(3.5, 9);
        pot.lineTo(12.5, 9);
        pot.lineTo(11, 15);
        pot.lineTo(5, 15);
        pot.closeSubpath();
        p.setPen(Outline(QColor(120, 60, 30)));
        p.setBrush(QColor(200, 110, 60));
        p.drawPath(pot);
        p.setPen(Outline(QColor(30, 120, 40), 1.2));
        p.drawLine(QPointF(8, 9), QPointF(8, 4.5));
        p.setPen(Outline(QColor(30, 110, 40), 0.8));
        p.setBrush(QColor(90, 190, 70));
        QPainterPath left;
        left.moveTo(8, 6);
        left.cubicTo(6, 2, 2.5, 3, 1.5, 4.5);
        left.cubicTo(3, 7, 6, 7, 8, 6);
        p.drawPath(left);
        QPainterPath right;
        right.moveTo(8, 5);
        right.cubicTo(10, 1, 13.5, 1, 14.5, 2.5);
        right.cubicTo(13, 5.5, 10, 6, 8, 5);
        p.drawPath(right);
    });
}

// The alignment buttons: a raised face (released) or a sunken one (pressed, the glyph moved by
// a pixel, as a pushed key looks), with an arrow for the moves and a magnifier for the zooms.
QImage AlignButtonPicture(const std::string& name, int size)
{
    const bool pressed = !name.empty() && name.back() == 'D';
    const std::string glyph = name.empty() ? name : name.substr(0, name.size() - 1);
    return Paint(size, [&](QPainter& p) {
        const QColor face(236, 233, 216), light(255, 255, 255), shade(128, 128, 128);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(0, 0, 16, 16), face);
        p.setPen(QPen(pressed ? shade : light, 0));
        p.drawLine(QPointF(0, 0), QPointF(15.5, 0));
        p.drawLine(QPointF(0, 0), QPointF(0, 15.5));
        p.setPen(QPen(pressed ? light : shade, 0));
        p.drawLine(QPointF(15.5, 0), QPointF(15.5, 15.5));
        p.drawLine(QPointF(0, 15.5), QPointF(15.5, 15.5));
        p.setRenderHint(QPainter::Antialiasing, true);
        if (pressed)
            p.translate(0.6, 0.6);
        p.setPen(Outline(kInk, 0.8));
        p.setBrush(QColor(40, 110, 200));
        const int turns = glyph == "UP"      ? 0
                          : glyph == "RIGHT" ? 1
                          : glyph == "DOWN"  ? 2
                          : glyph == "LEFT"  ? 3
                                             : -1;
        if (turns >= 0) {
            p.translate(8, 8);
            p.rotate(90 * turns);
            const QPointF arrow[] = {{0, -5.5}, {5, 0}, {2, 0}, {2, 5}, {-2, 5}, {-2, 0}, {-5, 0}};
            p.drawPolygon(arrow, 7);
            return;
        }
        // EXP enlarges the picture (plus), RDC reduces it (minus).
        p.setBrush(QColor(220, 235, 250));
        p.drawEllipse(QPointF(7, 7), 4.5, 4.5);
        p.setPen(Outline(kInk, 1.6));
        p.drawLine(QPointF(10.3, 10.3), QPointF(14, 14));
        p.setPen(Outline(QColor(40, 110, 200), 1.3));
        p.drawLine(QPointF(4.8, 7), QPointF(9.2, 7));
        if (glyph == "EXP")
            p.drawLine(QPointF(7, 4.8), QPointF(7, 9.2));
    });
}
