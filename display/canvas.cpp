#include "display/canvas.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace mv {

namespace {

constexpr int kFallbackDpi = 96;

DeviceCaps sanitized(DeviceCaps caps) {
    if (caps.logPixelsX <= 0) caps.logPixelsX = kFallbackDpi;
    if (caps.logPixelsY <= 0) caps.logPixelsY = kFallbackDpi;
    return caps;
}

}  // namespace

int roundHalfUp(double v) { return static_cast<int>(std::floor(v + 0.5)); }

CellOffset alignedCellOffset(unsigned align, double width, double height, double ascent) {
    CellOffset o;
    switch (align & TextAlign::HorizontalMask) {
        case TextAlign::Right: o.u = -width; break;
        case TextAlign::Center: o.u = -std::floor(width / 2); break;
        default: break;
    }
    switch (align & TextAlign::VerticalMask) {
        case TextAlign::Bottom: o.v = -height; break;
        case TextAlign::Baseline: o.v = -ascent; break;
        default: break;
    }
    return o;
}

FontDesc systemFont() {
    FontDesc f;
    f.faceName = "System";
    f.height = 16;
    f.weight = 700;
    f.pitchAndFamily = FontBits::VariablePitch | FontBits::FamilySwiss;
    return f;
}

Canvas::Canvas(const DeviceCaps& caps, bool printer)
    : caps_(sanitized(caps)), printer_(printer), font_(systemFont()) {}

int Canvas::deviceCap(DeviceCap which) const {
    switch (which) {
        case DeviceCap::HorzRes: return caps_.horzRes;
        case DeviceCap::VertRes: return caps_.vertRes;
        case DeviceCap::LogPixelsX: return caps_.logPixelsX;
        case DeviceCap::LogPixelsY: return caps_.logPixelsY;
        case DeviceCap::HorzSize: return caps_.horzSize;
        case DeviceCap::VertSize: return caps_.vertSize;
    }
    return 0;
}

MapMode Canvas::setMapMode(MapMode mode) {
    const MapMode previous = mode_;
    mode_ = mode;
    // The English and metric modes are defined by the pixel density, so that a logical inch is
    // LOGPIXELS pixels: the same scale the listing's page height and printed strips assume.
    const Size viewport{caps_.logPixelsX, -caps_.logPixelsY};
    switch (mode) {
        case MapMode::Text:
            windowExt_ = {1, 1};
            viewportExt_ = {1, 1};
            break;
        case MapMode::LoEnglish:
            windowExt_ = {100, 100};
            viewportExt_ = viewport;
            break;
        case MapMode::HiEnglish:
            windowExt_ = {1000, 1000};
            viewportExt_ = viewport;
            break;
        case MapMode::Isotropic:
            // Starts as 0.1 mm units, y up, until the caller sets its own extents.
            windowExt_ = {254, 254};
            viewportExt_ = viewport;
            applyIsotropic();
            break;
    }
    return previous;
}

bool Canvas::setWindowExt(Size ext) {
    if (mode_ != MapMode::Isotropic || ext.cx == 0 || ext.cy == 0) return false;
    windowExt_ = ext;
    applyIsotropic();
    return true;
}

bool Canvas::setViewportExt(Size ext) {
    if (mode_ != MapMode::Isotropic || ext.cx == 0 || ext.cy == 0) return false;
    viewportExt_ = ext;
    applyIsotropic();
    return true;
}

// Shrinks the viewport extent on the axis whose logical unit would be physically longer, so that
// one unit covers the same distance across and down (pixels may be non-square: LOGPIXELSX/Y).
void Canvas::applyIsotropic() {
    const double xdim = std::abs(static_cast<double>(viewportExt_.cx) /
                                 (static_cast<double>(caps_.logPixelsX) * windowExt_.cx));
    const double ydim = std::abs(static_cast<double>(viewportExt_.cy) /
                                 (static_cast<double>(caps_.logPixelsY) * windowExt_.cy));
    auto shrink = [](int& ext, double ratio) {
        const int sign = ext < 0 ? -1 : 1;
        int magnitude = roundHalfUp(std::abs(ext) * ratio);
        if (magnitude < 1) magnitude = 1;
        ext = sign * magnitude;
    };
    if (xdim > ydim)
        shrink(viewportExt_.cx, ydim / xdim);
    else if (ydim > xdim)
        shrink(viewportExt_.cy, xdim / ydim);
}

Point Canvas::setWindowOrg(Point org) {
    return std::exchange(windowOrg_, org);
}

Point Canvas::setViewportOrg(Point org) {
    return std::exchange(viewportOrg_, org);
}

Transform Canvas::transform() const {
    Transform t;
    t.scaleX = static_cast<double>(viewportExt_.cx) / windowExt_.cx;
    t.scaleY = static_cast<double>(viewportExt_.cy) / windowExt_.cy;
    t.offsetX = viewportOrg_.x - windowOrg_.x * t.scaleX;
    t.offsetY = viewportOrg_.y - windowOrg_.y * t.scaleY;
    return t;
}

Point Canvas::toDevice(Point logical) const {
    const double x = static_cast<double>(logical.x - windowOrg_.x) * viewportExt_.cx / windowExt_.cx +
                     viewportOrg_.x;
    const double y = static_cast<double>(logical.y - windowOrg_.y) * viewportExt_.cy / windowExt_.cy +
                     viewportOrg_.y;
    return {roundHalfUp(x), roundHalfUp(y)};
}

Point Canvas::toLogical(Point device) const {
    const double x = static_cast<double>(device.x - viewportOrg_.x) * windowExt_.cx / viewportExt_.cx +
                     windowOrg_.x;
    const double y = static_cast<double>(device.y - viewportOrg_.y) * windowExt_.cy / viewportExt_.cy +
                     windowOrg_.y;
    return {roundHalfUp(x), roundHalfUp(y)};
}

int Canvas::deviceWidth(int logicalWidth) const {
    return roundHalfUp(std::abs(static_cast<double>(logicalWidth) * viewportExt_.cx / windowExt_.cx));
}

int Canvas::deviceHeight(int logicalHeight) const {
    return roundHalfUp(std::abs(static_cast<double>(logicalHeight) * viewportExt_.cy / windowExt_.cy));
}

int Canvas::logicalWidth(int deviceWidth) const {
    return roundHalfUp(std::abs(static_cast<double>(deviceWidth) * windowExt_.cx / viewportExt_.cx));
}

int Canvas::logicalHeight(int deviceHeight) const {
    return roundHalfUp(std::abs(static_cast<double>(deviceHeight) * windowExt_.cy / viewportExt_.cy));
}

int Canvas::deviceFontHeight(const FontDesc& font) const {
    if (font.height == 0) return 0;
    int pixels = deviceHeight(font.height);
    if (pixels < 1) pixels = 1;
    return font.height < 0 ? -pixels : pixels;
}

int Canvas::devicePenWidth(const PenDesc& pen) const {
    const int pixels = deviceWidth(pen.width);
    return pixels < 1 ? 1 : pixels;
}

bool Canvas::yUp() const {
    return (viewportExt_.cy < 0) != (windowExt_.cy < 0);
}

FontDesc Canvas::selectFont(const FontDesc& font) {
    return std::exchange(font_, font);
}

PenDesc Canvas::selectPen(const PenDesc& pen) {
    return std::exchange(pen_, pen);
}

unsigned Canvas::setTextAlign(unsigned align) {
    return std::exchange(align_, align);
}

Rgb Canvas::setTextColor(Rgb colour) {
    return std::exchange(textColour_, colour);
}

BackgroundMode Canvas::setBackgroundMode(BackgroundMode mode) {
    return std::exchange(bkMode_, mode);
}

GraphicsMode Canvas::setGraphicsMode(GraphicsMode mode) {
    return std::exchange(graphicsMode_, mode);
}

void Canvas::textOut(int x, int y, std::string_view text) {
    drawTextAt({x, y}, text, align_);
}

int Canvas::drawText(std::string_view text, const Rect& rect, unsigned format) {
    const Size extent = textExtent(text);
    int x = rect.left;
    if (format & TextFormat::Center) x = (rect.left + rect.right - extent.cx) / 2;
    int y = rect.top;
    if ((format & TextFormat::VCenter) && (format & TextFormat::SingleLine)) {
        // The text's top edge, which lies above its body whichever way y grows.
        y = yUp() ? (rect.top + rect.bottom + extent.cy) / 2 : (rect.top + rect.bottom - extent.cy) / 2;
    }
    drawTextAt({x, y}, text, TextAlign::Left | TextAlign::Top);
    return extent.cy;
}

Point Canvas::moveTo(int x, int y) {
    return std::exchange(position_, Point{x, y});
}

void Canvas::lineTo(int x, int y) {
    const Point to{x, y};
    drawLine(position_, to);
    position_ = to;
}

void Canvas::rectangle(int left, int top, int right, int bottom) {
    drawRectangle({left, top, right, bottom});
}

}  // namespace mv
