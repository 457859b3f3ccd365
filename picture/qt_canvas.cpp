#include "picture/qt_canvas.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mv {

namespace {

constexpr int kDefaultCellPixels = 16;  // the device's default font size, as the system font's

QColor qtColour(Rgb c) { return QColor(c.r, c.g, c.b); }

// Cell height (ascent + descent) of a face at pixel size 100 on a device, cached per face and
// resolution, to turn a requested cell height into a pixel (em) size.
double cellPer100(const QString& family, int weight, QPaintDevice* device) {
    static QHash<QString, double> cache;
    const int dpi = device ? device->logicalDpiY() : 96;
    const QString key = family + QLatin1Char('/') + QString::number(weight) + QLatin1Char('/') + QString::number(dpi);
    if (const auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    QFont probe(family);
    probe.setPixelSize(100);
    probe.setWeight(static_cast<QFont::Weight>(weight));
    const QFontMetricsF m = device ? QFontMetricsF(probe, device) : QFontMetricsF(probe);
    const double cell = m.ascent() + m.descent();
    const double value = cell > 0 ? cell : 100.0;
    cache.insert(key, value);
    return value;
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const DeviceCaps& caps, bool printer) : Canvas(caps, printer), painter_(painter) {}

QFont QtCanvas::qtFont(const FontDesc& desc, int deviceHeight, QPaintDevice* device) {
    const QString family = QString::fromStdString(desc.faceName);
    QFont font(family);
    const bool fixed = (desc.pitchAndFamily & 0x03) == FontBits::FixedPitch;
    const int familyBits = desc.pitchAndFamily & 0xF0;
    if (fixed || familyBits == FontBits::FamilyModern) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else if (familyBits == FontBits::FamilySwiss) {
        font.setStyleHint(QFont::SansSerif);
    }
    const int weight = std::clamp(desc.weight == 0 ? 400 : desc.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    font.setStrikeOut(desc.strikeOut);
    font.setKerning(false);
    int pixels = kDefaultCellPixels;
    if (deviceHeight < 0) {
        pixels = -deviceHeight;
    } else if (deviceHeight > 0) {
        pixels = std::max(1, roundHalfUp(deviceHeight * 100.0 / cellPer100(family, weight, device)));
    } else {
        pixels = std::max(1, roundHalfUp(kDefaultCellPixels * 100.0 / cellPer100(family, weight, device)));
    }
    font.setPixelSize(pixels);
    return font;
}

const QFont& QtCanvas::currentFont() const {
    const int height = deviceFontHeight(font());
    if (!fontValid_ || fontDeviceHeight_ != height || !(fontDesc_ == font())) {
        fontDesc_ = font();
        fontDeviceHeight_ = height;
        font_ = qtFont(fontDesc_, height, painter_.device());
        if (fontDesc_.width > 0) {
            // A requested average width stretches the face's natural advance.
            const QFontMetricsF natural(font_, painter_.device());
            const double wanted = deviceWidth(fontDesc_.width);
            if (natural.averageCharWidth() > 0)
                font_.setStretch(std::clamp(roundHalfUp(100.0 * wanted / natural.averageCharWidth()), 1, 4000));
        }
        fontValid_ = true;
    }
    return font_;
}

QFontMetricsF QtCanvas::currentMetrics() const { return QFontMetricsF(currentFont(), painter_.device()); }

TextMetrics QtCanvas::textMetrics() const {
    const QFontMetricsF m = currentMetrics();
    const int ascent = roundHalfUp(m.ascent());
    const int descent = roundHalfUp(m.descent());
    const int cell = ascent + descent;
    const int em = currentFont().pixelSize();
    TextMetrics t;
    t.height = logicalHeight(cell);
    t.ascent = logicalHeight(ascent);
    t.descent = logicalHeight(descent);
    t.internalLeading = logicalHeight(std::max(0, cell - em));
    t.externalLeading = logicalHeight(std::max(0, roundHalfUp(m.leading())));
    t.aveCharWidth = logicalWidth(roundHalfUp(m.averageCharWidth()));
    t.maxCharWidth = logicalWidth(roundHalfUp(m.maxWidth()));
    t.weight = fontDesc_.weight == 0 ? 400 : fontDesc_.weight;
    return t;
}

Size QtCanvas::textExtent(std::string_view text) const {
    const QFontMetricsF m = currentMetrics();
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int width = roundHalfUp(m.horizontalAdvance(s));
    const int cell = roundHalfUp(m.ascent()) + roundHalfUp(m.descent());
    return {logicalWidth(width), logicalHeight(cell)};
}

void QtCanvas::drawTextAt(Point reference, std::string_view text, unsigned align) {
    const QFont& font = currentFont();
    const QFontMetricsF m(font, painter_.device());
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const double w = m.horizontalAdvance(s);
    const double ascent = roundHalfUp(m.ascent());
    const double h = ascent + roundHalfUp(m.descent());
    const CellOffset offset = alignedCellOffset(align, w, h, ascent);
    const double u0 = offset.u;
    const double v0 = offset.v;
    const Point at = toDevice(reference);
    painter_.save();
    painter_.translate(at.x, at.y);
    // Qt's rotation turns clockwise on the device.
    const int turn = seenEscapement(fontDesc_.escapement);
    if (font.pixelSize() > 0 && turn % 3600 != 0) painter_.rotate(-turn / 10.0);
    if (backgroundMode() == BackgroundMode::Opaque) painter_.fillRect(QRectF(u0, v0, w, h), qtColour(backgroundColor()));
    painter_.setFont(font);
    painter_.setPen(qtColour(textColor()));
    painter_.drawText(QPointF(u0, v0 + ascent), s);
    painter_.restore();
}

void QtCanvas::drawLine(Point from, Point to) {
    QPen qpen(qtColour(pen().colour));
    qpen.setWidth(devicePenWidth(pen()));
    qpen.setCapStyle(Qt::FlatCap);
    painter_.save();
    painter_.setPen(qpen);
    painter_.drawLine(QPoint(toDevice(from).x, toDevice(from).y), QPoint(toDevice(to).x, toDevice(to).y));
    painter_.restore();
}

void QtCanvas::drawRectangle(const Rect& rect) {
    const Point a = toDevice({rect.left, rect.top});
    const Point b = toDevice({rect.right, rect.bottom});
    const QRect r = QRect(QPoint(a.x, a.y), QPoint(b.x, b.y)).normalized();
    QPen qpen(qtColour(pen().colour));
    qpen.setWidth(devicePenWidth(pen()));
    painter_.save();
    painter_.setPen(qpen);
    painter_.setBrush(Qt::white);
    painter_.drawRect(r.adjusted(0, 0, -1, -1));
    painter_.restore();
}

}  // namespace mv
