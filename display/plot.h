#pragma once

// The plotted spectrum: a framed graph of relative intensity against m/z with axes, tick labels and
// a title naming the ion, drawn from the profile the data set points at. The screen and printer
// paint (MM_HIENGLISH, y up) and the metafile export (MM_ISOTROPIC in display pixels, y down) share
// this drawing and differ only in the sizes and directions held by PlotLayout.

#include "display/canvas.h"
#include "display/listing_view.h"
#include "document/data_set.h"

#include <functional>
#include <string>
#include <string_view>

namespace mv {

struct CalcSession;

// The formula texts of the plot titles (element symbols and counts, as formatComposition writes them).
struct PlotTitles {
    std::string ion;
    std::string product1;
    std::string product2;
    std::string product3;
};
PlotTitles plotTitlesOf(const CalcSession& session);

// Fonts and offsets of the title formulas, as the present paint or export set them.
struct PlotFonts {
    FontDesc main;
    FontDesc small;
    int lineHeight = 0;
    int smallFontHeight = 0;
    int superscriptOffset = 0;  // added to y for the charge
    int subscriptOffset = 0;    // added to y for the atom counts
};

// Plot fonts: face "Arial", FF_SWISS, OUT_TT_PRECIS, everything else 0.
FontDesc plotFont(int height, int weight, int escapement = 0);

// Draws an ion as "[" formula "]" with the atom counts subscripted and the charge ("+1", "-2")
// superscripted, starting at (x, y), and returns its width. With draw false it only measures. The
// main font must be selected; it is selected again at the end.
int drawIonFormula(Canvas& canvas, const PlotFonts& fonts, int x, int y, std::string_view formula, int charge,
                   bool draw = true);

// The label step of the m/z axis for an axis range r.
float mzLabelStep(float range);

// The scroll sizes a screen paint of the plot asks for, and the display size the export needs.
struct PlotScreen {
    int horzSize = 0;  // millimetres across the display, from the last screen paint
    int horzRes = 0;   // pixels across the display
    int vertSize = 0;
    int vertRes = 0;
};

// The plot branch of onDraw on a screen or printer canvas; client is the client rectangle in
// device pixels. Sets the scroll sizes on the screen and records the display size in screen.
void drawSpectrumPlot(ListingView& view, Canvas& canvas, const DataSet& data, const PlotTitles& titles,
                      const Rect& client, PlotScreen& screen);

// The hook for ListingView::drawPlot: titles from the session, the client rectangle from the host at
// each paint.
PlotDrawer makePlotDrawer(const CalcSession& session, std::function<Rect()> clientRect, PlotScreen& screen);

// Sizes and directions of one drawing of the graph (internal to the display library's plot and
// export, exposed for the metafile canvas).
struct PlotLayout {
    float width = 0;   // W
    float height = 0;  // H
    bool yDown = false;
    int fontHeight = 0;  // the main font's height as requested (the label offsets use it)
    int tick = 100;
    int minorTick = 50;
    int labelGap = 150;
};

// Steps 5 to 12 of the drawing: frame, profile, axes, axis titles and title lines. Answers the
// frame's bottom edge.
int drawPlotGraph(Canvas& canvas, const PlotLayout& layout, const PlotFonts& fonts, const DataSet& data,
                  const PlotTitles& titles);

}  // namespace mv
