#pragma once

#include "display/canvas.h"

#include <QFont>
#include <QFontMetricsF>

class QPainter;
class QPaintDevice;

namespace mv {

// The Canvas on a QPainter: the view's viewport, a printer page or a print-preview page, an image,
// an SVG or a PDF. Fonts are requested by face name (Courier New and Arial resolve to the metric-compatible
// Liberation faces) at the device height the mapping mode gives.
class QtCanvas : public Canvas {
public:
    QtCanvas(QPainter& painter, const DeviceCaps& caps, bool printer);

    TextMetrics textMetrics() const override;
    Size textExtent(std::string_view text) const override;

    // The Qt font for a logical font at a device height in pixels with GDI's sign rule (negative:
    // character height; positive: cell height; 0: the default size).
    static QFont qtFont(const FontDesc& desc, int deviceHeight, QPaintDevice* device);

protected:
    void drawTextAt(Point reference, std::string_view text, unsigned align) override;
    void drawLine(Point from, Point to) override;
    void drawRectangle(const Rect& rect) override;

private:
    // The selected font as a QFont for this device; rebuilt when the selection or mapping changed.
    const QFont& currentFont() const;
    QFontMetricsF currentMetrics() const;

    QPainter& painter_;
    mutable QFont font_;
    mutable FontDesc fontDesc_;
    mutable int fontDeviceHeight_ = 0;
    mutable bool fontValid_ = false;
};

}  // namespace mv
