#include "display/recording_canvas.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace mv {
namespace {

FontDesc courier(int height, int weight = 500) {
    FontDesc f;
    f.faceName = "Courier New";
    f.height = height;
    f.weight = weight;
    f.outPrecision = FontBits::OutTrueTypePrecision;
    f.pitchAndFamily = FontBits::FixedPitch | FontBits::FamilyModern;
    return f;
}

TEST(RecordingCanvasModel, MetricsFollowTheDocumentedModel) {
    struct Case {
        int height;
        int width;
        int cell, ascent, descent, internalLeading, charWidth;
    };
    const Case cases[] = {
        {22, 0, 22, 18, 4, 2, 13},   // ascent 17.6, character height 19.56, width 13.2
        {26, 0, 26, 21, 5, 3, 16},   // 20.8, 23.1, 15.6
        {-20, 0, 23, 18, 5, 3, 12},  // cell 22.5 rounds up; ascent 18.4
        {0, 0, 16, 13, 3, 2, 10},    // device default
        {22, 7, 22, 18, 4, 2, 7},    // an explicit width wins
        {1, 0, 1, 1, 0, 0, 1},       // never narrower than a unit
    };
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        FontDesc f = courier(c.height);
        f.width = c.width;
        canvas.selectFont(f);
        const TextMetrics m = canvas.textMetrics();
        EXPECT_EQ(m.height, c.cell) << c.height;
        EXPECT_EQ(m.ascent, c.ascent) << c.height;
        EXPECT_EQ(m.descent, c.descent) << c.height;
        EXPECT_EQ(m.internalLeading, c.internalLeading) << c.height;
        EXPECT_EQ(m.externalLeading, 0);
        EXPECT_EQ(m.aveCharWidth, c.charWidth) << c.height;
        EXPECT_EQ(canvas.textExtent("abc"), (Size{3 * c.charWidth, c.cell})) << c.height;
    }
}

TEST(RecordingCanvasModel, ExtentCountsCharactersNotBytesAndIgnoresMapping) {
    RecordingCanvas canvas;
    canvas.selectFont(courier(22));
    const std::string line82 = "This is an 82 character line to use to get the extent (length) of the longest line";
    ASSERT_EQ(line82.size(), 82u);
    EXPECT_EQ(canvas.textExtent(line82), (Size{1066, 22}));
    canvas.setMapMode(MapMode::LoEnglish);
    EXPECT_EQ(canvas.textExtent(line82), (Size{1066, 22}));
    EXPECT_EQ(canvas.textExtent("\xC2\xB5m"), (Size{26, 22}));  // "µm"
    EXPECT_EQ(canvas.textExtent(""), (Size{0, 22}));

    // A narrower face ratio, to exercise layouts that depend on the measured width.
    RecordingCanvas narrow(RecordingCanvas::screenCaps(), false, 0.5);
    narrow.selectFont(courier(22));
    EXPECT_EQ(narrow.textExtent(line82).cx, 902);
}

TEST(RecordingCanvasRecord, KeepsEveryTextWithItsState) {
    RecordingCanvas canvas;
    canvas.setMapMode(MapMode::LoEnglish);
    canvas.selectFont(courier(22));
    canvas.textOut(50, 0, "first");
    canvas.setTextColor({200, 0, 0});
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.textOut(50, -22, "second");
    canvas.selectFont(courier(16, 800));
    canvas.textOut(300, -22, "small");

    EXPECT_EQ(canvas.textStrings(), (std::vector<std::string>{"first", "second", "small"}));
    const auto atLine2 = canvas.textsAt(-22);
    ASSERT_EQ(atLine2.size(), 2u);
    EXPECT_EQ(atLine2[0].text, "second");
    EXPECT_EQ(atLine2[0].colour, (Rgb{200, 0, 0}));
    EXPECT_EQ(atLine2[0].backgroundMode, BackgroundMode::Transparent);
    EXPECT_EQ(atLine2[0].font, courier(22));
    EXPECT_EQ(atLine2[1].font.weight, 800);
    EXPECT_EQ(atLine2[1].extent, (Size{50, 16}));
    EXPECT_TRUE(atLine2[1].yUp);
    EXPECT_EQ(atLine2[1].mapMode, MapMode::LoEnglish);
    EXPECT_EQ(canvas.texts()[0].colour, kBlack);
    EXPECT_TRUE(canvas.textsAt(5).empty());

    canvas.clear();
    EXPECT_TRUE(canvas.texts().empty());
    EXPECT_EQ(canvas.textColor(), (Rgb{200, 0, 0}));  // state is not a recording
}

// Draws a component formula as the listing does: mass numbers raised, counts lowered, symbols on
// the line, the pen advancing by the measured character widths; then the number text at column x.
void drawComponentLine(RecordingCanvas& canvas, int y, const std::string& formula, int numberX,
                       const std::string& numbers, int mainHeight, int smallHeight, int superscript,
                       int subscript) {
    canvas.selectFont(courier(smallHeight, 800));
    const double cs = canvas.textExtent("0123456789").cx / 10.0;
    canvas.selectFont(courier(mainHeight));
    const double c = canvas.textExtent("x").cx;
    double x = 50;
    std::size_t i = 0;
    auto run = [&](bool digits) {
        std::size_t j = i;
        while (j < formula.size() && (std::isdigit(static_cast<unsigned char>(formula[j])) != 0) == digits &&
               formula[j] != '(' && formula[j] != ')')
            ++j;
        std::string s = formula.substr(i, j - i);
        i = j;
        return s;
    };
    while (i < formula.size() && formula[i] == '(') {
        ++i;
        const std::string mass = run(true);
        if (!mass.empty()) {
            canvas.selectFont(courier(smallHeight, 800));
            canvas.textOut(static_cast<int>(x + 0.5), y + superscript, mass);
            x += cs * static_cast<double>(mass.size());
        }
        const std::string symbol = run(false);
        canvas.selectFont(courier(mainHeight));
        canvas.textOut(static_cast<int>(x + 0.5), y, symbol);
        x += c * static_cast<double>(symbol.size());
        ++i;  // ')'
        const std::string count = run(true);
        if (!count.empty()) {
            canvas.selectFont(courier(smallHeight, 800));
            canvas.textOut(static_cast<int>(x + 0.5), y + subscript, count);
            x += cs * static_cast<double>(count.size());
        }
    }
    canvas.selectFont(courier(mainHeight));
    canvas.textOut(numberX, y, numbers);
}

// Line metrics as the listing computes them: superscript offset, subscript offset from the small
// font's height, line distance = main height + 2 x superscript.
struct LineMetrics {
    const char* name;
    int mainHeight, smallHeight, superscript, subscript, spacing;
};
const LineMetrics kMetrics[] = {
    {"screen 22", 22, 16, 3, 16 - 22 - 3, 28},
    {"screen 26", 26, 19, 4, 19 - 26 - 4, 34},
    {"printer 16", 16, 12, 3, 12 - 16 - 3, 22},  // superscript 16 / 5; the subscript sits 7 of 8 below
};

TEST(ListingLines, SuperscriptsAndSubscriptsStayOnTheirLine) {
    for (const LineMetrics& m : kMetrics) {
        RecordingCanvas canvas;
        canvas.setMapMode(MapMode::LoEnglish);
        canvas.selectFont(courier(m.mainHeight));
        int y = 0;
        canvas.textOut(50, y, "[A+0] Peak");
        y -= m.spacing;
        drawComponentLine(canvas, y, "(12C)5(13C)(1H)12(16O)6", 400, "  181.0668", m.mainHeight,
                          m.smallHeight, m.superscript, m.subscript);
        y -= m.spacing;
        drawComponentLine(canvas, y, "(2H)(16O)2", 400, "  36.0000", m.mainHeight, m.smallHeight,
                          m.superscript, m.subscript);
        y -= 2 * m.spacing;  // a blank line
        canvas.textOut(50, y, "Total FA");

        EXPECT_EQ(listingLines(canvas.texts()),
                  (std::vector<std::string>{"[A+0] Peak", "12C513C1H1216O6   181.0668", "2H16O2   36.0000",
                                            "Total FA"}))
            << m.name;

        ListingTextOptions marked;
        marked.raisedMark = "^";
        marked.loweredMark = "_";
        marked.lineSpacing = m.spacing;
        EXPECT_EQ(listingLines(canvas.texts(), marked),
                  (std::vector<std::string>{"[A+0] Peak", "^12C_5^13C^1H_12^16O_6   181.0668",
                                            "^2H^16O_2   36.0000", "", "Total FA"}))
            << m.name;
    }
}

TEST(ListingLines, PiecesOfOneLineJoinInXOrder) {
    RecordingCanvas canvas;
    canvas.setMapMode(MapMode::LoEnglish);
    canvas.selectFont(courier(22));  // 13 per character
    canvas.textOut(400, -22, "right");
    canvas.textOut(50, -22, "left");
    canvas.textOut(50, 0, "top");
    canvas.textOut(76, -44, "cd");  // starts where "ab" ends: one run
    canvas.textOut(50, -44, "ab");
    canvas.textOut(64, -66, "y");  // "x" ends at 63: the run continues within one unit
    canvas.textOut(50, -66, "x");
    canvas.textOut(70, -66, "z");  // overlaps "y"
    canvas.setTextAlign(TextAlign::Right | TextAlign::Top);
    canvas.textOut(500, -88, "end");  // box 461..500
    canvas.setTextAlign(TextAlign::Left | TextAlign::Top);
    canvas.textOut(446, -88, "x");  // box 446..459: two units short of "end"
    EXPECT_EQ(listingLines(canvas.texts()),
              (std::vector<std::string>{"top", "left right", "abcd", "xyz", "x end"}));
}

TEST(ListingLines, LinesGoTopFirstInEitherDirectionOfY) {
    // The welcome screen: MM_TEXT, y down, two lines in different fonts.
    RecordingCanvas welcome;
    FontDesc big = courier(37);
    FontDesc smaller = courier(25);
    welcome.selectFont(smaller);
    welcome.drawText("line two", {0, 300, 600, 600}, TextFormat::Center | TextFormat::SingleLine);
    welcome.selectFont(big);
    welcome.drawText("line one", {0, 260, 600, 600}, TextFormat::Center | TextFormat::SingleLine);
    EXPECT_EQ(listingLines(welcome.texts()), (std::vector<std::string>{"line one", "line two"}));

    EXPECT_TRUE(listingLines({}).empty());
}

}  // namespace
}  // namespace mv
