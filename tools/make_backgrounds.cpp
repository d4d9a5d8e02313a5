// Draws the page background pictures that ship in kit/: make_backgrounds <kit folder>.
// The link and arrow buttons stand where kit/Layout.ini and the detail page expect them.
#include "photos/PictureFile.h"
#include "platform/Files.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kWidth = 780, kHeight = 496;
const QColor kPaper(0xFB, 0xF8, 0xEF);
const QColor kBand(0xE4, 0xF0, 0xDC);
const QColor kBandLine(0x8C, 0xB8, 0x7A);
const QColor kRule(0xDC, 0xE6, 0xEE);
const QColor kButton(0xFF, 0xFF, 0xFF);
const QColor kButtonEdge(0x5E, 0x9C, 0x4C);
const QColor kInk(0x2F, 0x5E, 0x23);

QFont font(int px, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

// Paper with a header band of `band` pixels and faint ruled lines below it.
QImage paper(int band)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(kPaper);
    QPainter p(&img);
    p.fillRect(0, 0, kWidth, band, kBand);
    p.setPen(QPen(kBandLine, 2));
    p.drawLine(0, band, kWidth, band);
    p.setPen(QPen(kRule, 1));
    for (int y = band + 24; y < kHeight; y += 24)
        p.drawLine(0, y, kWidth, y);
    // The binding holes of a notebook along the left edge.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xC8, 0xC8, 0xC0), 1));
    p.setBrush(QColor(0xEE, 0xEC, 0xE4));
    for (int y = band + 30; y < kHeight - 10; y += 48)
        p.drawEllipse(QPoint(12, y), 4, 4);
    return img;
}

// A link button of 50 x 18 with its corner at (x, y), as the page header expects: an arrow
// towards its side and the label, in the largest size up to 12 pixels at which both stay
// inside the button.
void linkButton(QPainter& p, int x, int y, const QString& text, bool previous)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(x + 2.5, y + 1.5, 45, 15);
    p.setPen(QPen(kButtonEdge, 1));
    p.setBrush(kButton);
    p.drawRoundedRect(box, 5, 5);

    constexpr double arrow = 4, gap = 1.5, inset = 3;
    const double room = box.width() - 2 * inset - arrow - gap;
    QFont f = font(12, true);
    for (int px = 12; px > 6 && QFontMetricsF(f).horizontalAdvance(text) > room; --px)
        f = font(px - 1, true);
    const double textWidth = QFontMetricsF(f).horizontalAdvance(text);
    const double left = box.left() + (box.width() - arrow - gap - textWidth) / 2;
    const double cy = box.center().y();
    const double ax = previous ? left : left + textWidth + gap;
    QPainterPath tri;
    tri.moveTo(previous ? ax : ax + arrow, cy);
    tri.lineTo(previous ? ax + arrow : ax, cy - 3);
    tri.lineTo(previous ? ax + arrow : ax, cy + 3);
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kButtonEdge);
    p.drawPath(tri);
    p.setPen(kInk);
    p.setFont(f);
    const double tx = previous ? left + arrow + gap : left;
    p.drawText(QRectF(tx, box.top(), textWidth + 1, box.height()), Qt::AlignCenter, text);
    p.restore();
}

void titleBox(QPainter& p)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kButtonEdge, 1));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRoundedRect(QRectF(320.5, 9.5, 140, 32), 8, 8);
    p.restore();
}

QImage headerPage(const QString& prev, const QString& next)
{
    QImage img = paper(50);
    QPainter p(&img);
    titleBox(p);
    linkButton(p, 40, 16, prev, true);
    linkButton(p, 690, 16, next, false);
    return img;
}

// The previous/next-day arrows: inside (0..58, 24..56) and (714..780, 24..56).
void arrowButton(QPainter& p, bool left)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = left ? QRectF(5.5, 26.5, 50, 26) : QRectF(722.5, 26.5, 50, 26);
    p.setPen(QPen(kButtonEdge, 1));
    p.setBrush(kButton);
    p.drawRoundedRect(box, 6, 6);
    QPainterPath tri;
    const double cy = box.center().y();
    if (left) {
        tri.moveTo(box.left() + 6, cy);
        tri.lineTo(box.left() + 16, cy - 7);
        tri.lineTo(box.left() + 16, cy + 7);
    } else {
        tri.moveTo(box.right() - 6, cy);
        tri.lineTo(box.right() - 16, cy - 7);
        tri.lineTo(box.right() - 16, cy + 7);
    }
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kButtonEdge);
    p.drawPath(tri);
    p.setPen(kInk);
    p.setFont(font(11, true));
    QRectF label = left ? box.adjusted(17, 0, -2, 0) : box.adjusted(2, 0, -17, 0);
    p.drawText(label, Qt::AlignCenter, left ? QStringLiteral("前の日") : QStringLiteral("次の日"));
    p.restore();
}

QImage detailPage()
{
    QImage img = paper(60);
    QPainter p(&img);
    arrowButton(p, true);
    arrowButton(p, false);
    p.setPen(kInk);
    p.setFont(font(22, true));
    p.drawText(QRect(200, 14, 380, 34), Qt::AlignCenter, QStringLiteral("かんさつノート"));
    return img;
}

bool save(const std::string& folder, const char* name, const QImage& img)
{
    std::string path = JoinPath(folder, name);
    if (!SavePictureFile(path, img, img.width(), img.height(), 98)) {
        std::fprintf(stderr, "make_backgrounds: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_backgrounds <kit folder>\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    std::string folder = argv[1];
    bool ok = save(folder, "calendar.jpg", headerPage(QStringLiteral("前の月"), QStringLiteral("次の月")));
    ok = save(folder, "graph.jpg", headerPage(QStringLiteral("前の月"), QStringLiteral("次の月"))) && ok;
    ok = save(folder, "list.jpg", headerPage(QStringLiteral("前へ"), QStringLiteral("次へ"))) && ok;
    ok = save(folder, "detail.jpg", detailPage()) && ok;
    return ok ? 0 : 1;
}
