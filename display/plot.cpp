#include "display/plot.h"

#include "base/scan_type.h"
#include "base/textfmt.h"
#include "control/session.h"

#include <cctype>
#include <cmath>
#include <variant>
#include <vector>

namespace mv {

namespace {

int trunc(float v) { return static_cast<int>(v); }

// One piece of a title line: plain text in the main font, or an ion formula.
struct Ion {
    std::string_view formula;
    int charge;
};
using Piece = std::variant<std::string, Ion>;

std::vector<std::vector<Piece>> titleLines(const DataSet& data, const PlotTitles& t, bool metafile) {
    const Ion ion{t.ion, data.ionCharge};
    const Ion p1{t.product1, data.product1Charge};
    const Ion p2{t.product2, data.product2Charge};
    const Ion p3{t.product3, data.product3Charge};
    switch (static_cast<ScanType>(data.scanType)) {
    case ScanType::Regular:
        return {{std::string("Spectrum of the Isotope Cluster of "), ion}};
    case ScanType::NeutralLoss:
        return {{std::string("NL Tandem Spectrum of the Isotope Cluster of "), p1},
                {std::string("Precursor Ion: "), ion}};
    case ScanType::MSn:
        if (data.msSteps == 2)
            return {{std::string("Product Ion MS/MS Spectrum of the Isotope Cluster of "), p1},
                    {std::string("Precursor Ion: "), ion, formatC(" (P+%d)", data.precursorPeakIndex)}};
        if (data.msSteps == 3)
            return {{std::string("Product Ion MS/MS/MS Spectrum of the Isotope Cluster of "), p2},
                    {std::string("Precursor Ions: "), ion, formatC(" (P+%d), ", data.precursorPeakIndex), p1,
                     formatC(" (1G+%d)", data.product1PeakIndex)}};
        if (data.msSteps == 4)
            return {{std::string(metafile ? "Product Ion MS/MS/MS/MS Spectrum of the Isotope Cluster of "
                                          : "Product ion MS/MS/MS/MS Spectrum of the Isotope Cluster of "),
                     p3},
                    {std::string("Precursor Ions: "), ion, formatC(" (P+%d), ", data.precursorPeakIndex), p1,
                     formatC(" (1G+%d), ", data.product1PeakIndex), p2, formatC(" (2G+%d)", data.product2PeakIndex)}};
        return {};
    default:
        return {};
    }
}

int drawPiece(Canvas& canvas, const PlotFonts& fonts, const Piece& piece, int x, int y, bool draw) {
    if (const auto* text = std::get_if<std::string>(&piece)) {
        if (draw) canvas.textOut(x, y, *text);
        return canvas.textExtent(*text).cx;
    }
    const Ion& ion = std::get<Ion>(piece);
    return drawIonFormula(canvas, fonts, x, y, ion.formula, ion.charge, draw);
}

void drawTitleLine(Canvas& canvas, const PlotFonts& fonts, const std::vector<Piece>& line, int xc, int y) {
    int total = 0;
    for (const auto& piece : line) total += drawPiece(canvas, fonts, piece, 0, y, false);
    int x = xc - total / 2;
    for (const auto& piece : line) x += drawPiece(canvas, fonts, piece, x, y, true);
}

}  // namespace

PlotTitles plotTitlesOf(const CalcSession& session) {
    return {session.ionFormulaText, session.product1FormulaText, session.product2FormulaText,
            session.product3FormulaText};
}

FontDesc plotFont(int height, int weight, int escapement) {
    FontDesc f;
    f.faceName = "Arial";
    f.height = height;
    f.weight = weight;
    f.escapement = escapement;
    f.orientation = escapement;
    f.pitchAndFamily = FontBits::FamilySwiss;
    f.outPrecision = FontBits::OutTrueTypePrecision;
    return f;
}

int drawIonFormula(Canvas& canvas, const PlotFonts& fonts, int x, int y, std::string_view formula, int charge,
                   bool draw) {
    auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    auto run = [&](size_t& at, bool digits) {
        const size_t start = at;
        while (at < formula.size() && isDigit(formula[at]) == digits) ++at;
        return formula.substr(start, at - start);
    };
    auto piece = [&](std::string_view text, int dy, int w) {
        if (draw) canvas.textOut(x + w, y + dy, text);
        return canvas.textExtent(text).cx;
    };
    size_t at = 0;
    int w = 0;
    w += piece("[" + std::string(run(at, false)), 0, w);
    while (at < formula.size()) {
        canvas.selectFont(fonts.small);
        w += piece(run(at, true), fonts.subscriptOffset, w);
        canvas.selectFont(fonts.main);
        if (at < formula.size()) w += piece(run(at, false), 0, w);
    }
    w += piece("]", 0, w);
    canvas.selectFont(fonts.small);
    w += piece(formatC(charge > 0 ? "+%d" : "%d", charge), fonts.superscriptOffset, w);
    canvas.selectFont(fonts.main);
    return w;
}

float mzLabelStep(float r) {
    if (r < 2) return 0.25f;
    if (r < 5) return 0.5f;
    if (r < 10) return 1;
    if (r < 20) return 2;
    if (r < 50) return 5;
    if (r < 100) return 10;
    if (r < 200) return 20;
    return 40;
}

int drawPlotGraph(Canvas& canvas, const PlotLayout& layout, const PlotFonts& fonts, const DataSet& data,
                  const PlotTitles& titles) {
    const float W = layout.width;
    const float H = layout.height;
    const bool down = layout.yDown;
    const float ySign = down ? 1.0f : -1.0f;  // the frame lies below the origin on the device
    const int left = trunc(0.1f * W);
    const int right = trunc(0.95f * W);
    const int top = trunc(ySign * 0.05f * H);
    const int bottom = trunc(ySign * 0.8f * H);
    canvas.rectangle(left, top, right, bottom);

    const bool haveProfile = data.plotIntensities && data.plotSegmentStarts && data.plotSegmentStartMz &&
                             data.plotPointCount > 0;
    float xlo = 0;
    float xhi = 1;
    if (haveProfile) {
        int k = 0;
        for (int g = 1; g < kPlotSegmentSlots && data.plotSegmentStarts[g] != -1; ++g) k = g;
        const float xmin = static_cast<float>(data.plotSegmentStartMz[0]);
        const float xmax = static_cast<float>(data.plotSegmentStartMz[k] +
                                              (data.plotPointCount - data.plotSegmentStarts[k] - 1) * data.plotStep);
        const float margin = 0.05f * (xmax - xmin);
        xlo = xmin - margin;
        xhi = xmax + margin;
        if (!(xhi > xlo)) {  // a single point: give the axis some width rather than divide by zero
            xlo = xmin - 0.5f;
            xhi = xmin + 0.5f;
        }
    }
    const float sx = 0.85f * W / (xhi - xlo);
    const float x0 = 0.1f * W - sx * xlo;
    const float y0 = ySign * 0.775f * H;
    const float ys = 0.7f * H / 100.0f;

    if (haveProfile) {
        const double top100 = data.plotMaxIntensity > 0 ? data.plotMaxIntensity : 1.0;
        double mz = data.plotSegmentStartMz[0];
        int segment = 1;
        for (int i = 0; i < data.plotPointCount; ++i) {
            if (i > 0) {
                if (segment < kPlotSegmentSlots && data.plotSegmentStarts[segment] == i)
                    mz = data.plotSegmentStartMz[segment++];
                else
                    mz += data.plotStep;
            }
            const float rel = static_cast<float>(100.0 * data.plotIntensities[i] / top100);
            const int px = trunc(x0 + sx * static_cast<float>(mz));
            const int py = trunc(y0 - ySign * ys * rel);
            if (i == 0)
                canvas.moveTo(px, py);
            else
                canvas.lineTo(px, py);
        }
    }

    // Intensity axis.
    const unsigned previousAlign = canvas.setTextAlign(TextAlign::Right | TextAlign::Top);
    const int fh = layout.fontHeight;
    for (int step = 0; step <= 5; ++step) {
        const float yf = 0.775f - 0.14f * static_cast<float>(step);
        const int y = trunc(ySign * yf * H);
        canvas.moveTo(left, y);
        canvas.lineTo(left - layout.tick, y);
        canvas.textOut(left - layout.labelGap, down ? y - fh / 2 : y + fh / 2, formatC("%d", 20 * step));
    }

    // Axis title, turned to read upwards.
    canvas.selectFont(plotFont(fonts.main.height, fonts.main.weight, down ? 900 : -900));
    canvas.setTextAlign(TextAlign::Bottom | TextAlign::Center);
    canvas.textOut(left / 2, down ? trunc(0.475f * H) : trunc(-0.425f * H), "Relative Intensity");
    canvas.selectFont(fonts.main);
    canvas.setTextAlign(TextAlign::Center | TextAlign::Top);

    // m/z axis: a labelled tick every t, minor ticks every t / 5.
    const float t = mzLabelStep(xhi - xlo);
    const float m = t / 5.0f;
    float label = static_cast<float>(trunc((xlo + t) / t)) * t;
    float x = label;
    // Bounded loops: at m/z values where m is below the float resolution x would not move.
    for (int guard = 0; label >= xlo && x >= xlo && guard < 100000; ++guard) x -= m;
    x += m;
    const int dir = down ? 1 : -1;
    for (int guard = 0; x < xhi && guard < 100000; ++guard) {
        const int p = trunc(x * sx + x0);
        canvas.moveTo(p, bottom);
        if (label - 0.01f < x && x < label + 0.01f) {
            canvas.lineTo(p, bottom + dir * layout.tick);
            canvas.textOut(p, bottom + dir * layout.labelGap, formatC("%.2f", static_cast<double>(label)));
            label += t;
        } else {
            canvas.lineTo(p, bottom + dir * layout.minorTick);
        }
        x += m;
    }

    const int xc = trunc(0.85f * W * 0.5f + 0.1f * W);
    canvas.textOut(xc, down ? bottom + layout.labelGap + fh : bottom - fh - 175, "Mass/Charge");
    canvas.setTextAlign(TextAlign::Left | TextAlign::Top);

    const auto lines = titleLines(data, titles, down);
    const bool regular = data.scanType == static_cast<int>(ScanType::Regular);
    for (size_t l = 0; l < lines.size(); ++l) {
        int y;
        if (!down)
            y = bottom - static_cast<int>(l + 1) * fonts.lineHeight - fh - 175;
        else if (l == 0)
            y = regular ? bottom + layout.labelGap + fh + fonts.lineHeight : bottom + layout.labelGap + 2 * fh;
        else
            y = bottom + layout.labelGap + 2 * fh + fonts.lineHeight;
        drawTitleLine(canvas, fonts, lines[l], xc, y);
    }
    canvas.setTextAlign(previousAlign);
    return bottom;
}

void drawSpectrumPlot(ListingView& view, Canvas& canvas, const DataSet& data, const PlotTitles& titles,
                      const Rect& client, PlotScreen& screen) {
    const bool printing = canvas.isPrinter();
    canvas.setMapMode(MapMode::HiEnglish);
    const int height = printing ? 160 : 10 * view.fontHeight;
    const int mainWeight = printing ? 400 : view.mainFontWeight;
    const int smallWeight = printing ? 500 : view.smallFontWeight;
    PlotFonts fonts;
    fonts.main = plotFont(height, mainWeight);
    const FontDesc previousFont = canvas.selectFont(fonts.main);
    const int hA = canvas.textExtent("0123456789").cy;
    fonts.superscriptOffset = printing ? hA / 5 : 10 * view.superscriptOffset;
    fonts.small = plotFont(hA * 3 / 4, smallWeight);
    canvas.selectFont(fonts.small);
    fonts.smallFontHeight = canvas.textExtent("0123456789").cy;
    fonts.subscriptOffset = fonts.smallFontHeight - hA - fonts.superscriptOffset;
    fonts.lineHeight = hA + 2 * fonts.superscriptOffset;
    canvas.selectFont(fonts.main);
    const PenDesc previousPen = canvas.selectPen(PenDesc{PenStyle::Solid, 10, kBlack});

    const DeviceCaps& caps = canvas.deviceCaps();
    PlotLayout layout;
    layout.fontHeight = height;
    if (printing) {
        layout.width = static_cast<float>(caps.horzRes) * 1000.0f / static_cast<float>(caps.logPixelsX);
        layout.height = layout.width * 2.0f / 3.0f;
    } else {
        screen.horzSize = caps.horzSize;
        screen.horzRes = caps.horzRes;
        screen.vertSize = caps.vertSize;
        screen.vertRes = caps.vertRes;
        const float cw = static_cast<float>(client.right - client.left);
        const float ch = static_cast<float>(client.bottom - client.top);
        const float pxPerInchX = caps.horzSize > 0 ? static_cast<float>(caps.horzRes) * 25.4f / static_cast<float>(caps.horzSize)
                                                   : static_cast<float>(caps.logPixelsX);
        const float pxPerInchY = caps.vertSize > 0 ? static_cast<float>(caps.vertRes) * 25.4f / static_cast<float>(caps.vertSize)
                                                   : static_cast<float>(caps.logPixelsY);
        layout.width = cw * 1000.0f / pxPerInchX;
        layout.height = ch * 1000.0f / pxPerInchY;
    }
    const int bottom = drawPlotGraph(canvas, layout, fonts, data, titles);

    if (!printing) {
        view.scrollSizes.mapMode = MapMode::HiEnglish;
        view.scrollSizes.total = {trunc(layout.width), 3 * fonts.lineHeight - bottom + height + 175};
        view.scrollSizes.page = {client.right - client.left, client.bottom - client.top};
        view.scrollSizes.line = {1000, height};
        view.scrollSizesChanged = true;
    }
    view.lineHeight = fonts.lineHeight;
    view.smallFontHeight = fonts.smallFontHeight;
    canvas.setMapMode(MapMode::Text);
    canvas.selectFont(previousFont);
    canvas.selectPen(previousPen);
}

PlotDrawer makePlotDrawer(const CalcSession& session, std::function<Rect()> clientRect, PlotScreen& screen) {
    return [&session, clientRect = std::move(clientRect), &screen](ListingView& view, Canvas& canvas, DataSet& data,
                                                                     CalcWorkspace&, int) {
        drawSpectrumPlot(view, canvas, data, plotTitlesOf(session), clientRect ? clientRect() : Rect{}, screen);
    };
}

}  // namespace mv
