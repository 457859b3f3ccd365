#include "display/emf_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mv {

namespace {

// Arial's advance widths in thousandths of the em, for the printable ASCII characters 32 .. 126.
constexpr short kArialWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,   // space .. /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,   // 0 .. ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @ .. O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,   // P .. _
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,   // ` .. o
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};       // p .. ~
// Arial's ascent and descent in font units of a 2048-unit em.
constexpr int kAscent = 1854;
constexpr int kDescent = 434;
constexpr int kUnitsPerEm = 2048;

constexpr uint32_t kMapModeValue[] = {1, 2, 3, 7};  // MM_TEXT, MM_LOENGLISH, MM_HIENGLISH, MM_ISOTROPIC
constexpr uint32_t kStockSystemFont = 0x8000000D;
constexpr uint32_t kStockBlackPen = 0x80000007;

void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void puti(std::string& out, int v) { put32(out, static_cast<uint32_t>(v)); }
void put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void putFloat(std::string& out, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(out, bits);
}

// UTF-16LE of text; bytes outside ASCII become '?', as the drawing writes ASCII only.
std::string utf16(std::string_view text) {
    std::string out;
    for (char c : text) put16(out, static_cast<unsigned char>(c) < 0x80 ? static_cast<uint16_t>(c) : uint16_t{'?'});
    return out;
}

void pad4(std::string& s) {
    while (s.size() % 4) s.push_back('\0');
}

}  // namespace

EmfCanvas::EmfCanvas(const DeviceCaps& reference, const Rect& frame, std::string application, std::string picture)
    : Canvas(reference, false), reference_(reference), frame_(frame) {
    description_ = utf16(application);
    put16(description_, 0);
    description_ += utf16(picture);
    put16(description_, 0);
    put16(description_, 0);
}

int EmfCanvas::cellHeight() const {
    const int h = font().height;
    if (h > 0) return h;
    if (h < 0) return static_cast<int>(std::lround(-h * double(kAscent + kDescent) / kUnitsPerEm));
    return 16;
}

int EmfCanvas::charWidth(char c) const {
    const int h = font().height;
    const double em = h > 0 ? h * double(kUnitsPerEm) / (kAscent + kDescent) : (h < 0 ? -h : 16);
    const unsigned char u = static_cast<unsigned char>(c);
    const int w = (u >= 32 && u < 127) ? kArialWidths[u - 32] : 556;
    return static_cast<int>(std::lround(em * w / 1000.0));
}

TextMetrics EmfCanvas::textMetrics() const {
    TextMetrics m;
    m.height = cellHeight();
    m.ascent = static_cast<int>(std::lround(m.height * double(kAscent) / (kAscent + kDescent)));
    m.descent = m.height - m.ascent;
    m.aveCharWidth = charWidth('x');
    m.maxCharWidth = charWidth('W');
    m.weight = font().weight;
    return m;
}

Size EmfCanvas::textExtent(std::string_view text) const {
    int w = 0;
    for (char c : text) w += charWidth(c);
    return {w, cellHeight()};
}

void EmfCanvas::record(uint32_t type, const std::vector<uint32_t>& words) {
    std::string body;
    for (uint32_t w : words) put32(body, w);
    std::string rec;
    put32(rec, type);
    put32(rec, static_cast<uint32_t>(8 + body.size()));
    records_ += rec + body;
    ++recordCount_;
}

void EmfCanvas::appendRecord(const std::string& whole) {
    records_ += whole;
    ++recordCount_;
}

void EmfCanvas::syncState(bool objects) {
    auto u = [](int v) { return static_cast<uint32_t>(v); };
    if (!synced_ || mapMode() != mode_) {
        mode_ = mapMode();
        record(Emr::SetMapMode, {kMapModeValue[static_cast<int>(mode_)]});
        windowExt_ = viewportExt_ = Size{-1, -1};  // the mode resets them
    }
    if (mode_ == MapMode::Isotropic) {
        if (windowExt() != windowExt_) {
            windowExt_ = windowExt();
            record(Emr::SetWindowExtEx, {u(windowExt_.cx), u(windowExt_.cy)});
        }
        if (viewportExt() != viewportExt_) {
            viewportExt_ = viewportExt();
            record(Emr::SetViewportExtEx, {u(viewportExt_.cx), u(viewportExt_.cy)});
        }
    }
    if (!synced_ || windowOrg() != windowOrg_) {
        windowOrg_ = windowOrg();
        record(Emr::SetWindowOrgEx, {u(windowOrg_.x), u(windowOrg_.y)});
    }
    if (!synced_ || viewportOrg() != viewportOrg_) {
        viewportOrg_ = viewportOrg();
        record(Emr::SetViewportOrgEx, {u(viewportOrg_.x), u(viewportOrg_.y)});
    }
    if (!synced_ || textAlign() != align_) {
        align_ = textAlign();
        record(Emr::SetTextAlign, {align_});
    }
    if (objects && (!synced_ || !(font() == font_))) {
        font_ = font();
        const uint32_t handle = nextHandle_++;
        std::string rec;
        put32(rec, Emr::ExtCreateFontIndirectW);
        put32(rec, 8 + 4 + 92);
        put32(rec, handle);
        puti(rec, font_.height);
        puti(rec, font_.width);
        puti(rec, font_.escapement);
        puti(rec, font_.orientation);
        puti(rec, font_.weight);
        for (uint8_t b : {uint8_t(font_.italic), uint8_t(font_.underline), uint8_t(font_.strikeOut), font_.charSet,
                          font_.outPrecision, font_.clipPrecision, font_.quality, font_.pitchAndFamily})
            rec.push_back(static_cast<char>(b));
        std::string face = utf16(font_.faceName.substr(0, 31));
        face.resize(64, '\0');
        rec += face;
        appendRecord(rec);
        record(Emr::SelectObject, {handle});
        if (fontHandle_) record(Emr::DeleteObject, {fontHandle_});
        fontHandle_ = handle;
    }
    if (objects && (!synced_ || !(pen() == pen_))) {
        pen_ = pen();
        const uint32_t handle = nextHandle_++;
        const uint32_t colour = pen_.colour.r | (uint32_t(pen_.colour.g) << 8) | (uint32_t(pen_.colour.b) << 16);
        record(Emr::CreatePen, {handle, 0u /* PS_SOLID */, u(pen_.width), 0u, colour});
        record(Emr::SelectObject, {handle});
        if (penHandle_) record(Emr::DeleteObject, {penHandle_});
        penHandle_ = handle;
    }
    synced_ = true;
}

void EmfCanvas::drawTextAt(Point reference, std::string_view text, unsigned) {
    syncState();
    const std::string chars = utf16(text);
    std::string str = chars;
    pad4(str);
    constexpr uint32_t kStringOffset = 76;
    std::string rec;
    put32(rec, Emr::ExtTextOutW);
    put32(rec, static_cast<uint32_t>(kStringOffset + str.size() + 4 * text.size()));
    for (int v : {0, 0, -1, -1}) puti(rec, v);  // bounds not computed
    put32(rec, graphicsMode() == GraphicsMode::Advanced ? 2u : 1u);
    putFloat(rec, 0.0f);
    putFloat(rec, 0.0f);
    puti(rec, reference.x);
    puti(rec, reference.y);
    put32(rec, static_cast<uint32_t>(text.size()));
    put32(rec, kStringOffset);
    put32(rec, 0);  // options
    for (int v : {0, 0, -1, -1}) puti(rec, v);
    put32(rec, static_cast<uint32_t>(kStringOffset + str.size()));
    rec += str;
    for (char c : text) puti(rec, charWidth(c));
    appendRecord(rec);
}

void EmfCanvas::drawLine(Point from, Point to) {
    syncState();
    auto u = [](int v) { return static_cast<uint32_t>(v); };
    if (!havePosition_ || !(position_ == from)) record(Emr::MoveToEx, {u(from.x), u(from.y)});
    record(Emr::LineTo, {u(to.x), u(to.y)});
    position_ = to;
    havePosition_ = true;
    for (const Point& p : {from, to}) {
        bounds_.left = std::min(bounds_.left, p.x);
        bounds_.top = std::min(bounds_.top, p.y);
        bounds_.right = std::max(bounds_.right, p.x);
        bounds_.bottom = std::max(bounds_.bottom, p.y);
    }
}

void EmfCanvas::drawRectangle(const Rect& r) {
    syncState();
    auto u = [](int v) { return static_cast<uint32_t>(v); };
    record(Emr::Rectangle, {u(r.left), u(r.top), u(r.right), u(r.bottom)});
    bounds_.left = std::min({bounds_.left, r.left, r.right});
    bounds_.top = std::min({bounds_.top, r.top, r.bottom});
    bounds_.right = std::max({bounds_.right, r.left, r.right});
    bounds_.bottom = std::max({bounds_.bottom, r.top, r.bottom});
}

std::string EmfCanvas::finish() {
    if (!finished_) {
        // The fonts and pens selected back at the end are the device's own: stock objects.
        syncState(false);
        record(Emr::SelectObject, {kStockSystemFont});
        record(Emr::SelectObject, {kStockBlackPen});
        if (fontHandle_) record(Emr::DeleteObject, {fontHandle_});
        if (penHandle_) record(Emr::DeleteObject, {penHandle_});
        record(Emr::Eof, {0u, 16u, 20u});
        finished_ = true;
    }
    std::string desc = description_;
    pad4(desc);
    constexpr uint32_t kHeaderBase = 108;
    const uint32_t headerSize = kHeaderBase + static_cast<uint32_t>(desc.size());
    std::string h;
    put32(h, Emr::Header);
    put32(h, headerSize);
    const Rect b = bounds_.right < bounds_.left ? Rect{0, 0, -1, -1} : bounds_;
    for (int v : {b.left, b.top, b.right, b.bottom}) puti(h, v);
    for (int v : {frame_.left, frame_.top, frame_.right, frame_.bottom}) puti(h, v);
    put32(h, 0x464D4520);  // " EMF"
    put32(h, 0x10000);
    put32(h, static_cast<uint32_t>(headerSize + records_.size()));
    put32(h, recordCount_);
    put16(h, static_cast<uint16_t>(nextHandle_));
    put16(h, 0);
    put32(h, static_cast<uint32_t>(description_.size() / 2));
    put32(h, kHeaderBase);
    put32(h, 0);  // palette entries
    puti(h, reference_.horzRes);
    puti(h, reference_.vertRes);
    puti(h, reference_.horzSize);
    puti(h, reference_.vertSize);
    put32(h, 0);  // pixel format
    put32(h, 0);
    put32(h, 0);  // OpenGL
    puti(h, reference_.horzSize * 1000);
    puti(h, reference_.vertSize * 1000);
    return h + desc + records_;
}

}  // namespace mv
