#include "display/recording_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <numbers>
#include <set>

namespace mv {

namespace {

constexpr int kDefaultCell = 16;

int codePoints(std::string_view text) {
    int n = 0;
    for (const char ch : text)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

// Corners of the text's cell relative to the reference point, in device orientation (u to the
// right, v down), turned by the escapement as seen, then taken into logical directions.
Rect textBox(Point at, Size extent, int ascent, unsigned align, int escapement, bool yUp) {
    const int w = extent.cx;
    const int h = extent.cy;
    const CellOffset offset = alignedCellOffset(align, w, h, ascent);
    const int u0 = static_cast<int>(offset.u);
    const int v0 = static_cast<int>(offset.v);
    const double angle = escapement / 10.0 * std::numbers::pi / 180.0;
    double c = std::cos(angle);
    double s = std::sin(angle);
    if (escapement % 3600 == 0) {
        c = 1.0;
        s = 0.0;
    }
    const double down = yUp ? -1.0 : 1.0;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const int du : {u0, u0 + w}) {
        for (const int dv : {v0, v0 + h}) {
            // Counterclockwise as seen, with v pointing down the device.
            const double ru = du * c + dv * s;
            const double rv = -du * s + dv * c;
            const double lx = at.x + ru;
            const double ly = at.y + down * rv;
            if (first) {
                minX = maxX = lx;
                minY = maxY = ly;
                first = false;
            } else {
                minX = std::min(minX, lx);
                maxX = std::max(maxX, lx);
                minY = std::min(minY, ly);
                maxY = std::max(maxY, ly);
            }
        }
    }
    Rect box{roundHalfUp(minX), 0, roundHalfUp(maxX), 0};
    if (yUp) {
        box.top = roundHalfUp(maxY);
        box.bottom = roundHalfUp(minY);
    } else {
        box.top = roundHalfUp(minY);
        box.bottom = roundHalfUp(maxY);
    }
    return box;
}

}  // namespace

DeviceCaps RecordingCanvas::screenCaps() {
    return {.horzRes = 1920, .vertRes = 1080, .logPixelsX = 96, .logPixelsY = 96, .horzSize = 508, .vertSize = 286};
}

DeviceCaps RecordingCanvas::printerCaps() {
    return {.horzRes = 4800, .vertRes = 6300, .logPixelsX = 600, .logPixelsY = 600, .horzSize = 203, .vertSize = 267};
}

RecordingCanvas::RecordingCanvas(const DeviceCaps& caps, bool printer, double charWidthRatio)
    : Canvas(caps, printer), charWidthRatio_(charWidthRatio > 0 ? charWidthRatio : 0.6) {}

TextMetrics RecordingCanvas::metricsOf(const FontDesc& font) const {
    const int size = font.height == 0 ? kDefaultCell : std::abs(font.height);
    TextMetrics m;
    int charHeight = 0;
    if (font.height < 0) {
        m.height = roundHalfUp(size * 9.0 / 8.0);
        charHeight = size;
    } else {
        m.height = size;
        charHeight = roundHalfUp(size * 8.0 / 9.0);
    }
    m.ascent = roundHalfUp(m.height * 4.0 / 5.0);
    m.descent = m.height - m.ascent;
    m.internalLeading = m.height - charHeight;
    m.externalLeading = 0;
    m.aveCharWidth = font.width > 0 ? font.width : std::max(1, roundHalfUp(size * charWidthRatio_));
    m.maxCharWidth = m.aveCharWidth;
    m.weight = font.weight == 0 ? 400 : font.weight;
    return m;
}

TextMetrics RecordingCanvas::textMetrics() const {
    return metricsOf(font());
}

Size RecordingCanvas::textExtent(std::string_view text) const {
    const TextMetrics m = metricsOf(font());
    return {codePoints(text) * m.aveCharWidth, m.height};
}

void RecordingCanvas::drawTextAt(Point reference, std::string_view text, unsigned align) {
    RecordedText t;
    t.seq = seq_++;
    t.text = std::string(text);
    t.at = reference;
    t.align = align;
    t.font = font();
    t.colour = textColor();
    t.backgroundMode = backgroundMode();
    t.mapMode = mapMode();
    t.yUp = yUp();
    t.extent = textExtent(text);
    t.ascent = textMetrics().ascent;
    t.box = textBox(reference, t.extent, t.ascent, align, seenEscapement(t.font.escapement), t.yUp);
    texts_.push_back(std::move(t));
}

void RecordingCanvas::drawLine(Point from, Point to) {
    lines_.push_back({seq_++, from, to, pen(), mapMode()});
}

void RecordingCanvas::drawRectangle(const Rect& rect) {
    rectangles_.push_back({seq_++, rect, pen(), mapMode()});
}

std::vector<std::string> RecordingCanvas::textStrings() const {
    std::vector<std::string> out;
    out.reserve(texts_.size());
    for (const RecordedText& t : texts_) out.push_back(t.text);
    return out;
}

std::vector<RecordedText> RecordingCanvas::textsAt(int y) const {
    std::vector<RecordedText> out;
    for (const RecordedText& t : texts_)
        if (t.at.y == y) out.push_back(t);
    return out;
}

void RecordingCanvas::clear() {
    seq_ = 0;
    texts_.clear();
    lines_.clear();
    rectangles_.clear();
}

std::vector<std::string> listingLines(const std::vector<RecordedText>& texts, const ListingTextOptions& options) {
    if (texts.empty()) return {};

    // Distance from the top of the device, so that lines sort top first in any mapping mode.
    auto down = [](const RecordedText& t) { return t.yUp ? -t.at.y : t.at.y; };

    int mainHeight = 0;
    for (const RecordedText& t : texts) mainHeight = std::max(mainHeight, t.extent.cy);

    std::set<int> keys;
    for (const RecordedText& t : texts)
        if (t.extent.cy == mainHeight) keys.insert(down(t));
    const std::vector<int> mainKeys(keys.begin(), keys.end());

    struct Piece {
        const RecordedText* text;
        int offset;  // from the line's y, positive downward
    };
    std::map<int, std::vector<Piece>> lines;
    for (const RecordedText& t : texts) {
        const int d = down(t);
        int key = d;
        if (t.extent.cy != mainHeight && !mainKeys.empty()) {
            // Nearest main line; the upper one on a tie.
            auto it = std::lower_bound(mainKeys.begin(), mainKeys.end(), d);
            int best = 0;
            bool found = false;
            if (it != mainKeys.begin()) {
                best = *(it - 1);
                found = true;
            }
            if (it != mainKeys.end() && (!found || std::abs(*it - d) < std::abs(d - best))) {
                best = *it;
                found = true;
            }
            if (found && 2 * std::abs(d - best) <= mainHeight) key = best;
        }
        lines[key].push_back({&t, d - key});
    }

    std::vector<std::string> out;
    bool haveLine = false;
    int previousKey = 0;
    for (auto& [key, pieces] : lines) {
        if (haveLine && options.lineSpacing > 0) {
            const int blanks = roundHalfUp(static_cast<double>(key - previousKey) / options.lineSpacing) - 1;
            for (int i = 0; i < blanks; ++i) out.emplace_back();
        }
        haveLine = true;
        previousKey = key;

        std::stable_sort(pieces.begin(), pieces.end(),
                         [](const Piece& a, const Piece& b) { return a.text->box.left < b.text->box.left; });
        std::string line;
        int right = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const RecordedText& t = *pieces[i].text;
            if (i > 0 && t.box.left > right + 1) line += ' ';
            if (pieces[i].offset < 0)
                line += options.raisedMark;
            else if (pieces[i].offset > 0)
                line += options.loweredMark;
            line += t.text;
            right = i == 0 ? t.box.right : std::max(right, t.box.right);
        }
        out.push_back(std::move(line));
    }
    return out;
}

}  // namespace mv
