#pragma once

// The result view's drawing: the welcome screen, the text listings of the five scan types with the
// component ion section, the screen and printer metrics, line advance and page breaks. Everything
// is drawn through a Canvas, so the Qt view, the printer, the tests and the command line share it.

#include "display/canvas.h"
#include "display/listing_view.h"
#include "document/data_set.h"
#include "engine/workspace.h"

#include <string>
#include <string_view>
#include <vector>

namespace mv {

// Stands for the widest listing line when fonts are measured.
inline constexpr std::string_view kMeasuringLine =
    "This is an 82 character line to use to get the extent (length) of the longest line";
inline constexpr std::string_view kMeasuringDigits = "0123456789";

inline constexpr std::string_view kWelcomeLine1 = "Welcome to the Marvolen";
inline constexpr std::string_view kWelcomeLine2 = "To start, click on the 'Calculations' Menu Item";

// The fixed-pitch face every listing font uses, at the given height and weight.
FontDesc listingFont(int height, int weight);

// The view's single drawing routine. client is the client rectangle in device pixels (the welcome
// screen is laid out in it; a screen paint takes its size as the scroll page size). Writes the
// listing's line count into data.listingLineCount and maintains ws.relIntWarning.
void onDraw(ListingView& view, Canvas& canvas, DataSet& data, CalcWorkspace& ws, const Rect& client);

void drawWelcome(Canvas& canvas, const Rect& client, std::string_view line1, std::string_view line2);

// The screen text metrics of the present paint (also used by the plot for its font sizes).
void computeScreenMetrics(ListingView& view, Canvas& canvas, bool listComponents);

// What the print job needs: the number of pages and the drawing rectangle in logical units.
struct PrintLayout {
    int pageCount = 1;
    Rect drawingRect;
};

// OnBeginPrinting: the printer metrics and the page count from the line count of the last screen
// paint. canvas is the printer's.
PrintLayout onBeginPrinting(ListingView& view, Canvas& canvas, const DataSet& data, const CalcWorkspace& ws,
                            bool plotMode);

// OnPrepareDC for a printed page (1-based): page p shows the strip (p - 1) page heights down.
void onPrepareDC(Canvas& canvas, int currentPage);

// Pages needed for a listing of lineCount lines; at least one.
int pageCountFor(int lineCount, int linesPerPage);

// The line advance with page breaks: the y of the next line.
int nextListingLine(ListingView& view, int y);

// Draws the peaks of one cluster (block 0 or 320; for MSn the generation 2, 3 or 4) in two columns
// from line y, and returns the y after the last row. For MSn, spectrumTotal (when given) receives
// the sum of the listed FAs.
int listPeakTable(ListingView& view, int block, Canvas& canvas, int y, int charge, double massA0, double stopFA,
                  const DataSet& data, CalcWorkspace& ws, double* spectrumTotal = nullptr);

// The listing as a person reads it on the screen, as plain text lines ending with "\n": drawn on a
// recording canvas with screen metrics; superscripts of the component formulas are marked "^" and
// subscripts "_". ws.relIntWarning is maintained as by a paint.
std::string renderListingText(const DataSet& data, CalcWorkspace& ws);

}  // namespace mv
