#include "display/listing.h"

#include "base/scan_type.h"
#include "base/textfmt.h"
#include "display/recording_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace mv {

namespace {

constexpr int kLeft = 50;  // every listing line starts half an inch from the left edge

const char* const kTwoColumnHeading =
    " Ion      m/z          FA        Rel %      Ion      m/z          FA        Rel %";
const char* const kPrecursorHeading =
    "P Ion     m/z          FA        Rel %     P Ion     m/z          FA        Rel %";
const char* const kFragmentHeading =
    "F Ion     m/z          FA        Rel %     F Ion     m/z          FA        Rel %";
const char* const kFragmentOneColumn = "F Ion     m/z          FA        Rel %";
const char* const kRelIntWarning = "WARNING - the relative intensities may be in error.";

// The slots of one pass: a Precursor or Neutral Loss scan keeps its two clusters side by side.
// Taken from the held data set's scan type rather than from the workspace, which the first step of
// every calculation command rewrites, even one that is then refused because a data set is held.
int peakSlotCountOf(int32_t scanType) {
    const auto scan = static_cast<ScanType>(scanType);
    return scan == ScanType::Precursor || scan == ScanType::NeutralLoss ? kHalfPeakSlotCount : kPeakSlotCount;
}

double mzOf(double massA0, int k, int charge) {
    return (massA0 + k) / std::abs(static_cast<double>(charge));
}

std::string rightAligned(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// "A+k" and the m/z filling width characters, the FA and the relative intensity in 9 characters.
std::string peakEntry(const std::string& label, size_t width, double mz, double fa, double relative) {
    const std::string mzText = formatC("%.2f", mz);
    std::string entry = label;
    if (label.size() + mzText.size() < width) entry.append(width - label.size() - mzText.size(), ' ');
    entry += mzText;
    entry += formatC("  %.5E", fa);
    entry += rightAligned(formatC("%.3f", relative), 9);
    return entry;
}

// Selected fonts and colour of one listing paint, restored when it ends.
struct ListingFonts {
    FontDesc main;
    FontDesc small;
    bool haveSmall = false;
};

// The section of individual component ions.
class ComponentSection {
public:
    ComponentSection(ListingView& view, Canvas& canvas, const DataSet& data, const CalcWorkspace& ws,
                     const ListingFonts& fonts)
        : view_(view), canvas_(canvas), data_(data), ws_(ws), fonts_(fonts) {
        c_ = static_cast<float>(canvas.textExtent(kMeasuringLine).cx) / 82.0f;
        canvas.selectFont(fonts.small);
        cs_ = static_cast<float>(canvas.textExtent(kMeasuringDigits).cx) / 10.0f;
        canvas.selectFont(fonts.main);
        x_ = 100 + static_cast<int>(c_ * static_cast<float>(ws.compSymbolChars) +
                                    cs_ * static_cast<float>(ws.compDigitChars));
    }

    // Width of the component lines, for the scroll size.
    int width() const { return static_cast<int>(c_ * 32 + 0.5f) + x_ + 50; }
    int numberColumn() const { return x_; }

    int draw(int y) {
        y = nextListingLine(view_, y);
        canvas_.textOut(kLeft, y, heading());
        y = nextListingLine(view_, y);

        const bool haveTables = data_.compFormulas && data_.compMasses && data_.compFAs && data_.peakCompTotalFA &&
                                data_.peakCompMaxFA && data_.peakCompCount && data_.maxIonsPerPeak > 0;
        const int rows = haveTables ? std::min(data_.lastListedPeak - data_.firstListedPeak + 1, kMaxListedRows) : 0;
        bool first = true;
        for (int p = 0; p < rows; ++p) {
            const int count = std::clamp(data_.peakCompCount[p], 0, data_.maxIonsPerPeak);
            if (count == 0) continue;
            canvas_.textOut(kLeft, y, formatC("[A+%d] Peak", data_.firstListedPeak + p));
            if (first) canvas_.textOut(x_, y, "    Mass         FA        Rel %");
            first = false;
            y = nextListingLine(view_, y);
            for (int j = 0; j < count; ++j) {
                const long index = static_cast<long>(p) * data_.maxIonsPerPeak + j;
                if (index >= kMaxComponentEntries) break;
                drawFormula(data_.compFormulas[index], y);
                canvas_.selectFont(fonts_.main);
                const double maxFA = data_.peakCompMaxFA[p];
                const double fa = data_.compFAs[index];
                std::string numbers = formatC("%10.4f", data_.compMasses[index]);
                numbers += formatC("  %.5E", fa);
                numbers += rightAligned(formatC("%.3f", maxFA != 0 ? 100.0 * fa / maxFA : 0.0), 9);
                canvas_.textOut(x_, y, numbers);
                y = nextListingLine(view_, y);
            }
            canvas_.textOut(kLeft, y,
                            formatC("Total FA for all displayed individual components: %.5E", data_.peakCompTotalFA[p]));
            y = nextListingLine(view_, y);
            y = nextListingLine(view_, y);
        }

        if (ws_.compFormulaTooLong || ws_.compLowIntensityOmitted || ws_.compHighMassMissing) {
            canvas_.textOut(kLeft, y, "WARNINGS with regard to the display of individual peaks only.");
            y = nextListingLine(view_, y);
            const std::pair<int32_t, const char*> warnings[] = {
                {ws_.compFormulaTooLong, "Ions with very large formulas are not included in the above."},
                {ws_.compLowIntensityOmitted, "Low intensity ions are not included in some of the above."},
                {ws_.compHighMassMissing, "Important ions might be missing from high mass peaks."},
            };
            for (const auto& [flag, text] : warnings) {
                if (!flag) continue;
                canvas_.textOut(kLeft, y, text);
                y = nextListingLine(view_, y);
            }
        }
        return y;
    }

private:
    std::string heading() const {
        switch (static_cast<ScanType>(data_.scanType)) {
            case ScanType::NeutralLoss: return "Individual peak components for peaks within a single spectrum:";
            case ScanType::MSn:
                if (data_.msSteps == 3)
                    return formatC("Individual peak components for product ions of the [1G+%d] precursor ion:",
                                   data_.product1PeakIndex);
                if (data_.msSteps == 4)
                    return formatC("Individual peak components for product ions of the [2G+%d] precursor ion:",
                                   data_.product2PeakIndex);
                return formatC("Individual peak components for product ions of the [P+%d] precursor ion:",
                               data_.precursorPeakIndex);
            default: return "Individual peak components:";
        }
    }

    // Mass numbers as superscripts in the small font, symbols in the main font, counts as subscripts.
    void drawFormula(const char* text, int y) {
        const size_t n = strnlen(text, kComponentFormulaChars);
        const auto isDigit = [&](size_t i) { return i < n && text[i] >= '0' && text[i] <= '9'; };
        float x = kLeft;
        size_t i = 0;
        const auto digits = [&](int at) {
            const size_t start = i;
            while (isDigit(i)) ++i;
            if (i == start) return;
            canvas_.selectFont(fonts_.small);
            canvas_.textOut(static_cast<int>(x + 0.5f), at, std::string_view(text + start, i - start));
            x += cs_ * static_cast<float>(i - start);
        };
        while (i < n && text[i] == '(') {
            ++i;
            digits(y + view_.superscriptOffset);
            if (i >= n) break;
            const size_t letters = i + 1 < n && text[i + 1] != ')' ? 2 : 1;
            canvas_.selectFont(fonts_.main);
            canvas_.textOut(static_cast<int>(x + 0.5f), y, std::string_view(text + i, letters));
            x += c_ * static_cast<float>(letters);
            i += letters;
            if (i < n && text[i] == ')') ++i;
            digits(y + view_.subscriptOffset);
        }
    }

    ListingView& view_;
    Canvas& canvas_;
    const DataSet& data_;
    const CalcWorkspace& ws_;
    const ListingFonts& fonts_;
    float c_ = 0;
    float cs_ = 0;
    int x_ = 0;
};

// The heading blocks advance without the page check; they count their lines in one step.
struct Pen {
    ListingView& view;
    Canvas& canvas;
    int y;

    void write(const std::string& text) { canvas.textOut(kLeft, y, text); }
    void nextLine(int lines = 1) { y -= lines * view.lineHeight; }
    void advance() { y = nextListingLine(view, y); }
};

void regularListing(Pen& pen, const DataSet& d, CalcWorkspace& ws) {
    pen.write("                 ***** RESULTS for Simple Mass Spectra *****");
    pen.nextLine();
    pen.write("Ion Formula: " + d.ionFormula);
    pen.nextLine();
    pen.write(formatC("Mass of [A+0] ion: %.4f, Ion Charge: %d", d.ionMassA0, d.ionCharge));
    pen.nextLine();
    pen.write(kTwoColumnHeading);
    pen.view.listingLine += 4;
    pen.nextLine();
    pen.y = listPeakTable(pen.view, 0, pen.canvas, pen.y, d.ionCharge, d.ionMassA0, d.reportedFA, d, ws);
    pen.write(formatC("Total fractional abundance: %.5f", ws.clusterFAIon));
    pen.advance();
}

// The Precursor and Neutral Loss listings share their layout; the texts and the order of the
// calculation parts differ.
void twoTableListing(Pen& pen, const DataSet& d, CalcWorkspace& ws) {
    const bool precursor = d.scanType == static_cast<int32_t>(ScanType::Precursor);
    const double fragmentMass = d.ionMassA0 - d.product1MassA0;
    if (precursor) {
        pen.write("          ***** RESULTS for Precursor Ion Tandem Mass Spectra *****");
        pen.nextLine();
        pen.write("Precursor Ion: " + d.ionFormula + ", Product Ion: " + d.product1Formula);
        pen.nextLine();
        pen.write(formatC("A+0 precursor ion mass: %.4f, A+0 product ion mass: %.4f", d.ionMassA0, d.product1MassA0));
        pen.nextLine();
        pen.write(formatC("Precursor ion charge: %d, product ion charge: %d", d.ionCharge, d.product1Charge));
    } else {
        pen.write("           ***** RESULTS for Neutral Loss Tandem Mass Spectra *****");
        pen.nextLine();
        pen.write("Precursor Ion: " + d.ionFormula + ", Product Ion: " + d.product1Formula);
        pen.nextLine();
        pen.write(formatC("A+0 precursor ion mass: %.4f, 'A+0' neutral fragment mass: %.4f", d.ionMassA0, fragmentMass));
        pen.nextLine();
        pen.write(formatC("Precursor and product ion charge: %d", d.ionCharge));
    }
    pen.nextLine(2);
    pen.write("The data below list the isotope cluster peaks within any individual spectrum.");
    pen.nextLine();
    pen.write("The A+i, FA, and Rel % values apply to all spectra.");
    pen.nextLine();
    pen.write(precursor ? "The m/z values are specific for precursors of the A+0 product ion."
                        : "The m/z values are specific for precursors of the 'A+0' neutral fragment.");
    pen.nextLine();
    pen.write(kPrecursorHeading);
    pen.view.listingLine += 9;
    pen.nextLine();
    pen.y = listPeakTable(pen.view, 0, pen.canvas, pen.y, d.ionCharge, d.ionMassA0,
                          precursor ? d.reportedFA : d.reportedFA2, d, ws);
    pen.write(formatC("Total fractional abundance: %.5f", precursor ? ws.clusterFALoss : ws.clusterFAProduct));
    const int32_t firstWarning = ws.relIntWarning;
    pen.advance();
    pen.advance();
    pen.advance();
    pen.write("The data below list relative intensities among different spectra.");
    pen.advance();
    pen.write(precursor ? "Each m/z value designates the product ion selected to produce a particular spectrum."
                        : "Each 'm/z' value lists the neutral loss selected to produce a particular spectrum.");
    pen.advance();
    pen.write(precursor ? kFragmentHeading
                        : "N Frg    'm/z'         FA        Rel %     N Frg    'm/z'         FA        Rel %");
    pen.advance();
    if (precursor)
        pen.y = listPeakTable(pen.view, kHalfPeakSlotCount, pen.canvas, pen.y, d.product1Charge, d.product1MassA0,
                              d.reportedFA2, d, ws);
    else
        pen.y = listPeakTable(pen.view, kHalfPeakSlotCount, pen.canvas, pen.y, d.product1Charge, fragmentMass,
                              d.reportedFA, d, ws);
    pen.write(formatC("Total fractional abundance: %.5f", precursor ? ws.clusterFAProduct : ws.clusterFALoss));
    ws.relIntWarning += firstWarning;
    pen.advance();
}

void productListing(Pen& pen, const DataSet& d, const CalcWorkspace& ws) {
    pen.write("           ***** RESULTS for Product Ion Tandem Mass Spectra *****");
    pen.nextLine();
    pen.write("Precursor Ion: " + d.ionFormula +
              formatC(", [A+0] Mass: %.4f, Ion charge: %d", d.ionMassA0, d.ionCharge));
    pen.nextLine();
    pen.write("Product Ion: " + d.product1Formula +
              formatC(", [A+0] Mass: %.4f, Ion charge: %d", d.product1MassA0, d.product1Charge));
    pen.view.listingLine += 3;
    pen.nextLine();

    double total = 0;
    int s = 0;
    for (int c = 1; c <= d.maxPrecursorPeak + 1 && s + c <= kPeakSlots; ++c) {
        const int p = c - 1;
        double sum = 0;
        double largest = d.peakFA[s];
        for (int j = 0; j < c; ++j) {
            const double fa = d.peakFA[s + j];
            sum += fa;
            if (fa > largest) largest = fa;
            total += fa;
        }
        if (sum == 0) largest = 1.0;
        pen.advance();
        pen.write(formatC("For the Product Ion(s) of m/z %.2f:", mzOf(d.ionMassA0, p, d.ionCharge)));
        pen.advance();
        pen.write("F Ion      m/z         FA        Rel %");
        pen.advance();
        for (int j = 0; j < c; ++j) {
            const double fa = d.peakFA[s + j];
            pen.write(peakEntry(formatC("A+%d", j), 16, mzOf(d.product1MassA0, j, d.product1Charge), fa,
                                100.0 * fa / largest));
            pen.advance();
        }
        s += c;
        pen.write(formatC("Sum of fractional abundances within this spectrum is %.5E.", sum));
        pen.advance();
        if (total > ws.stopFA) break;
    }
    pen.write(formatC("The total fractional abundance is %.6f.", ws.clusterFALoss));
    pen.advance();
}

void msnListing(Pen& pen, const DataSet& d, CalcWorkspace& ws) {
    const int n = d.msSteps;
    const auto massLine = [](double mass, int charge) {
        return formatC("  Mass of [A+0] ion: %.4f, Ion Charge: %d", mass, charge);
    };
    pen.write("          ***** RESULTS for MSn Product Ion Tandem Mass Spectra *****");
    pen.nextLine();
    pen.write(formatC("%s%s", "Precursor Ion: ", d.ionFormula.c_str()));
    pen.nextLine();
    pen.write(massLine(d.ionMassA0, d.ionCharge));
    pen.nextLine();
    pen.write(formatC("1st Generation %s%s", "Product Ion: ", d.product1Formula.c_str()));
    pen.nextLine();
    pen.write(massLine(d.product1MassA0, d.product1Charge));
    pen.view.listingLine += 5;
    pen.nextLine();
    if (n > 2) {
        pen.write(formatC("2nd Generation %s%s", "Product Ion: ", d.product2Formula.c_str()));
        pen.nextLine();
        pen.write(massLine(d.product2MassA0, d.product2Charge));
        pen.nextLine();
        pen.view.listingLine += 2;
    }
    if (n > 3) {
        pen.write(formatC("3rd Generation %s%s", "Product Ion: ", d.product3Formula.c_str()));
        pen.nextLine();
        pen.write(massLine(d.product3MassA0, d.product3Charge));
        pen.nextLine();
        pen.view.listingLine += 2;
    }
    pen.nextLine();

    const auto heading = [](int parentIndex) { return parentIndex == 0 ? kFragmentOneColumn : kFragmentHeading; };
    double spectrumTotal = 0;
    pen.write(formatC("1st Generation Product Ion(s) of [P+%d], m/z %.2f", d.precursorPeakIndex,
                      mzOf(d.ionMassA0, d.precursorPeakIndex, d.ionCharge)));
    pen.nextLine();
    pen.write(heading(d.precursorPeakIndex));
    pen.view.listingLine += 3;
    pen.nextLine();
    pen.y = listPeakTable(pen.view, 2, pen.canvas, pen.y, d.product1Charge, d.product1MassA0, 0, d, ws, &spectrumTotal);
    pen.write(formatC("Total fractional abundance in this spectrum: %.5E", spectrumTotal));
    pen.advance();

    struct Generation {
        int block;
        const char* title;
        int parentIndex;
        double parentMass;
        int parentCharge;
        double mass;
        int charge;
    };
    const Generation later[] = {
        {3, "2nd Generation Product Ion(s) of [1G+%d], m/z %.2f", d.product1PeakIndex, d.product1MassA0,
         d.product1Charge, d.product2MassA0, d.product2Charge},
        {4, "3rd Generation Product Ion(s) of [2G+%d], m/z %.2f", d.product2PeakIndex, d.product2MassA0,
         d.product2Charge, d.product3MassA0, d.product3Charge},
    };
    for (const Generation& g : later) {
        if (n <= g.block - 1) break;
        pen.advance();
        pen.write(formatC(g.title, g.parentIndex, mzOf(g.parentMass, g.parentIndex, g.parentCharge)));
        pen.advance();
        pen.write(heading(g.parentIndex));
        pen.advance();
        pen.y = listPeakTable(pen.view, g.block, pen.canvas, pen.y, g.charge, g.mass, 0, d, ws, &spectrumTotal);
        pen.write(formatC("Total fractional abundance in this spectrum: %.5E", spectrumTotal));
        pen.advance();
    }
}

void closingWarnings(Pen& pen, const DataSet& d, const CalcWorkspace& ws) {
    if (ws.beyondSlotsCount != 0) {
        pen.write(formatC("WARNING - ions of mass > A+%d were encountered in this calculation.",
                          peakSlotCountOf(d.scanType) - 1));
        pen.advance();
    }
    if (ws.relIntWarning != 0) {
        pen.write(kRelIntWarning);
        pen.advance();
    }
}

void drawListing(ListingView& view, Canvas& canvas, DataSet& data, CalcWorkspace& ws, int firstY,
                 const Rect& client) {
    const bool components = data.listComponentsOption;
    ListingFonts fonts;
    fonts.main = view.mainFontDesc;
    fonts.main.height = view.fontHeight;
    fonts.main.weight = view.mainFontWeight;
    if (components) {
        fonts.small = view.smallFontDesc;
        fonts.small.height = view.smallFontHeight;
        fonts.small.weight = view.smallFontWeight;
        fonts.haveSmall = true;
    }
    const FontDesc previousFont = canvas.selectFont(fonts.main);
    const Rgb previousColour = canvas.setTextColor(kBlack);

    Pen pen{view, canvas, firstY};
    switch (static_cast<ScanType>(data.scanType)) {
        case ScanType::Regular: regularListing(pen, data, ws); break;
        case ScanType::Precursor:
        case ScanType::NeutralLoss: twoTableListing(pen, data, ws); break;
        case ScanType::Product: productListing(pen, data, ws); break;
        case ScanType::MSn: msnListing(pen, data, ws); break;
    }
    closingWarnings(pen, data, ws);

    int componentWidth = 0;
    if (components) {
        ComponentSection section(view, canvas, data, ws, fonts);
        pen.y = section.draw(pen.y);
        componentWidth = section.width();
        canvas.selectFont(fonts.main);
    }

    data.listingLineCount = view.listingLine;
    if (!view.printing) {
        ScrollSizes sizes;
        sizes.mapMode = MapMode::LoEnglish;
        sizes.total.cx = std::max(canvas.textExtent(kMeasuringLine).cx + 100, componentWidth);
        sizes.total.cy = -pen.y;
        sizes.page = {client.right - client.left, client.bottom - client.top};
        sizes.line = {100, view.lineHeight};
        view.scrollSizes = sizes;
        view.scrollSizesChanged = true;
    }
    canvas.selectFont(previousFont);
    canvas.setTextColor(previousColour);
}

}  // namespace

ListingView::ListingView() : mainFontDesc(listingFont(22, 500)), smallFontDesc(listingFont(0, 800)) {}

FontDesc listingFont(int height, int weight) {
    FontDesc f;
    f.faceName = "Courier New";
    f.height = height;
    f.weight = weight;
    f.outPrecision = FontBits::OutTrueTypePrecision;
    f.pitchAndFamily = FontBits::FixedPitch | FontBits::FamilyModern;
    return f;
}

void drawWelcome(Canvas& canvas, const Rect& client, std::string_view line1, std::string_view line2) {
    canvas.setMapMode(MapMode::Text);
    const int h = client.bottom - client.top;
    Rect rect = client;
    rect.top = h / 2 - h / 15;
    FontDesc font;
    font.faceName = "Arial";
    font.weight = 400;
    font.outPrecision = FontBits::OutTrueTypePrecision;
    font.pitchAndFamily = FontBits::VariablePitch | FontBits::FamilySwiss;
    font.height = client.bottom / 16;
    const FontDesc previous = canvas.selectFont(font);
    canvas.drawText(line1, rect, TextFormat::Center | TextFormat::SingleLine);
    rect.top += h / 15;
    font.height = client.bottom / 24;
    canvas.selectFont(font);
    canvas.drawText(line2, rect, TextFormat::Center | TextFormat::SingleLine);
    canvas.selectFont(previous);
}

void computeScreenMetrics(ListingView& view, Canvas& canvas, bool listComponents) {
    view.fontHeight = 22;
    view.mainFontWeight = 500;
    view.superscriptOffset = 3;
    const FontDesc previous = canvas.selectFont(listingFont(view.fontHeight, view.mainFontWeight));
    Size line = canvas.textExtent(kMeasuringLine);
    view.lineHeight = line.cy;
    if (line.cx < 1000) {
        view.fontHeight = 26;
        view.superscriptOffset = 4;
        canvas.selectFont(listingFont(view.fontHeight, view.mainFontWeight));
        view.lineHeight = canvas.textExtent(kMeasuringLine).cy;
    }
    if (listComponents) {
        view.smallFontHeight = view.lineHeight * 3 / 4;
        view.smallFontWeight = 800;
        canvas.selectFont(listingFont(view.smallFontHeight, view.smallFontWeight));
        const int hs = canvas.textExtent(kMeasuringDigits).cy;
        view.subscriptOffset = hs - view.lineHeight - view.superscriptOffset;
        view.lineHeight = view.lineHeight + 2 * view.superscriptOffset;
    }
    canvas.selectFont(previous);
}

void onDraw(ListingView& view, Canvas& canvas, DataSet& data, CalcWorkspace& ws, const Rect& client) {
    view.scrollSizesChanged = false;
    if (view.showWelcome) {
        drawWelcome(canvas, client, kWelcomeLine1, kWelcomeLine2);
        return;
    }
    if (data.readyForCalculation) return;

    view.printing = canvas.isPrinter();
    canvas.setMapMode(MapMode::LoEnglish);
    view.listingLine = 0;
    const DeviceCaps& caps = canvas.deviceCaps();
    view.pageHeight = static_cast<float>(caps.vertRes / (caps.logPixelsY * 0.01));

    const bool components = data.listComponentsOption;
    int firstY = 0;
    if (!view.printing) {
        computeScreenMetrics(view, canvas, components);
    } else {
        view.fontHeight = view.printFontHeight;
        view.lineHeight = view.printLineHeight;
        view.mainFontWeight = view.printMainFontWeight;
        if (components) {
            view.smallFontHeight = view.printSmallFontHeight;
            view.smallFontWeight = view.printSmallFontWeight;
            view.superscriptOffset = view.printSuperscriptOffset;
            view.subscriptOffset = view.printSubscriptOffset;
        }
        firstY = -(components ? 4 : 5) * view.lineHeight;
    }

    if (ws.plotMode) {
        if (view.drawPlot) view.drawPlot(view, canvas, data, ws, firstY);
        return;
    }
    drawListing(view, canvas, data, ws, firstY, client);
}

PrintLayout onBeginPrinting(ListingView& view, Canvas& canvas, const DataSet& data, const CalcWorkspace& ws,
                            bool plotMode) {
    const DeviceCaps& caps = canvas.deviceCaps();
    PrintLayout layout;
    if (plotMode) {
        canvas.setMapMode(MapMode::HiEnglish);
        layout.pageCount = 1;
        const int w = static_cast<int>(static_cast<float>(caps.horzRes) * 1000.0f / static_cast<float>(caps.logPixelsX));
        const int h = static_cast<int>(static_cast<float>(caps.vertRes) * 1000.0f / static_cast<float>(caps.logPixelsY));
        layout.drawingRect = {0, 0, w, -h};
        return layout;
    }

    canvas.setMapMode(MapMode::LoEnglish);
    view.printFontHeight = 16;
    view.printMainFontWeight = 400;
    const FontDesc previous = canvas.selectFont(listingFont(view.printFontHeight, view.printMainFontWeight));
    const int available = caps.horzRes * 100 / caps.logPixelsX - 100;
    Size line = canvas.textExtent(kMeasuringLine);
    if (line.cx > available && line.cx > 0) {
        // A page under an inch wide still gets a font of one unit rather than none or a negative one.
        view.printFontHeight =
            std::max(1, static_cast<int>(16.0f * static_cast<float>(available) / static_cast<float>(line.cx)));
        canvas.selectFont(listingFont(view.printFontHeight, view.printMainFontWeight));
        line = canvas.textExtent(kMeasuringLine);
    }
    view.printLineHeight = line.cy;

    const bool components = data.listComponentsOption;
    if (components) {
        const float c = static_cast<float>(line.cx) / 82.0f;
        const int need = static_cast<int>(static_cast<float>(ws.compSymbolChars + 32) * c +
                                          0.75f * c * static_cast<float>(ws.compDigitChars) + 50.0f);
        if (need > line.cx) {
            view.printFontHeight = std::max(1, view.printFontHeight * line.cx / need);
            canvas.selectFont(listingFont(view.printFontHeight, view.printMainFontWeight));
            view.printLineHeight = canvas.textExtent(kMeasuringLine).cy;
        }
        view.printSmallFontHeight = view.printLineHeight * 3 / 4;
        view.printSmallFontWeight = 500;
        canvas.selectFont(listingFont(view.printSmallFontHeight, view.printSmallFontWeight));
        const int hs = canvas.textExtent(kMeasuringLine.substr(0, 10)).cy;
        view.printSuperscriptOffset = view.printLineHeight / 5;
        view.printSubscriptOffset = hs - view.printLineHeight - view.printSuperscriptOffset;
        view.printLineHeight = view.printLineHeight + 2 * view.printSuperscriptOffset;
    }
    canvas.selectFont(previous);

    // A page shorter than ten lines (or a degenerate font) still prints one line per page rather
    // than dividing by zero.
    const int lineDevice = static_cast<int>(view.printLineHeight / 100.0 * caps.logPixelsY);
    view.linesPerPage = caps.vertRes / std::max(1, lineDevice) - 10 + (components ? 2 : 0);
    view.linesPerPage = std::max(1, view.linesPerPage);

    layout.pageCount = pageCountFor(data.listingLineCount, view.linesPerPage);
    layout.drawingRect = {0, 0, 850, -view.linesPerPage * view.printLineHeight};
    return layout;
}

void onPrepareDC(Canvas& canvas, int currentPage) {
    if (!canvas.isPrinter()) return;
    canvas.setViewportOrg({0, -canvas.deviceCaps().vertRes * (currentPage - 1)});
}

int pageCountFor(int lineCount, int linesPerPage) {
    if (linesPerPage <= 0) return 1;
    const int pages = lineCount / linesPerPage + (lineCount % linesPerPage != 0 ? 1 : 0);
    return std::max(1, pages);
}

int nextListingLine(ListingView& view, int y) {
    ++view.listingLine;
    if (view.printing && view.linesPerPage > 0 && view.listingLine % view.linesPerPage == 0)
        return -4 * view.lineHeight - static_cast<int>(view.pageHeight) * view.listingLine / view.linesPerPage;
    return y - view.lineHeight;
}

int listPeakTable(ListingView& view, int block, Canvas& canvas, int y, int charge, double massA0, double stopFA,
                  const DataSet& data, CalcWorkspace& ws, double* spectrumTotal) {
    const bool msn = data.scanType == static_cast<int32_t>(ScanType::MSn);
    const int slotCount = peakSlotCountOf(data.scanType);
    int r = 0;
    int slots = 0;
    if (!msn) {
        r = block;
        slots = slotCount;
    } else if (block == 2) {
        r = 0;
        slots = data.precursorPeakIndex + 1;
    } else if (block == 3) {
        r = data.precursorPeakIndex + 1;
        slots = data.product1PeakIndex + 1;
    } else {
        r = data.precursorPeakIndex + data.product1PeakIndex + 2;
        slots = data.product2PeakIndex + 1;
    }
    // Indexes from a damaged data set must not reach outside the slots.
    r = std::clamp(r, 0, kPeakSlots);
    slots = std::clamp(slots, 0, kPeakSlots - r);
    const double* fa = data.peakFA + r;

    double sum = 0;
    double largest = slots > 0 ? fa[0] : 0;
    int largestIndex = 0;
    int listed = slots;
    for (int i = 0; i < slots; ++i) {
        sum += fa[i];
        if (fa[i] > largest) {
            largest = fa[i];
            largestIndex = i;
        }
        if (!msn && sum > stopFA) {
            listed = i + 1;
            break;
        }
    }

    const auto relative = [&](double value) { return sum == 0 || largest == 0 ? 0.0 : 100.0 * value / largest; };
    const int rows = (listed + 1) / 2;
    for (int i = 0; i < rows; ++i) {
        std::string line = peakEntry(formatC("A+%d", i), 16, mzOf(massA0, i, charge), fa[i], relative(fa[i]));
        const int k = rows + i;
        bool right = r + k < kPeakSlots;
        // The last row's right entry: never past an odd MSn spectrum, otherwise only when not empty
        // (after an odd count of other scans it is the peak just past the listed ones).
        if (right && i == rows - 1) right = !(msn && listed % 2 != 0) && fa[k] != 0;
        if (right)
            line += peakEntry(formatC("    A+%d", k), 20, mzOf(massA0, k, charge), fa[k], relative(fa[k]));
        canvas.textOut(kLeft, y, line);
        y = nextListingLine(view, y);
    }

    if (!msn)
        ws.relIntWarning = largestIndex >= slotCount - 1 ? 1 : 0;
    else if (spectrumTotal)
        *spectrumTotal = sum;
    return y;
}

std::string renderListingText(const DataSet& data, CalcWorkspace& ws) {
    DataSet held = data;
    held.readyForCalculation = false;
    ListingView view;
    view.showWelcome = false;
    RecordingCanvas canvas(RecordingCanvas::screenCaps(), false);
    const DeviceCaps caps = canvas.deviceCaps();
    const bool plotMode = ws.plotMode;
    ws.plotMode = false;
    onDraw(view, canvas, held, ws, {0, 0, caps.horzRes, caps.vertRes});
    ws.plotMode = plotMode;

    ListingTextOptions options;
    options.lineSpacing = view.lineHeight;
    options.raisedMark = "^";
    options.loweredMark = "_";
    std::string text;
    for (const std::string& line : listingLines(canvas.texts(), options)) text += line + "\n";
    return text;
}

}  // namespace mv
