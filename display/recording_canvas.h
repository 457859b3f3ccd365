#pragma once

// A canvas that draws nothing and keeps every call, for tests and for the command line's plain-text
// listing.
//
// Text measurement model (logical units, whatever the mapping mode, so results are easy to derive
// by hand):
//   cell height  = height                 for height > 0 (cell height requested)
//                = round(|height| * 9/8)  for height < 0 (character height requested; the cell adds
//                                          an internal leading of one eighth)
//                = 16                     for height 0 (device default)
//   character width (every character, fixed pitch)
//                = font width when it is set, else max(1, round(|height| * ratio)) with ratio 0.6 by
//                  default (Courier New's advance is 0.6 of its size); height 0 counts as 16
//   ascent = round(cell * 4/5), descent = cell - ascent, internal leading = cell - character height
//   (character height = |height| when negative, round(cell * 8/9) otherwise), external leading 0.
//   textExtent(s) = (characters in s * character width, cell height); characters are UTF-8 code
//   points.
// Rounding is half upward. Weight, face and escapement do not change the measures.

#include "display/canvas.h"

#include <string>
#include <vector>

namespace mv {

struct RecordedText {
    int seq = 0;  // position among all recorded drawing calls
    std::string text;
    Point at;  // reference point as passed to textOut (or as drawText placed it)
    unsigned align = 0;
    FontDesc font;
    Rgb colour;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    MapMode mapMode = MapMode::Text;
    bool yUp = false;  // logical y grew up the device when this was drawn
    Size extent;       // textExtent of the text in its font
    int ascent = 0;
    // Logical bounding box of the drawn text after alignment (and rotation by the escapement):
    // left < right; top is the edge nearer the top of the device.
    Rect box;
};

struct RecordedLine {
    int seq = 0;
    Point from;
    Point to;
    PenDesc pen;
    MapMode mapMode = MapMode::Text;
};

struct RecordedRectangle {
    int seq = 0;
    Rect rect;
    PenDesc pen;
    MapMode mapMode = MapMode::Text;
};

class RecordingCanvas : public Canvas {
public:
    // A 96 dpi screen of 1920 x 1080 pixels, 508 x 286 mm.
    static DeviceCaps screenCaps();
    // A 600 dpi Letter page printable area: 4800 x 6300 pixels, 203 x 267 mm.
    static DeviceCaps printerCaps();

    explicit RecordingCanvas(const DeviceCaps& caps = screenCaps(), bool printer = false,
                             double charWidthRatio = 0.6);

    TextMetrics textMetrics() const override;
    Size textExtent(std::string_view text) const override;
    // The model's metrics for any font.
    TextMetrics metricsOf(const FontDesc& font) const;

    const std::vector<RecordedText>& texts() const { return texts_; }
    const std::vector<RecordedLine>& lines() const { return lines_; }
    const std::vector<RecordedRectangle>& rectangles() const { return rectangles_; }

    // The texts in drawing order.
    std::vector<std::string> textStrings() const;
    // The texts whose reference point has this logical y, in drawing order.
    std::vector<RecordedText> textsAt(int y) const;

    void clear();

protected:
    void drawTextAt(Point reference, std::string_view text, unsigned align) override;
    void drawLine(Point from, Point to) override;
    void drawRectangle(const Rect& rect) override;

private:
    double charWidthRatio_;
    int seq_ = 0;
    std::vector<RecordedText> texts_;
    std::vector<RecordedLine> lines_;
    std::vector<RecordedRectangle> rectangles_;
};

// How a recorded listing becomes plain text lines.
struct ListingTextOptions {
    // The listing's line distance in logical units. When set, a gap of k line distances between
    // two drawn lines gives k - 1 empty lines; when 0, undrawn lines are left out.
    int lineSpacing = 0;
    // Written before a piece drawn above or below the line it belongs to (superscripts and
    // subscripts), e.g. "^" and "_"; empty by default.
    std::string raisedMark;
    std::string loweredMark;
};

// The recorded texts as lines of plain text, top of the device first.
//
// Which line a text belongs to: the texts in the tallest font drawn (the listing's main font) define
// the lines, one per distinct reference y. A text in a smaller font joins the line whose y is nearest
// to its own when that is at most half the main font's height away: superscripts and subscripts sit
// a few units off the line, well within half a line, while the next line is a whole line away.
// Other texts form lines of their own.
//
// Within a line the pieces go in x order. A piece that starts where the previous one ended (within
// one unit, the rounding of the drawing positions) continues the same run and is joined directly,
// like the parts of a component formula; a piece beyond a gap is separated by one space.
std::vector<std::string> listingLines(const std::vector<RecordedText>& texts,
                                      const ListingTextOptions& options = {});

}  // namespace mv
