#pragma once

// A canvas that writes an enhanced metafile, record by record, in memory.
//
// State changes made through the Canvas interface (mapping, fonts, pens, text alignment) are written
// as records just before the next drawing record that depends on them, so the file holds exactly
// the state the drawing used. Text is measured with the advance widths of Arial (the metric-
// compatible Liberation Sans has the same), since the picture is meant for other programs that
// will draw it with that face.

#include "display/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mv {

// Record types written.
namespace Emr {
inline constexpr uint32_t Header = 1;
inline constexpr uint32_t SetWindowExtEx = 9;
inline constexpr uint32_t SetWindowOrgEx = 10;
inline constexpr uint32_t SetViewportExtEx = 11;
inline constexpr uint32_t SetViewportOrgEx = 12;
inline constexpr uint32_t Eof = 14;
inline constexpr uint32_t SetMapMode = 17;
inline constexpr uint32_t SetTextAlign = 22;
inline constexpr uint32_t MoveToEx = 27;
inline constexpr uint32_t SelectObject = 37;
inline constexpr uint32_t CreatePen = 38;
inline constexpr uint32_t DeleteObject = 40;
inline constexpr uint32_t Rectangle = 43;
inline constexpr uint32_t LineTo = 54;
inline constexpr uint32_t ExtCreateFontIndirectW = 82;
inline constexpr uint32_t ExtTextOutW = 84;
}  // namespace Emr

class EmfCanvas : public Canvas {
public:
    // reference: the display the picture is laid out for; frame in 0.01 mm; description as the
    // application name and the picture name.
    EmfCanvas(const DeviceCaps& reference, const Rect& frame, std::string application, std::string picture);

    TextMetrics textMetrics() const override;
    Size textExtent(std::string_view text) const override;

    // Writes the trailing state, releases the objects and ends the file; answers its bytes.
    std::string finish();

protected:
    void drawTextAt(Point reference, std::string_view text, unsigned align) override;
    void drawLine(Point from, Point to) override;
    void drawRectangle(const Rect& rect) override;

private:
    void syncState(bool objects = true);
    void record(uint32_t type, const std::vector<uint32_t>& words);
    void appendRecord(const std::string& body);
    int charWidth(char c) const;
    int cellHeight() const;

    DeviceCaps reference_;
    Rect frame_;
    std::string description_;  // UTF-16LE, with the nulls
    std::string records_;
    uint32_t recordCount_ = 1;  // the header
    uint32_t nextHandle_ = 1;
    uint32_t fontHandle_ = 0;
    uint32_t penHandle_ = 0;
    bool synced_ = false;
    MapMode mode_ = MapMode::Text;
    Size windowExt_{1, 1};
    Size viewportExt_{1, 1};
    Point windowOrg_;
    Point viewportOrg_;
    unsigned align_ = 0;
    FontDesc font_;
    PenDesc pen_;
    bool havePosition_ = false;
    Point position_;
    Rect bounds_{0, 0, -1, -1};
    bool finished_ = false;
};

}  // namespace mv
