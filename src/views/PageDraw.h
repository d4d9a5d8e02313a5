#pragma once
// Drawing primitives shared by the pages: the page font, text placed by its top-left corner
// (never with a background box), outlines that cover the same pixels on every device.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <optional>
#include <string>

// The font a page starts with: a Japanese gothic face, 16 pixels high.
QFont DefaultPageFont();
// A font of `size` pixels in `face`; none when the face is empty (the painter's font is used).
std::optional<QFont> CreatePageFont(const std::string& face, int size);

// A painter over `image` prepared for page drawing: page font, black pen, no brush, crisp lines.
void PreparePagePainter(QPainter& p);

// Draws UTF-8 `text` with its top-left corner at (x, y) in `color`; the pen is left unchanged.
void DrawPageText(QPainter& p, int x, int y, const std::string& text, const QColor& color);
int PageTextWidth(const QPainter& p, const QString& text);

// The outline of a w x h rectangle at (x, y) with the current pen, covering x..x+w-1.
void OutlineRect(QPainter& p, int x, int y, int w, int h);
// Outline with the current pen, inside filled with `fill`.
void FilledRect(QPainter& p, int x, int y, int w, int h, const QColor& fill);
// Copies `source` unscaled to (x, y); parts outside the source are left as they are.
void DrawPicture(QPainter& p, int x, int y, const QImage& source);
// The device pixels that w x h page units cover on the painter's device (a printer maps a
// page unit onto several of its dots).
QSize DeviceSize(const QPainter& p, int w, int h);
// Stretches the whole of `source` into the w x h rectangle at (x, y), smoothly, keeping all the
// detail the device can show.
void StretchPicture(QPainter& p, int x, int y, int w, int h, const QImage& source);

namespace PageColors {
inline const QColor Black{0, 0, 0};
inline const QColor Blue{0, 0, 255};
inline const QColor Red{255, 0, 0};
inline const QColor Grey{128, 128, 128};
inline const QColor White{255, 255, 255};
}  // namespace PageColors
