#include "display/canvas.h"
#include "display/recording_canvas.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

DeviceCaps capsAt(int dpiX, int dpiY) {
    return {.horzRes = 1000, .vertRes = 1000, .logPixelsX = dpiX, .logPixelsY = dpiY, .horzSize = 254, .vertSize = 254};
}

// Expected device points are the logical point times LOGPIXELS / (units per inch), y negated in the
// y-up modes, rounded half upward.
TEST(CanvasMapping, LogicalToDeviceByHand) {
    struct Case {
        MapMode mode;
        int dpiX, dpiY;
        Point logical;
        Point device;
    };
    const Case cases[] = {
        {MapMode::Text, 96, 96, {37, -5}, {37, -5}},
        {MapMode::LoEnglish, 96, 96, {100, -100}, {96, 96}},
        {MapMode::LoEnglish, 96, 96, {50, -22}, {48, 21}},      // 21.12
        {MapMode::LoEnglish, 120, 144, {100, -100}, {120, 144}},  // non-square pixels
        {MapMode::HiEnglish, 600, 600, {1000, -1000}, {600, 600}},
        {MapMode::HiEnglish, 600, 600, {850, -5}, {510, 3}},
        {MapMode::HiEnglish, 300, 300, {5, -5}, {2, 2}},     // 1.5 rounds up
        {MapMode::HiEnglish, 300, 300, {-5, 5}, {-1, -1}},   // -1.5 rounds up too
        {MapMode::Isotropic, 254, 254, {100, -100}, {100, 100}},  // starts as 0.1 mm, y up
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas(capsAt(c.dpiX, c.dpiY));
        canvas.setMapMode(c.mode);
        EXPECT_EQ(canvas.toDevice(c.logical), c.device) << static_cast<int>(c.mode) << " " << c.logical.x;
    }
}

TEST(CanvasMapping, DeviceToLogicalInvertsWithRounding) {
    RecordingCanvas canvas(capsAt(96, 96));
    canvas.setMapMode(MapMode::LoEnglish);
    EXPECT_EQ(canvas.toLogical({96, 96}), (Point{100, -100}));
    EXPECT_EQ(canvas.toLogical({1, 1}), (Point{1, -1}));      // 1.0417
    EXPECT_EQ(canvas.toLogical({13, 0}), (Point{14, 0}));     // 13.54
    EXPECT_TRUE(canvas.yUp());
    canvas.setMapMode(MapMode::Text);
    EXPECT_FALSE(canvas.yUp());
    EXPECT_EQ(canvas.toLogical({13, 7}), (Point{13, 7}));
}

// The printed listing shifts the viewport origin up one page per page before OnDraw sets its
// mapping mode; the mode change must keep that origin.
TEST(CanvasMapping, MapModeKeepsOriginsForPrintedStrips) {
    RecordingCanvas canvas(RecordingCanvas::screenCaps(), true);  // 1080 rows at 96 dpi
    canvas.setViewportOrg({0, -1080});                            // page 2
    canvas.setMapMode(MapMode::LoEnglish);
    EXPECT_EQ(canvas.viewportOrg(), (Point{0, -1080}));
    // The page height in logical units is VERTRES / (LOGPIXELSY * 0.01) = 1125: the top of page 2.
    EXPECT_EQ(canvas.toDevice({0, -1125}), (Point{0, 0}));
    EXPECT_EQ(canvas.toDevice({0, -2250}), (Point{0, 1080}));

    canvas.setWindowOrg({10, 20});
    canvas.setMapMode(MapMode::Text);
    EXPECT_EQ(canvas.toDevice({10, 20}), (Point{0, -1080}));
}

TEST(CanvasMapping, IsotropicTakesTheSmallerScale) {
    struct Case {
        int dpiX, dpiY;
        Size window, viewport, adjusted;
    };
    const Case cases[] = {
        // 1000/2400 < 800/1600: y follows x, 800 * (1000/2400) / (800/1600) = 666.67.
        {96, 96, {2400, 1600}, {1000, 800}, {1000, 667}},
        {96, 96, {1000, 1000}, {400, 800}, {400, 400}},
        {96, 96, {907, 605}, {907, 605}, {907, 605}},       // the export: one unit per pixel
        {96, 96, {100, 100}, {100, -100}, {100, -100}},     // a y-up viewport keeps its sign
        {96, 96, {2400, 1600}, {-1000, 800}, {-1000, 667}},
        // Pixels half as tall as wide: a unit 0.5 px across equals 1 px down.
        {100, 200, {100, 100}, {100, 100}, {50, 100}},
        {96, 96, {100000, 1}, {1, 1}, {1, 1}},  // never shrinks to zero
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas(capsAt(c.dpiX, c.dpiY));
        canvas.setMapMode(MapMode::Isotropic);
        ASSERT_TRUE(canvas.setWindowExt(c.window));
        ASSERT_TRUE(canvas.setViewportExt(c.viewport));
        EXPECT_EQ(canvas.viewportExt(), c.adjusted) << c.window.cx << "x" << c.window.cy;
    }

    RecordingCanvas canvas(capsAt(96, 96));
    canvas.setMapMode(MapMode::Isotropic);
    canvas.setWindowExt({2400, 1600});
    canvas.setViewportExt({1000, 800});
    EXPECT_EQ(canvas.toDevice({2400, 1600}), (Point{1000, 667}));
    EXPECT_EQ(canvas.toDevice({1200, 800}), (Point{500, 334}));  // 333.5
    EXPECT_EQ(canvas.toLogical({500, 334}), (Point{1200, 801}));   // 334 * 1600 / 667 = 801.2
}

TEST(CanvasMapping, ExtentsOnlyInIsotropicAndNeverZero) {
    RecordingCanvas canvas(capsAt(96, 96));
    canvas.setMapMode(MapMode::LoEnglish);
    EXPECT_FALSE(canvas.setWindowExt({10, 10}));
    EXPECT_FALSE(canvas.setViewportExt({10, 10}));
    EXPECT_EQ(canvas.toDevice({100, -100}), (Point{96, 96}));

    canvas.setMapMode(MapMode::Isotropic);
    EXPECT_FALSE(canvas.setWindowExt({0, 10}));
    EXPECT_FALSE(canvas.setViewportExt({10, 0}));
    EXPECT_EQ(canvas.windowExt(), (Size{254, 254}));
}

TEST(CanvasMapping, DeviceWithoutDensityFallsBackTo96Dpi) {
    RecordingCanvas canvas(capsAt(0, -3));
    EXPECT_EQ(canvas.deviceCap(DeviceCap::LogPixelsX), 96);
    canvas.setMapMode(MapMode::LoEnglish);
    EXPECT_EQ(canvas.toDevice({100, -100}), (Point{96, 96}));
}

// Font heights and pen widths reach the device scaled by the mapping, rounded, never below a pixel.
TEST(CanvasMapping, FontHeightsAndPenWidthsOnTheDevice) {
    struct Case {
        MapMode mode;
        int dpi;
        int height;
        int deviceHeight;
    };
    const Case fonts[] = {
        {MapMode::LoEnglish, 96, 22, 21},   // 21.12
        {MapMode::LoEnglish, 96, -22, -21},
        {MapMode::LoEnglish, 96, 26, 25},   // 24.96
        {MapMode::HiEnglish, 96, 220, 21},
        {MapMode::HiEnglish, 96, 260, 25},
        {MapMode::LoEnglish, 600, 16, 96},
        {MapMode::HiEnglish, 96, 5, 1},     // 0.48 would vanish
        {MapMode::Text, 96, 37, 37},
        {MapMode::LoEnglish, 96, 0, 0},     // device default stays default
    };
    for (const Case& c : fonts) {
        RecordingCanvas canvas(capsAt(c.dpi, c.dpi));
        canvas.setMapMode(c.mode);
        FontDesc f;
        f.height = c.height;
        EXPECT_EQ(canvas.deviceFontHeight(f), c.deviceHeight) << c.height << " at " << c.dpi;
    }

    RecordingCanvas screen(capsAt(96, 96));
    screen.setMapMode(MapMode::LoEnglish);
    EXPECT_EQ(screen.logicalHeight(21), 22);  // 21.875
    EXPECT_EQ(screen.logicalWidth(11), 11);   // 11.46
    EXPECT_EQ(screen.deviceWidth(-1000), 960);

    RecordingCanvas printer(capsAt(600, 600), true);
    printer.setMapMode(MapMode::HiEnglish);
    EXPECT_EQ(printer.devicePenWidth({PenStyle::Solid, 10, kBlack}), 6);
    EXPECT_EQ(printer.devicePenWidth({PenStyle::Solid, 0, kBlack}), 1);
    screen.setMapMode(MapMode::HiEnglish);
    EXPECT_EQ(screen.devicePenWidth({PenStyle::Solid, 10, kBlack}), 1);  // 0.96
}

TEST(CanvasState, DefaultsAndSelectionsReturnThePrevious) {
    RecordingCanvas canvas(RecordingCanvas::printerCaps(), true);
    EXPECT_TRUE(canvas.isPrinter());
    EXPECT_EQ(canvas.deviceCap(DeviceCap::HorzRes), 4800);
    EXPECT_EQ(canvas.deviceCap(DeviceCap::VertSize), 267);
    EXPECT_EQ(canvas.mapMode(), MapMode::Text);
    EXPECT_EQ(canvas.font(), systemFont());
    EXPECT_EQ(canvas.textAlign(), TextAlign::Left | TextAlign::Top);
    EXPECT_EQ(canvas.textColor(), kBlack);
    EXPECT_EQ(canvas.backgroundMode(), BackgroundMode::Opaque);
    EXPECT_EQ(canvas.graphicsMode(), GraphicsMode::Compatible);

    FontDesc courier;
    courier.faceName = "Courier New";
    courier.height = 16;
    courier.weight = 400;
    courier.outPrecision = FontBits::OutTrueTypePrecision;
    courier.pitchAndFamily = FontBits::FixedPitch | FontBits::FamilyModern;
    const FontDesc previous = canvas.selectFont(courier);
    EXPECT_EQ(previous, systemFont());
    EXPECT_EQ(canvas.selectFont(previous), courier);
    EXPECT_EQ(courier.pitchAndFamily, 0x31);

    const PenDesc plotPen{PenStyle::Solid, 10, kBlack};
    const PenDesc oldPen = canvas.selectPen(plotPen);
    EXPECT_EQ(canvas.selectPen(oldPen), plotPen);
    EXPECT_EQ(canvas.setTextAlign(TextAlign::Right | TextAlign::Top), TextAlign::Left | TextAlign::Top);
    EXPECT_EQ(canvas.setTextColor({1, 2, 3}), kBlack);
    EXPECT_EQ(canvas.setMapMode(MapMode::HiEnglish), MapMode::Text);
    EXPECT_EQ(canvas.setGraphicsMode(GraphicsMode::Advanced), GraphicsMode::Compatible);
}

TEST(CanvasDrawing, LinesRectanglesAndThePenInEffect) {
    RecordingCanvas canvas;
    canvas.setMapMode(MapMode::HiEnglish);
    const PenDesc plotPen{PenStyle::Solid, 10, kBlack};
    canvas.selectPen(plotPen);
    canvas.rectangle(100, -50, 950, -800);
    EXPECT_EQ(canvas.moveTo(10, -20), (Point{0, 0}));
    canvas.lineTo(30, -40);
    canvas.lineTo(50, -60);
    EXPECT_EQ(canvas.currentPosition(), (Point{50, -60}));

    ASSERT_EQ(canvas.rectangles().size(), 1u);
    EXPECT_EQ(canvas.rectangles()[0].rect, (Rect{100, -50, 950, -800}));
    EXPECT_EQ(canvas.rectangles()[0].pen, plotPen);
    ASSERT_EQ(canvas.lines().size(), 2u);
    EXPECT_EQ(canvas.lines()[0].from, (Point{10, -20}));
    EXPECT_EQ(canvas.lines()[0].to, (Point{30, -40}));
    EXPECT_EQ(canvas.lines()[1].from, (Point{30, -40}));
    EXPECT_EQ(canvas.lines()[1].mapMode, MapMode::HiEnglish);
    EXPECT_LT(canvas.rectangles()[0].seq, canvas.lines()[0].seq);
}

// Font of cell height 20 in the recording model: characters 12 wide, ascent 16. "abcde" is 60 x 20.
TEST(CanvasDrawing, AlignmentPlacesTheTextBox) {
    struct Case {
        MapMode mode;
        unsigned align;
        Point at;
        Rect box;
    };
    using namespace TextAlign;
    const Case cases[] = {
        {MapMode::LoEnglish, Left | Top, {100, -200}, {100, -200, 160, -220}},
        {MapMode::LoEnglish, Right | Top, {100, -200}, {40, -200, 100, -220}},
        {MapMode::LoEnglish, Center | Top, {100, -200}, {70, -200, 130, -220}},
        {MapMode::LoEnglish, Left | Bottom, {100, -200}, {100, -180, 160, -200}},
        {MapMode::LoEnglish, Left | Baseline, {100, -200}, {100, -184, 160, -204}},
        {MapMode::Text, Left | Top, {100, 200}, {100, 200, 160, 220}},
        {MapMode::Text, Right | Bottom, {100, 200}, {40, 180, 100, 200}},
        {MapMode::Text, Center | Baseline, {100, 200}, {70, 184, 130, 204}},
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        canvas.setMapMode(c.mode);
        FontDesc f;
        f.height = 20;
        canvas.selectFont(f);
        canvas.setTextAlign(c.align);
        canvas.textOut(c.at.x, c.at.y, "abcde");
        ASSERT_EQ(canvas.texts().size(), 1u);
        EXPECT_EQ(canvas.texts()[0].box, c.box) << "align " << c.align;
        EXPECT_EQ(canvas.texts()[0].align, c.align);
        EXPECT_EQ(canvas.texts()[0].at, c.at);
    }
}

// The plot's axis title: escapement -900 with y up the page and +900 with y down both turn the text
// counterclockwise as seen, so it runs up the page with the glyphs' tops to the left of the
// reference point; bottom-centre alignment puts the reference at the middle of the cell's bottom
// edge.
TEST(CanvasDrawing, RotatedTextBox) {
    RecordingCanvas canvas;
    canvas.setMapMode(MapMode::HiEnglish);
    FontDesc f;
    f.height = 20;
    f.escapement = -900;
    f.orientation = -900;
    canvas.selectFont(f);
    canvas.setTextAlign(TextAlign::Bottom | TextAlign::Center);
    canvas.textOut(500, -1000, "abcde");
    EXPECT_EQ(canvas.texts()[0].box, (Rect{480, -970, 500, -1030}));

    RecordingCanvas exported;  // y down, +900: runs up the page, tops to the left
    exported.setMapMode(MapMode::Isotropic);
    f.escapement = f.orientation = 900;
    exported.selectFont(f);
    exported.setTextAlign(TextAlign::Bottom | TextAlign::Center);
    exported.setWindowExt({907, 605});
    exported.setViewportExt({907, 605});
    exported.textOut(45, 287, "abcde");
    EXPECT_EQ(exported.texts()[0].box, (Rect{25, 257, 45, 317}));
}

TEST(CanvasDrawing, DrawTextCentresInTheRectangle) {
    RecordingCanvas canvas;
    FontDesc f;
    f.height = 40;  // characters 24 wide
    canvas.selectFont(f);
    canvas.setTextAlign(TextAlign::Right | TextAlign::Bottom);  // DrawText does not use it

    const Rect rect{0, 270, 1000, 600};
    EXPECT_EQ(canvas.drawText("Welcome", rect, TextFormat::Center | TextFormat::SingleLine), 40);
    EXPECT_EQ(canvas.drawText("Welcome", rect, TextFormat::Center | TextFormat::SingleLine | TextFormat::VCenter),
              40);
    EXPECT_EQ(canvas.drawText("odd", {0, 0, 101, 50}, TextFormat::SingleLine), 40);
    ASSERT_EQ(canvas.texts().size(), 3u);
    EXPECT_EQ(canvas.texts()[0].at, (Point{416, 270}));  // (0 + 1000 - 168) / 2
    EXPECT_EQ(canvas.texts()[0].align, TextAlign::Left | TextAlign::Top);
    EXPECT_EQ(canvas.texts()[1].at, (Point{416, 415}));  // (270 + 600 - 40) / 2
    EXPECT_EQ(canvas.texts()[2].at, (Point{0, 0}));
    EXPECT_EQ(canvas.textAlign(), TextAlign::Right | TextAlign::Bottom);

    // y up: the box is centred on the rectangle's middle, -100.
    RecordingCanvas up;
    up.setMapMode(MapMode::LoEnglish);
    up.selectFont(f);
    up.drawText("ab", {0, 0, 100, -200}, TextFormat::Center | TextFormat::SingleLine | TextFormat::VCenter);
    EXPECT_EQ(up.texts()[0].box, (Rect{26, -80, 74, -120}));
}

}  // namespace
}  // namespace mv
