#pragma once

// The display state of the result view that the text listing works with: which mode the view is in
// and the text metrics of the present paint, of the screen and of the printer. A front end (the Qt
// view) holds one and hands it to the drawing routines of display/listing.h with its canvas.

#include "display/canvas.h"

#include <cstdint>
#include <functional>

namespace mv {

struct DataSet;
struct CalcWorkspace;
struct ListingView;

// What a screen paint of the listing asks of the scroll view hosting it, in the mapping mode given.
struct ScrollSizes {
    MapMode mapMode = MapMode::Text;
    Size total{100, 100};
    Size page;  // zero: the host's default
    Size line;  // zero: the host's default
    friend bool operator==(const ScrollSizes&, const ScrollSizes&) = default;
};

// Draws the plotted spectrum: called by onDraw in plot mode after the metrics are established, with
// the y of the first line.
using PlotDrawer = std::function<void(ListingView& view, Canvas& canvas, DataSet& data, CalcWorkspace& ws, int firstY)>;

struct ListingView {
    // --- Mode ---
    bool showWelcome = true;  // until the first calculation command starts on a ready document
    bool printing = false;    // the paint in progress goes to a printer or print preview

    // --- The present paint ---
    int32_t listingLine = 0;  // lines drawn so far; restarts with every paint
    float pageHeight = 0;     // the device's page height in logical units
    int32_t fontHeight = 22;
    int32_t smallFontHeight = 0;
    int32_t lineHeight = 0;
    int32_t mainFontWeight = 500;
    int32_t smallFontWeight = 800;
    int32_t superscriptOffset = 3;  // positive: above the line (y grows upward)
    int32_t subscriptOffset = 0;    // negative: below the line

    // --- Printer metrics, set by onBeginPrinting ---
    int32_t printFontHeight = 0;
    int32_t printSmallFontHeight = 0;
    int32_t printLineHeight = 0;
    int32_t printMainFontWeight = 400;
    int32_t printSmallFontWeight = 500;
    int32_t printSuperscriptOffset = 0;
    int32_t printSubscriptOffset = 0;
    int32_t linesPerPage = 0;

    // --- Fonts of the listing (only height and weight change per paint) ---
    FontDesc mainFontDesc;
    FontDesc smallFontDesc;

    // --- Results for the host ---
    // Set by every screen paint of the listing; the welcome screen and the blank view leave it.
    ScrollSizes scrollSizes;
    bool scrollSizesChanged = false;  // the last paint set scrollSizes

    // The plot branch of onDraw; without one, plot mode draws nothing.
    PlotDrawer drawPlot;

    ListingView();
};

}  // namespace mv
