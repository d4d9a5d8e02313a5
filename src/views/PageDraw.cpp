#include "views/PageDraw.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QtMath>

#include <algorithm>

QFont DefaultPageFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                   QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")});
    f.setPixelSize(16);
    f.setWeight(QFont::Normal);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void PreparePagePainter(QPainter& p)
{
    p.setFont(DefaultPageFont());
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void DrawPageText(QPainter& p, int x, int y, const std::string& text, const QColor& color)
{
    if (text.empty())
        return;
    QPen old = p.pen();
    p.setPen(color);
    QFontMetrics fm(p.font(), p.device());
    p.drawText(QPoint(x, y + fm.ascent()), QString::fromStdString(text));
    p.setPen(old);
}

int PageTextWidth(const QPainter& p, const QString& text)
{
    return QFontMetrics(p.font(), p.device()).horizontalAdvance(text);
}

void OutlineRect(QPainter& p, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    QBrush old = p.brush();
    p.setBrush(Qt::NoBrush);
    p.drawRect(x, y, w - 1, h - 1);
    p.setBrush(old);
}

void FilledRect(QPainter& p, int x, int y, int w, int h, const QColor& fill)
{
    if (w <= 0 || h <= 0)
        return;
    p.fillRect(x, y, w, h, fill);
    OutlineRect(p, x, y, w, h);
}

void DrawPicture(QPainter& p, int x, int y, const QImage& source)
{
    if (!source.isNull())
        p.drawImage(QPoint(x, y), source);
}

QSize DeviceSize(const QPainter& p, int w, int h)
{
    const QRectF covered = p.combinedTransform().mapRect(QRectF(0, 0, w, h));
    return QSize(std::max(1, qCeil(covered.width())), std::max(1, qCeil(covered.height())));
}

void StretchPicture(QPainter& p, int x, int y, int w, int h, const QImage& source)
{
    if (source.isNull() || w <= 0 || h <= 0)
        return;
    const QSize device = DeviceSize(p, w, h);
    if (source.size() == device) {
        p.drawImage(QRect(x, y, w, h), source);
        return;
    }
    // Large reductions look better pre-scaled than sampled by the painter. Only a reduction in
    // both directions is pre-scaled, so the copy is never larger than the source; the painter
    // enlarges without a copy, drawing only what lies inside the device.
    const int dw = device.width(), dh = device.height();
    const bool reduces = dw <= source.width() && dh <= source.height();
    // A PDF (a printer's too) embeds what it is given: any reduction there is made here, so the
    // file holds no more pixels than the sheet shows.
    const bool embeds = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Pdf;
    if (reduces && (embeds || source.width() > 2LL * dw || source.height() > 2LL * dh)) {
        p.drawImage(QRect(x, y, w, h),
                    source.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return;
    }
    p.drawImage(QRect(x, y, w, h), source);
}

std::optional<QFont> CreatePageFont(const std::string& face, int size)
{
    if (face.empty())
        return std::nullopt;
    QFont f;
    // The face first, then a Japanese face for characters the chosen face lacks.
    f.setFamilies(
        {QString::fromStdString(face), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    f.setPixelSize(size > 0 ? size : 1);
    f.setWeight(QFont::Normal);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}
