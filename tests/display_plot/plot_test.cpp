#include "display/plot.h"

#include "base/scan_type.h"
#include "control/session.h"
#include "display/listing.h"
#include "display/recording_canvas.h"
#include "tests/display_plot/plot_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace mv {
using test::ProfileFixture;
namespace {

TEST(PlotAxis, LabelStepFollowsTheRange) {
    const std::pair<float, float> cases[] = {{1.65f, 0.25f}, {1.99f, 0.25f}, {2.0f, 0.5f}, {4.9f, 0.5f},
                                             {9.0f, 1},       {19.0f, 2},     {49.0f, 5},   {99.0f, 10},
                                             {150.0f, 20},    {199.0f, 20},   {200.0f, 40}, {900.0f, 40}};
    for (const auto& [range, step] : cases) EXPECT_EQ(mzLabelStep(range), step) << range;
}

// On the recording canvas's 96 dpi screen (1920 px over 508 mm, 1080 over 286 mm) a client area of
// 1000 x 700 px is W = 10416.67 and H = 7298.05 thousandths of an inch: frame 1041 .. 9895 across,
// -364 .. -5838 down, centre of the title xc = 5468. The 220-unit Arial font measures 132 a character
// and 220 high, the small one (165) 99 a character: superscript +30, subscript 165 - 220 - 30 = -85,
// line height 280.
constexpr int kLeft = 1041;
constexpr int kBottom = -5838;
constexpr int kXc = 5468;
const Rect kClient{0, 0, 1000, 700};

struct PlotPaint {
    ListingView view;
    RecordingCanvas canvas;
    PlotScreen screen;
    void draw(const DataSet& data, const PlotTitles& titles) {
        drawSpectrumPlot(view, canvas, data, titles, kClient, screen);
    }
    std::vector<std::string> textsAt(int y, unsigned align) const {
        std::vector<std::string> out;
        for (const auto& t : canvas.texts())
            if (t.at.y == y && t.align == align) out.push_back(t.text);
        return out;
    }
};

TEST(PlotDraw, FrameIntensityAxisAndTitles) {
    ProfileFixture f({100.0});
    PlotPaint paint;
    paint.draw(f.data, {"C6H12O6", "", "", ""});
    const auto& c = paint.canvas;
    ASSERT_FALSE(c.rectangles().empty());
    EXPECT_EQ(c.rectangles()[0].rect, (Rect{kLeft, -364, 9895, kBottom}));
    EXPECT_EQ(c.rectangles()[0].pen.width, 10);

    // Labels 0 .. 100 left of each tick, half a font above it: y = trunc(-yf H) + 110 with yf = 0.775,
    // 0.635 .. 0.075.
    const int yOf[] = {-5655, -4634, -3612, -2590, -1569, -547};
    for (int s = 0; s <= 5; ++s)
        EXPECT_EQ(paint.textsAt(yOf[s] + 110, TextAlign::Right | TextAlign::Top),
                  std::vector<std::string>{std::to_string(20 * s)})
            << s;

    const auto axis = std::find_if(c.texts().begin(), c.texts().end(),
                                   [](const RecordedText& t) { return t.text == "Relative Intensity"; });
    ASSERT_NE(axis, c.texts().end());
    EXPECT_EQ(axis->at, (Point{kLeft / 2, -3101}));
    EXPECT_EQ(axis->font.escapement, -900);
    EXPECT_EQ(axis->align, TextAlign::Bottom | TextAlign::Center);
    // It reads up the page, left of the reference point, and lies over none of the intensity labels.
    EXPECT_GT(axis->box.top - axis->box.bottom, axis->box.right - axis->box.left);
    EXPECT_EQ(axis->box.right, kLeft / 2);
    for (const auto& t : c.texts()) {
        if (t.align != (TextAlign::Right | TextAlign::Top)) continue;
        const bool apart = axis->box.right <= t.box.left || t.box.right <= axis->box.left ||
                           axis->box.top <= t.box.bottom || t.box.top <= axis->box.bottom;
        EXPECT_TRUE(apart) << t.text;
    }
    EXPECT_EQ(paint.textsAt(kBottom - 220 - 175, TextAlign::Center | TextAlign::Top),
              std::vector<std::string>{"Mass/Charge"});

    // Title: 35 characters of text (4620) and the ion [C6H12O6]+1 (1254), centred on xc.
    const int y1 = kBottom - 280 - 220 - 175;
    std::vector<const RecordedText*> title;
    for (const auto& t : c.texts())
        if (t.at.y >= y1 - 85 && t.at.y <= y1 + 30 && t.align == (TextAlign::Left | TextAlign::Top))
            title.push_back(&t);
    const std::vector<std::pair<std::string, int>> expected = {
        {"Spectrum of the Isotope Cluster of ", 0}, {"[C", 0}, {"6", -85}, {"H", 0}, {"12", -85},
        {"O", 0}, {"6", -85}, {"]", 0}, {"+1", 30}};
    ASSERT_EQ(title.size(), expected.size());
    int x = kXc - (4620 + 1254) / 2;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(title[i]->text, expected[i].first);
        EXPECT_EQ(title[i]->at, (Point{x, y1 + expected[i].second})) << title[i]->text;
        x += title[i]->extent.cx;
    }
    EXPECT_EQ(paint.screen.horzRes, 1920);
    EXPECT_EQ(paint.screen.horzSize, 508);
    EXPECT_TRUE(paint.view.scrollSizesChanged);
    EXPECT_EQ(paint.view.scrollSizes.total, (Size{10416, 3 * 280 - kBottom + 220 + 175}));
    EXPECT_EQ(c.mapMode(), MapMode::Text);
}

TEST(PlotDraw, MzLabelsEveryQuarterBelowARangeOfTwo) {
    // 100 .. 101.5 with 5 % margins: 99.925 .. 101.575, range 1.65.
    ProfileFixture f({100.0});
    PlotPaint paint;
    paint.draw(f.data, {"C6H12O6", "", "", ""});
    EXPECT_EQ(paint.textsAt(kBottom - 150, TextAlign::Center | TextAlign::Top),
              (std::vector<std::string>{"100.00", "100.25", "100.50", "100.75", "101.00", "101.25", "101.50"}));
    int major = 0;
    int minor = 0;
    for (const auto& l : paint.canvas.lines())
        if (l.from.y == kBottom && l.from.x == l.to.x) (l.to.y == kBottom - 100 ? major : minor) += 1;
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 26);  // minor ticks every 0.05 from 99.95 to 101.55
}

TEST(PlotDraw, MzLabelsEveryTwentyForARangeOf150) {
    // 100 .. 241.5 with margins: 92.925 .. 248.575, range 155.65.
    ProfileFixture f({100.0, 240.0});
    PlotPaint paint;
    paint.draw(f.data, {"C6H12O6", "", "", ""});
    EXPECT_EQ(paint.textsAt(kBottom - 150, TextAlign::Center | TextAlign::Top),
              (std::vector<std::string>{"100.00", "120.00", "140.00", "160.00", "180.00", "200.00", "220.00",
                                        "240.00"}));
    // A straight line joins the segments at the height of their ends, 10 % of the top:
    // trunc(-0.775 H + 0.007 H x 10) = -5145, across the 138.5 m/z gap (about 7900 units).
    const auto& lines = paint.canvas.lines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const RecordedLine& l) {
                               return l.from.y == -5145 && l.to.y == -5145 && l.to.x - l.from.x > 7000;
                           }),
              lines.end());
}

TEST(PlotDraw, IonFormulaPiecesAndNegativeCharge) {
    RecordingCanvas canvas;
    canvas.setMapMode(MapMode::HiEnglish);
    PlotFonts fonts;
    fonts.main = plotFont(220, 500);
    fonts.small = plotFont(165, 800);
    fonts.superscriptOffset = 30;
    fonts.subscriptOffset = -85;
    canvas.selectFont(fonts.main);
    EXPECT_EQ(drawIonFormula(canvas, fonts, 0, 0, "C2H5O", -2, false), 264 + 99 + 132 + 99 + 132 + 132 + 198);
    EXPECT_TRUE(canvas.texts().empty());
    drawIonFormula(canvas, fonts, 1000, 0, "C2H5O", -2);
    EXPECT_EQ(canvas.textStrings(), (std::vector<std::string>{"[C", "2", "H", "5", "O", "]", "-2"}));
    EXPECT_EQ(canvas.texts().back().at, (Point{1000 + 264 + 99 + 132 + 99 + 132 + 132, 30}));
    EXPECT_EQ(canvas.texts().back().font.height, 165);
    EXPECT_EQ(canvas.font(), fonts.main);
}

TEST(PlotDraw, TandemTitleLines) {
    ProfileFixture f({100.0});
    f.data.scanType = static_cast<int>(ScanType::MSn);
    f.data.msSteps = 3;
    f.data.precursorPeakIndex = 1;
    f.data.product1PeakIndex = 2;
    f.data.ionCharge = 2;
    f.data.product1Charge = 1;
    f.data.product2Charge = -1;
    PlotPaint paint;
    paint.draw(f.data, {"C6H12O6", "C6H10O5", "C5H8O4", ""});
    auto line = [&](int y) {
        std::string s;
        for (const auto& t : paint.canvas.texts())
            if (t.align == (TextAlign::Left | TextAlign::Top) && t.at.y >= y - 85 && t.at.y <= y + 30) s += t.text;
        return s;
    };
    EXPECT_EQ(line(kBottom - 280 - 220 - 175), "Product Ion MS/MS/MS Spectrum of the Isotope Cluster of [C5H8O4]-1");
    EXPECT_EQ(line(kBottom - 2 * 280 - 220 - 175), "Precursor Ions: [C6H12O6]+2 (P+1), [C6H10O5]+1 (1G+2)");
}

TEST(PlotDraw, OnDrawInPlotModeUsesTheHook) {
    ProfileFixture f({100.0});
    CalcSession session;
    session.ionFormulaText = "C6H12O6";
    auto ws = std::make_unique<CalcWorkspace>();
    ws->plotMode = true;
    ListingView view;
    view.showWelcome = false;
    PlotScreen screen;
    view.drawPlot = makePlotDrawer(session, [] { return kClient; }, screen);
    RecordingCanvas canvas;
    onDraw(view, canvas, f.data, *ws, kClient);
    ASSERT_FALSE(canvas.rectangles().empty());
    EXPECT_EQ(canvas.rectangles()[0].rect, (Rect{kLeft, -364, 9895, kBottom}));
    const auto strings = canvas.textStrings();
    EXPECT_NE(std::find(strings.begin(), strings.end(), "Spectrum of the Isotope Cluster of "), strings.end());
}

}  // namespace
}  // namespace mv
