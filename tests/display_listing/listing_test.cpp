#include "display/listing.h"

#include "control/parameter_entry.h"
#include "control/workers.h"
#include "display/recording_canvas.h"
#include "document/store_data_set.h"
#include "engine/components.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>

namespace mv {
namespace {

// On the recording canvas's 96 dpi screen the 22-unit listing font is 13 units a character
// (82 x 13 = 1066, not below ten inches), the 16-unit small font 10 a character.
constexpr int kMainChar = 13;
constexpr int kSmallChar = 10;
const Rect kClient{0, 0, 1000, 700};

class AlwaysReady : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

// Runs a Regular scan through the parameter dialog, the worker and the completion hand-off.
void calculateRegular(DataSet& data, const std::string& formula, int first, int last) {
    CalcWorkspace& ws = workspace();
    resetStoredParameters(ws);
    resetUserElements();
    CalcSession session;
    test::ScriptedPrompter prompter;
    prompter.fillForm = [&](Form& f) {
        f.field(1000).text = formula;
        f.field(1048).checked = first >= 0;
        if (first >= 0) {
            f.field(1070).text = std::to_string(first);
            f.field(1071).text = std::to_string(last);
        }
        return true;
    };
    beginCommand(ws, ScanType::Regular);
    AlwaysReady target;
    ASSERT_TRUE(enterIonParameters(session, ws, target, prompter)) << ::testing::PrintToString(prompter.messages);
    prepareRun(ws);
    ASSERT_EQ(regularWorker(ws, {}), 0);
    storeDataSet(data, ws, session);
    data.readyForCalculation = false;
    if (ws.listComponentsOption) finishComponentLists(ws);
}

const RecordedText* findText(const RecordingCanvas& canvas, const std::string& text) {
    for (const RecordedText& t : canvas.texts())
        if (t.text == text) return &t;
    return nullptr;
}

const RecordedText* findPrefix(const RecordingCanvas& canvas, const std::string& prefix) {
    for (const RecordedText& t : canvas.texts())
        if (t.text.rfind(prefix, 0) == 0) return &t;
    return nullptr;
}

// A listing drawn on the screen.
struct Paint {
    ListingView view;
    RecordingCanvas canvas;
    Paint() { view.showWelcome = false; }
    void draw(DataSet& data, CalcWorkspace& ws) { onDraw(view, canvas, data, ws, kClient); }
};

// ---------------------------------------------------------------------------------------------
// A Regular scan of glucose with the components of [A+0] to [A+3], from the real calculation.

class GlucoseListing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        data_ = new DataSet;
        calculateRegular(*data_, "C6H12O6", 0, 3);
    }
    static void TearDownTestSuite() {
        delete data_;
        data_ = nullptr;
    }
    void SetUp() override { paint.draw(*data_, workspace()); }

    static DataSet* data_;
    Paint paint;
};
DataSet* GlucoseListing::data_ = nullptr;

TEST_F(GlucoseListing, MetricsLeaveRoomForSuperscriptsAndSubscripts) {
    EXPECT_EQ(paint.view.fontHeight, 22);
    EXPECT_EQ(paint.view.smallFontHeight, 16);  // 22 x 3 / 4
    EXPECT_EQ(paint.view.superscriptOffset, 3);
    EXPECT_EQ(paint.view.subscriptOffset, -9);  // 16 - 22 - 3
    EXPECT_EQ(paint.view.lineHeight, 28);       // 22 + 2 x 3
}

TEST_F(GlucoseListing, HeadingAndTwoColumnRows) {
    const auto& c = paint.canvas;
    const std::pair<int, std::string> heading[] = {
        {0, "                 ***** RESULTS for Simple Mass Spectra *****"},
        {-28, "Ion Formula: C6H12O6"},
        // 6 x 12 + 12 x 1.007825 + 6 x 15.99491 - 0.000054858
        {-56, "Mass of [A+0] ion: 180.0633, Ion Charge: 1"},
        {-84, " Ion      m/z          FA        Rel %      Ion      m/z          FA        Rel %"},
    };
    for (const auto& [y, text] : heading) {
        const RecordedText* t = findText(c, text);
        ASSERT_NE(t, nullptr) << text;
        EXPECT_EQ(t->at, (Point{50, y})) << text;
        EXPECT_EQ(t->font.faceName, "Courier New");
        EXPECT_EQ(t->font.height, 22);
        EXPECT_EQ(t->font.weight, 500);
        EXPECT_EQ(t->font.pitchAndFamily, 0x31);
        EXPECT_EQ(t->colour, kBlack);
        EXPECT_EQ(t->mapMode, MapMode::LoEnglish);
    }

    // Five peaks are listed (the running total passes 0.9999 with [A+4]): three rows.
    // [A+0] = 0.9893^6 x 0.999885^12 x 0.99757^6; [A+1] = [A+0] x (6 x 0.0107/0.9893 +
    // 12 x 0.000115/0.999885 + 6 x 0.00038/0.99757); 100 x [A+1]/[A+0] = 6.856.
    const std::regex row(
        R"((A\+\d) +(\d+\.\d\d)  (\d\.\d{5}E-\d{3}) {2,}(\d+\.\d{3})    (A\+\d) +(\d+\.\d\d)  (\d\.\d{5}E-\d{3}) +(\d+\.\d{3}))");
    const std::pair<int, std::string> rows[] = {
        {-112, "A+0       180.06  9.22633E-001  100.000    A+3       183.06  "},
        {-140, "A+1       181.06  6.32558E-002    6.856    A+4       184.06  "},
        {-168, "A+2       182.06  "},
    };
    for (const auto& [y, prefix] : rows) {
        const auto at = c.textsAt(y);
        ASSERT_EQ(at.size(), 1u) << y;
        EXPECT_EQ(at[0].text.rfind(prefix, 0), 0u) << at[0].text;
        EXPECT_EQ(at[0].at.x, 50);
        if (y != -168) {
            EXPECT_EQ(at[0].text.size(), 82u) << at[0].text;
            EXPECT_TRUE(std::regex_match(at[0].text, row)) << at[0].text;
        }
    }
    // [A+5] is empty, so the last row has no right entry: label 16, FA 14, relative intensity 9.
    EXPECT_EQ(c.textsAt(-168)[0].text.size(), 39u);

    const RecordedText* total = findPrefix(c, "Total fractional abundance: ");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->at.y, -196);
    EXPECT_TRUE(std::regex_match(total->text, std::regex(R"(Total fractional abundance: 0\.999\d\d)")));
    EXPECT_EQ(findPrefix(c, "WARNING - "), nullptr);  // the component warnings come later
    EXPECT_EQ(workspace().relIntWarning, 0);
}

TEST_F(GlucoseListing, ComponentSectionDrawsFormulasWithRaisedAndLoweredDigits) {
    const auto& c = paint.canvas;
    // The widest formulas, e.g. (12C)5(13C)(1H)12(16O)5(18O): five symbol characters, 13 digits.
    ASSERT_EQ(workspace().compSymbolChars, 5);
    ASSERT_EQ(workspace().compDigitChars, 13);
    const int x = 100 + 5 * kMainChar + 13 * kSmallChar;  // 295

    const RecordedText* heading = findText(c, "Individual peak components:");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->at, (Point{50, -252}));  // a blank line after the line following the total
    const RecordedText* peak0 = findText(c, "[A+0] Peak");
    ASSERT_NE(peak0, nullptr);
    EXPECT_EQ(peak0->at, (Point{50, -280}));
    const RecordedText* columns = findText(c, "    Mass         FA        Rel %");
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->at, (Point{x, -280}));
    EXPECT_EQ(std::count_if(c.texts().begin(), c.texts().end(),
                            [](const RecordedText& t) { return t.text == "    Mass         FA        Rel %"; }),
              1);

    // [A+0]: one component, its total, a blank line; [A+1] starts at -392, its lightest component
    // (12C)5(13C)(1H)12(16O)6 at -420.
    EXPECT_EQ(findText(c, "[A+1] Peak")->at, (Point{50, -392}));
    struct Piece {
        const char* text;
        int x;
        int dy;  // from the line
        bool small;
    };
    const Piece pieces[] = {
        {"12", 50, 3, true},  {"C", 70, 0, false},  {"5", 83, -9, true},   {"13", 93, 3, true},
        {"C", 113, 0, false}, {"1", 126, 3, true},  {"H", 136, 0, false},  {"12", 149, -9, true},
        {"16", 169, 3, true}, {"O", 189, 0, false}, {"6", 202, -9, true},
    };
    std::vector<RecordedText> drawn;
    for (const RecordedText& t : c.texts())
        if (t.at.y >= -429 && t.at.y <= -417) drawn.push_back(t);
    ASSERT_EQ(drawn.size(), std::size(pieces) + 1) << ::testing::PrintToString(c.textStrings());
    for (size_t i = 0; i < std::size(pieces); ++i) {
        EXPECT_EQ(drawn[i].text, pieces[i].text) << i;
        EXPECT_EQ(drawn[i].at, (Point{pieces[i].x, -420 + pieces[i].dy})) << i;
        EXPECT_EQ(drawn[i].font.height, pieces[i].small ? 16 : 22) << i;
        EXPECT_EQ(drawn[i].font.weight, pieces[i].small ? 800 : 500) << i;
    }
    const RecordedText& numbers = drawn.back();
    EXPECT_EQ(numbers.at, (Point{x, -420}));
    EXPECT_EQ(numbers.font.height, 22);
    EXPECT_TRUE(std::regex_match(numbers.text, std::regex(R"(  181\.0667  \d\.\d{5}E-\d{3}  100\.000)"))) << numbers.text;

    // Every component's numbers stand in the one column at X.
    const std::regex numberText(R"( +\d+\.\d{4}  .*)");
    for (const RecordedText& t : c.texts()) {
        if (std::regex_match(t.text, numberText)) {
            EXPECT_EQ(t.at.x, x) << t.text;
        }
    }
    EXPECT_EQ(paint.view.scrollSizes.total.cx, 82 * kMainChar + 100);  // wider than 13 x 32 + 295 + 50
}

TEST_F(GlucoseListing, LineCountAndScrollSizes) {
    // Written back into the data set; the scroll height is the y after the last line.
    EXPECT_EQ(data_->listingLineCount, paint.view.listingLine);
    const ScrollSizes& s = paint.view.scrollSizes;
    EXPECT_TRUE(paint.view.scrollSizesChanged);
    EXPECT_EQ(s.mapMode, MapMode::LoEnglish);
    EXPECT_EQ(s.page, (Size{1000, 700}));
    EXPECT_EQ(s.line, (Size{100, 28}));
    // The last text drawn sits one line above the end.
    const int lastY = paint.canvas.texts().back().at.y;
    EXPECT_EQ(s.total.cy, -(lastY - 28));
    // On the screen every line advances by one line height: lines = -y / lineHeight.
    EXPECT_EQ(s.total.cy, 28 * paint.view.listingLine);
}

// ---------------------------------------------------------------------------------------------
// Listings of hand-made data sets.

struct Fixture {
    DataSet data;
    std::unique_ptr<CalcWorkspace> ws = std::make_unique<CalcWorkspace>();
    Fixture(ScanType scan) {
        data.scanType = static_cast<int32_t>(scan);
        data.readyForCalculation = false;
        data.ionFormula = "X";
        data.product1Formula = "Y";
        data.ionCharge = 1;
        data.product1Charge = 1;
        data.product2Charge = 1;
        data.product3Charge = 1;
        data.ionMassA0 = 100.0;
        data.product1MassA0 = 80.0;
        data.product2MassA0 = 60.0;
        data.product3MassA0 = 40.0;
        data.reportedFA = 0.98;
        data.reportedFA2 = 0.98;
        ws->scanType = data.scanType;
    }
    std::vector<std::string> lines(Paint& p) {
        p.draw(data, *ws);
        return listingLines(p.canvas.texts(), {p.view.lineHeight, "^", "_"});
    }
};

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(PeakTable, OddPeakCountsAndTheRightEntryOfTheLastRow) {
    struct Case {
        const char* what;
        double slot5;
        std::string lastRow;
    };
    // 0.5, 0.25, 0.125, 0.0625, 0.05: the running total passes 0.98 at [A+4]; five peaks, three rows.
    const Case cases[] = {
        {"the peak after the listed ones is shown", 0.0125,
         "A+2       102.00  1.25000E-001   25.000    A+5       105.00  1.25000E-002    2.500"},
        {"an empty slot is left out", 0.0, "A+2       102.00  1.25000E-001   25.000"},
    };
    for (const Case& k : cases) {
        Fixture f(ScanType::Regular);
        const double fa[] = {0.5, 0.25, 0.125, 0.0625, 0.05, k.slot5, 0.001};
        std::copy(std::begin(fa), std::end(fa), f.data.peakFA);
        Paint p;
        const auto l = f.lines(p);
        ASSERT_GE(l.size(), 8u) << k.what;
        EXPECT_EQ(l[4], "A+0       100.00  5.00000E-001  100.000    A+3       103.00  6.25000E-002   12.500") << k.what;
        EXPECT_EQ(l[5], "A+1       101.00  2.50000E-001   50.000    A+4       104.00  5.00000E-002   10.000") << k.what;
        EXPECT_EQ(l[6], k.lastRow) << k.what;
        EXPECT_EQ(l[7].rfind("Total fractional abundance: ", 0), 0u) << k.what;
    }
}

TEST(PeakTable, ChargeDividesTheMassAndAnEmptyClusterReadsZero) {
    Fixture f(ScanType::Regular);
    f.data.ionCharge = -2;
    f.data.ionMassA0 = 500.0;
    Paint p;
    const auto l = f.lines(p);
    // Nothing ever passes the stop value: all 640 slots in 320 rows, every intensity 0.000.
    EXPECT_EQ(l[4], "A+0       250.00  0.00000E+000    0.000    A+320     410.00  0.00000E+000    0.000");
    EXPECT_EQ(l[4 + 319].substr(0, 30), "A+319     409.50  0.00000E+000");
    EXPECT_EQ(l[4 + 319].size(), 39u);  // slot 639 is empty
}

TEST(PeakTable, RelativeIntensityWarningFollowsTheTotal) {
    Fixture f(ScanType::Regular);
    f.data.peakFA[639] = 1.0;
    f.ws->relIntWarning = 0;
    Paint p;
    auto l = f.lines(p);
    auto total = std::find_if(l.begin(), l.end(), [](const std::string& s) { return s.rfind("Total", 0) == 0; });
    ASSERT_NE(total, l.end());
    ASSERT_NE(total + 1, l.end());
    EXPECT_EQ(total[1], "WARNING - the relative intensities may be in error.");
    EXPECT_EQ(f.ws->relIntWarning, 1);

    // The next paint of an ordinary cluster clears it again.
    f.data.peakFA[639] = 0;
    f.data.peakFA[0] = 1.0;
    Paint again;
    l = f.lines(again);
    EXPECT_FALSE(contains(l, "WARNING - the relative intensities may be in error."));
    EXPECT_EQ(f.ws->relIntWarning, 0);
}

TEST(PeakTable, BeyondSlotsWarningNamesTheLastSlotOfThePass) {
    struct Case {
        ScanType scan;
        const char* text;
    };
    const Case cases[] = {
        {ScanType::Regular, "WARNING - ions of mass > A+639 were encountered in this calculation."},
        {ScanType::Precursor, "WARNING - ions of mass > A+319 were encountered in this calculation."},
    };
    for (const Case& k : cases) {
        Fixture f(k.scan);
        f.data.peakFA[0] = 1.0;
        f.data.peakFA[320] = 1.0;
        f.ws->beyondSlotsCount = 3;
        Paint p;
        EXPECT_TRUE(contains(f.lines(p), k.text)) << k.text;
    }
}

TEST(TandemListings, PrecursorWarningComesFromEitherTable) {
    for (const int slot : {319, 639}) {
        Fixture f(ScanType::Precursor);
        f.data.peakFA[0] = 0.5;
        f.data.peakFA[320] = 0.5;
        f.data.peakFA[slot] = 1.0;
        Paint p;
        const auto l = f.lines(p);
        EXPECT_TRUE(contains(l, "WARNING - the relative intensities may be in error.")) << slot;
        EXPECT_EQ(l.back(), "WARNING - the relative intensities may be in error.") << slot;
    }
}

TEST(TandemListings, PrecursorLayout) {
    Fixture f(ScanType::Precursor);
    f.data.ionFormula = "C6H12O6";
    f.data.product1Formula = "C6H10O5";
    f.data.product1MassA0 = 82.0;
    f.data.product1Charge = 2;
    f.data.peakFA[0] = 0.99;
    f.data.peakFA[320] = 0.99;
    f.ws->clusterFALoss = 0.99;
    f.ws->clusterFAProduct = 0.99;
    Paint p;
    const auto l = f.lines(p);
    const std::vector<std::string> expected = {
        "          ***** RESULTS for Precursor Ion Tandem Mass Spectra *****",
        "Precursor Ion: C6H12O6, Product Ion: C6H10O5",
        "A+0 precursor ion mass: 100.0000, A+0 product ion mass: 82.0000",
        "Precursor ion charge: 1, product ion charge: 2",
        "",
        "The data below list the isotope cluster peaks within any individual spectrum.",
        "The A+i, FA, and Rel % values apply to all spectra.",
        "The m/z values are specific for precursors of the A+0 product ion.",
        "P Ion     m/z          FA        Rel %     P Ion     m/z          FA        Rel %",
        "A+0       100.00  9.90000E-001  100.000",
        "Total fractional abundance: 0.99000",
        "",
        "",
        "The data below list relative intensities among different spectra.",
        "Each m/z value designates the product ion selected to produce a particular spectrum.",
        "F Ion     m/z          FA        Rel %     F Ion     m/z          FA        Rel %",
        "A+0        41.00  9.90000E-001  100.000",
        "Total fractional abundance: 0.99000",
    };
    EXPECT_EQ(l, expected);
    EXPECT_EQ(f.data.listingLineCount, 18);
}

TEST(TandemListings, NeutralLossGivesTheFragmentMass) {
    Fixture f(ScanType::NeutralLoss);
    f.data.ionMassA0 = 500.0;
    f.data.product1MassA0 = 482.0;
    f.data.peakFA[0] = 0.99;
    f.data.peakFA[320] = 0.99;
    Paint p;
    const auto l = f.lines(p);
    ASSERT_GE(l.size(), 17u);
    EXPECT_EQ(l[0], "           ***** RESULTS for Neutral Loss Tandem Mass Spectra *****");
    EXPECT_EQ(l[2], "A+0 precursor ion mass: 500.0000, 'A+0' neutral fragment mass: 18.0000");
    EXPECT_EQ(l[3], "Precursor and product ion charge: 1");
    EXPECT_EQ(l[7], "The m/z values are specific for precursors of the 'A+0' neutral fragment.");
    EXPECT_EQ(l[9], "A+0       500.00  9.90000E-001  100.000");
    EXPECT_EQ(l[14], "Each 'm/z' value lists the neutral loss selected to produce a particular spectrum.");
    EXPECT_EQ(l[15], "N Frg    'm/z'         FA        Rel %     N Frg    'm/z'         FA        Rel %");
    EXPECT_EQ(l[16], "A+0        18.00  9.90000E-001  100.000");
}

TEST(TandemListings, ProductStopsOnceTheRunningTotalPassesTheStopValue) {
    Fixture f(ScanType::Product);
    f.data.maxPrecursorPeak = 3;
    f.ws->stopFA = 0.9;
    f.ws->clusterFALoss = 0.95;
    // Precursor peak 0: one slot; peak 1: two slots; peak 2 would follow from slot 3.
    const double fa[] = {0.5, 0.3, 0.15, 0.04, 0.01};
    std::copy(std::begin(fa), std::end(fa), f.data.peakFA);
    Paint p;
    const auto l = f.lines(p);
    const std::vector<std::string> expected = {
        "           ***** RESULTS for Product Ion Tandem Mass Spectra *****",
        "Precursor Ion: X, [A+0] Mass: 100.0000, Ion charge: 1",
        "Product Ion: Y, [A+0] Mass: 80.0000, Ion charge: 1",
        "",
        "For the Product Ion(s) of m/z 100.00:",
        "F Ion      m/z         FA        Rel %",
        "A+0        80.00  5.00000E-001  100.000",
        "Sum of fractional abundances within this spectrum is 5.00000E-001.",
        "",
        "For the Product Ion(s) of m/z 101.00:",
        "F Ion      m/z         FA        Rel %",
        "A+0        80.00  3.00000E-001  100.000",
        "A+1        81.00  1.50000E-001   50.000",
        "Sum of fractional abundances within this spectrum is 4.50000E-001.",
        "The total fractional abundance is 0.950000.",
    };
    EXPECT_EQ(l, expected);
}

TEST(TandemListings, ProductSpectrumOfZerosReadsZero) {
    Fixture f(ScanType::Product);
    f.data.maxPrecursorPeak = 1;
    f.data.peakFA[0] = 0.5;
    Paint p;
    const auto l = f.lines(p);
    EXPECT_TRUE(contains(l, "A+1        81.00  0.00000E+000    0.000"));
    EXPECT_TRUE(contains(l, "Sum of fractional abundances within this spectrum is 0.00000E+000."));
}

TEST(TandemListings, MsnSpectraAndTheirHeadings) {
    const char* oneColumn = "F Ion     m/z          FA        Rel %";
    const char* twoColumns = "F Ion     m/z          FA        Rel %     F Ion     m/z          FA        Rel %";
    {
        // Two steps from [P+0]: one spectrum with a single peak.
        Fixture f(ScanType::MSn);
        f.data.msSteps = 2;
        f.data.precursorPeakIndex = 0;
        f.data.peakFA[0] = 0.8;
        f.data.peakFA[1] = 0.3;  // not part of this spectrum
        Paint p;
        const auto l = f.lines(p);
        const std::vector<std::string> expected = {
            "          ***** RESULTS for MSn Product Ion Tandem Mass Spectra *****",
            "Precursor Ion: X",
            "  Mass of [A+0] ion: 100.0000, Ion Charge: 1",
            "1st Generation Product Ion: Y",
            "  Mass of [A+0] ion: 80.0000, Ion Charge: 1",
            "",
            "1st Generation Product Ion(s) of [P+0], m/z 100.00",
            oneColumn,
            "A+0        80.00  8.00000E-001  100.000",
            "Total fractional abundance in this spectrum: 8.00000E-001",
        };
        EXPECT_EQ(l, expected);
    }
    {
        // Three steps: [P+2] gives 3 first-generation peaks (2 rows, no right entry in the last
        // although the next slot holds the second generation), [1G+3] gives 4 peaks in 2 rows.
        Fixture f(ScanType::MSn);
        f.data.msSteps = 3;
        f.data.precursorPeakIndex = 2;
        f.data.product1PeakIndex = 3;
        f.data.product2Formula = "Z";
        const double fa[] = {0.4, 0.2, 0.1, 0.5, 0.25, 0.125, 0.0625, 0.9};
        std::copy(std::begin(fa), std::end(fa), f.data.peakFA);
        Paint p;
        const auto l = f.lines(p);
        const std::vector<std::string> expected = {
            "          ***** RESULTS for MSn Product Ion Tandem Mass Spectra *****",
            "Precursor Ion: X",
            "  Mass of [A+0] ion: 100.0000, Ion Charge: 1",
            "1st Generation Product Ion: Y",
            "  Mass of [A+0] ion: 80.0000, Ion Charge: 1",
            "2nd Generation Product Ion: Z",
            "  Mass of [A+0] ion: 60.0000, Ion Charge: 1",
            "",
            "1st Generation Product Ion(s) of [P+2], m/z 102.00",
            twoColumns,
            "A+0        80.00  4.00000E-001  100.000    A+2        82.00  1.00000E-001   25.000",
            "A+1        81.00  2.00000E-001   50.000",
            "Total fractional abundance in this spectrum: 7.00000E-001",
            "",
            "2nd Generation Product Ion(s) of [1G+3], m/z 83.00",
            twoColumns,
            "A+0        60.00  5.00000E-001  100.000    A+2        62.00  1.25000E-001   25.000",
            "A+1        61.00  2.50000E-001   50.000    A+3        63.00  6.25000E-002   12.500",
            "Total fractional abundance in this spectrum: 9.37500E-001",
        };
        EXPECT_EQ(l, expected);
    }
}

// ---------------------------------------------------------------------------------------------
// The component section from hand-made tables.

struct ComponentTables {
    char formulas[6][kComponentFormulaChars] = {};
    double masses[6] = {};
    double fas[6] = {};
    double totals[3] = {};
    double maxima[3] = {};
    int32_t counts[3] = {};
};

TEST(ComponentSection, SkipsEmptyPeaksAndWritesLongMassesInFull) {
    Fixture f(ScanType::Regular);
    f.data.peakFA[0] = 1.0;
    f.ws->clusterFAIon = 1.0;
    ComponentTables t;
    // Peaks [A+2] .. [A+4], two components each at most; [A+3] has none.
    std::snprintf(t.formulas[0], kComponentFormulaChars, "(12C)2(1H)4");
    std::snprintf(t.formulas[1], kComponentFormulaChars, "(Na)");
    std::snprintf(t.formulas[4], kComponentFormulaChars, "(13C)(35Cl)3");
    t.masses[0] = 28.0313;
    t.masses[1] = 12345678.5;
    t.masses[4] = 117.5;
    t.fas[0] = 0.5;
    t.fas[1] = 0.25;
    t.fas[4] = 0.01;
    t.counts[0] = 2;
    t.counts[2] = 1;
    t.totals[0] = 0.75;
    t.totals[2] = 0.01;
    t.maxima[0] = 0.5;
    t.maxima[2] = 0.01;
    DataSet& d = f.data;
    d.listComponentsOption = true;
    d.firstListedPeak = 2;
    d.lastListedPeak = 4;
    d.maxIonsPerPeak = 2;
    d.compFormulas = t.formulas;
    d.compMasses = t.masses;
    d.compFAs = t.fas;
    d.peakCompTotalFA = t.totals;
    d.peakCompMaxFA = t.maxima;
    d.peakCompCount = t.counts;
    f.ws->compSymbolChars = 4;
    f.ws->compDigitChars = 4;
    f.ws->compLowIntensityOmitted = 1;
    f.ws->compHighMassMissing = 1;

    Paint p;
    const auto l = f.lines(p);
    const auto start = std::find(l.begin(), l.end(), "Individual peak components:");
    ASSERT_NE(start, l.end());
    // X = 100 + trunc(13 x 4 + 10 x 4) = 192: the number texts follow the formulas after a gap.
    const std::vector<std::string> expected = {
        "Individual peak components:",
        "[A+2] Peak     Mass         FA        Rel %",
        "^12C_2^1H_4    28.0313  5.00000E-001  100.000",
        "Na 12345678.5000  2.50000E-001   50.000",
        "Total FA for all displayed individual components: 7.50000E-001",
        "",
        "[A+4] Peak",
        "^13C^35Cl_3   117.5000  1.00000E-002  100.000",
        "Total FA for all displayed individual components: 1.00000E-002",
        "",
        "WARNINGS with regard to the display of individual peaks only.",
        "Low intensity ions are not included in some of the above.",
        "Important ions might be missing from high mass peaks.",
    };
    EXPECT_EQ(std::vector<std::string>(start, l.end()), expected);
    EXPECT_EQ(findText(p.canvas, "    Mass         FA        Rel %")->at.x, 192);
    EXPECT_EQ(findText(p.canvas, "12345678.5000  2.50000E-001   50.000")->at.x, 192);
    // Cl after a three-digit superscript: x = 50 + 2 x 10 + 13 + 2 x 10 = 103.
    EXPECT_EQ(findText(p.canvas, "Cl")->at.x, 103);
    EXPECT_EQ(f.data.listingLineCount, p.view.listingLine);
}

TEST(ComponentSection, MsnHeadingNamesTheSelectedParent) {
    struct Case {
        int steps;
        const char* heading;
    };
    const Case cases[] = {
        {2, "Individual peak components for product ions of the [P+1] precursor ion:"},
        {3, "Individual peak components for product ions of the [1G+2] precursor ion:"},
        {4, "Individual peak components for product ions of the [2G+3] precursor ion:"},
    };
    for (const Case& k : cases) {
        Fixture f(ScanType::MSn);
        f.data.msSteps = k.steps;
        f.data.precursorPeakIndex = 1;
        f.data.product1PeakIndex = 2;
        f.data.product2PeakIndex = 3;
        f.data.peakFA[0] = 1.0;
        ComponentTables t;
        f.data.listComponentsOption = true;
        f.data.maxIonsPerPeak = 2;
        f.data.compFormulas = t.formulas;
        f.data.compMasses = t.masses;
        f.data.compFAs = t.fas;
        f.data.peakCompTotalFA = t.totals;
        f.data.peakCompMaxFA = t.maxima;
        f.data.peakCompCount = t.counts;
        Paint p;
        const auto l = f.lines(p);
        EXPECT_TRUE(contains(l, k.heading)) << k.steps;
        // No peak has components and no flag is set: the heading ends the listing.
        EXPECT_EQ(l.back(), k.heading);
    }
}

// ---------------------------------------------------------------------------------------------
// Metrics, pages and the welcome screen.

TEST(ScreenMetrics, NarrowFontMovesToHeight26) {
    // At half an em per character the 22-unit line is 82 x 11 = 902 units, below ten inches.
    ListingView view;
    RecordingCanvas canvas(RecordingCanvas::screenCaps(), false, 0.5);
    canvas.setMapMode(MapMode::LoEnglish);
    computeScreenMetrics(view, canvas, true);
    EXPECT_EQ(view.fontHeight, 26);
    EXPECT_EQ(view.superscriptOffset, 4);
    EXPECT_EQ(view.smallFontHeight, 19);    // 26 x 3 / 4
    EXPECT_EQ(view.subscriptOffset, -11);   // 19 - 26 - 4
    EXPECT_EQ(view.lineHeight, 34);         // 26 + 8

    ListingView wide;
    RecordingCanvas normal;
    computeScreenMetrics(wide, normal, false);
    EXPECT_EQ(wide.fontHeight, 22);
    EXPECT_EQ(wide.lineHeight, 22);
    EXPECT_EQ(normal.font(), systemFont());  // the measuring fonts are deselected
}

TEST(Printing, MetricsAndPageCount) {
    struct Case {
        const char* what;
        DeviceCaps caps;
        bool components;
        int symbols, digits;
        int fontHeight, lineHeight, superscript, subscript, linesPerPage;
    };
    const DeviceCaps small{.horzRes = 1000, .vertRes = 800, .logPixelsX = 100, .logPixelsY = 100};
    const Case cases[] = {
        // 16-unit font: 82 x 10 = 820 fits 1000 x 100 / 100 - 100 = 900; 800 / 16 - 10 = 40.
        {"fits", small, false, 0, 0, 16, 16, 0, 0, 40},
        // 600 dpi Letter: 820 > 700, so trunc(16 x 700 / 820) = 13; 6300 / trunc(13 x 6) - 10 = 70.
        {"narrowed", RecordingCanvas::printerCaps(), false, 0, 0, 13, 13, 0, 0, 70},
        // need = trunc(37 x 10 + 0.75 x 10 x 13 + 50) = 517 < 820; small 12, super 16 / 5 = 3,
        // sub 12 - 16 - 3 = -7, line 22; 800 / 22 - 10 + 2 = 28.
        {"components", small, true, 5, 13, 16, 22, 3, -7, 28},
        // need = 92 x 10 + 750 + 50 = 1720 > 820: 16 x 820 / 1720 = 7; small 5, super 1,
        // sub 5 - 7 - 1 = -3, line 9; 800 / 9 - 10 + 2 = 80.
        {"wide formulas", small, true, 60, 100, 7, 9, 1, -3, 80},
        // A page one inch wide leaves no width at all: the font keeps one unit; 800 / 1 - 10.
        {"no width", {.horzRes = 100, .vertRes = 800, .logPixelsX = 100, .logPixelsY = 100}, false, 0, 0, 1, 1, 0, 0,
         790},
    };
    for (const Case& k : cases) {
        ListingView view;
        RecordingCanvas printer(k.caps, true);
        DataSet data;
        data.listComponentsOption = k.components;
        data.listingLineCount = 130;
        auto ws = std::make_unique<CalcWorkspace>();
        ws->compSymbolChars = k.symbols;
        ws->compDigitChars = k.digits;
        const PrintLayout layout = onBeginPrinting(view, printer, data, *ws, false);
        EXPECT_EQ(view.printFontHeight, k.fontHeight) << k.what;
        EXPECT_EQ(view.printLineHeight, k.lineHeight) << k.what;
        EXPECT_EQ(view.printSuperscriptOffset, k.superscript) << k.what;
        EXPECT_EQ(view.printSubscriptOffset, k.subscript) << k.what;
        EXPECT_EQ(view.linesPerPage, k.linesPerPage) << k.what;
        EXPECT_EQ(layout.pageCount, (130 + k.linesPerPage - 1) / k.linesPerPage) << k.what;
        EXPECT_EQ(layout.drawingRect, (Rect{0, 0, 850, -k.linesPerPage * k.lineHeight})) << k.what;
        EXPECT_EQ(printer.mapMode(), MapMode::LoEnglish);
        EXPECT_EQ(printer.font(), systemFont()) << k.what;
    }
    EXPECT_EQ(pageCountFor(130, 40), 4);
    EXPECT_EQ(pageCountFor(120, 40), 3);
    EXPECT_EQ(pageCountFor(1, 40), 1);

    // Plot mode: one page of the printable area in thousandths of an inch.
    ListingView view;
    RecordingCanvas printer(RecordingCanvas::printerCaps(), true);
    DataSet data;
    auto ws = std::make_unique<CalcWorkspace>();
    const PrintLayout plot = onBeginPrinting(view, printer, data, *ws, true);
    EXPECT_EQ(plot.pageCount, 1);
    EXPECT_EQ(plot.drawingRect, (Rect{0, 0, 8000, -10500}));
    EXPECT_EQ(printer.mapMode(), MapMode::HiEnglish);
}

TEST(Printing, NextListingLineJumpsToTheFifthLineOfTheNextPage) {
    ListingView view;
    view.printing = true;
    view.linesPerPage = 40;
    view.lineHeight = 16;
    view.pageHeight = 800.0f;
    view.listingLine = 38;
    EXPECT_EQ(nextListingLine(view, -700), -716);
    EXPECT_EQ(nextListingLine(view, -716), -64 - 800);  // line 40
    EXPECT_EQ(nextListingLine(view, -864), -880);
    view.listingLine = 79;
    EXPECT_EQ(nextListingLine(view, -1500), -64 - 1600);  // line 80
    view.printing = false;
    view.listingLine = 39;
    EXPECT_EQ(nextListingLine(view, -700), -716);  // no pages on the screen
}

TEST(Printing, PrintedListingBreaksPagesAndStartsFiveLinesDown) {
    Fixture f(ScanType::Regular);
    for (int i = 0; i < 128; ++i) f.data.peakFA[i] = 1.0 / 128;  // 128 peaks, 64 rows
    f.data.reportedFA = 0.9999;
    ListingView view;
    view.showWelcome = false;
    const DeviceCaps caps{.horzRes = 1000, .vertRes = 800, .logPixelsX = 100, .logPixelsY = 100};
    RecordingCanvas printer(caps, true);
    onBeginPrinting(view, printer, f.data, *f.ws, false);
    ASSERT_EQ(view.linesPerPage, 40);
    onPrepareDC(printer, 2);
    EXPECT_EQ(printer.viewportOrg(), (Point{0, -800}));
    onDraw(view, printer, f.data, *f.ws, {0, 0, 1000, 800});
    EXPECT_TRUE(view.printing);
    EXPECT_FALSE(view.scrollSizesChanged);  // only the screen sets scroll sizes
    // First line five lines down: -5 x 16. The table starts at listing line 4 (y = -144); the row
    // drawn at line 39 is [A+35], after which line 40 jumps to -4 x 16 - 800.
    EXPECT_EQ(printer.texts().front().at.y, -80);
    EXPECT_EQ(findPrefix(printer, "A+35 ")->at.y, -144 - 35 * 16);
    EXPECT_EQ(findPrefix(printer, "A+36 ")->at.y, -864);
    EXPECT_EQ(findPrefix(printer, "A+37 ")->at.y, -880);
    EXPECT_EQ(f.data.listingLineCount, 4 + 64 + 1);
    EXPECT_EQ(findPrefix(printer, "A+0 ")->font.height, 16);
    EXPECT_EQ(findPrefix(printer, "A+0 ")->font.weight, 400);
}

TEST(Welcome, CentredLinesFollowTheClientHeight) {
    struct Case {
        Rect client;
        int top1, height1, top2, height2;
    };
    const Case cases[] = {
        {{0, 0, 800, 600}, 260, 37, 300, 25},    // 300 - 40; 600 / 16; 260 + 40; 600 / 24
        {{0, 0, 1200, 960}, 416, 60, 480, 40},  // 480 - 64
    };
    for (const Case& k : cases) {
        ListingView view;
        RecordingCanvas canvas;
        DataSet data;
        auto ws = std::make_unique<CalcWorkspace>();
        onDraw(view, canvas, data, *ws, k.client);
        ASSERT_EQ(canvas.texts().size(), 2u);
        const RecordedText& one = canvas.texts()[0];
        const RecordedText& two = canvas.texts()[1];
        EXPECT_EQ(one.text, "Welcome to the Marvolen");
        EXPECT_EQ(two.text, "To start, click on the 'Calculations' Menu Item");
        EXPECT_EQ(one.at.y, k.top1);
        EXPECT_EQ(two.at.y, k.top2);
        EXPECT_EQ(one.font.height, k.height1);
        EXPECT_EQ(two.font.height, k.height2);
        for (const RecordedText* t : {&one, &two}) {
            EXPECT_EQ(t->mapMode, MapMode::Text);
            EXPECT_EQ(t->font.faceName, "Arial");
            EXPECT_EQ(t->font.weight, 400);
            EXPECT_EQ(t->font.pitchAndFamily, 0x22);
            EXPECT_EQ(t->font.outPrecision, 4);
            EXPECT_LE(std::abs(t->box.left + t->box.right - k.client.right), 1) << t->text;  // centred
        }
        EXPECT_EQ(canvas.font(), systemFont());
        EXPECT_FALSE(view.scrollSizesChanged);
    }
}

TEST(Welcome, ReadyDocumentDrawsNothingAndPlotModeCallsThePlot) {
    Fixture f(ScanType::Regular);
    f.data.peakFA[0] = 1.0;
    f.data.readyForCalculation = true;
    Paint blank;
    blank.draw(f.data, *f.ws);
    EXPECT_TRUE(blank.canvas.texts().empty());

    f.data.readyForCalculation = false;
    f.ws->plotMode = true;
    Paint plot;
    int calls = 0;
    int plotLineHeight = 0;
    plot.view.drawPlot = [&](ListingView& v, Canvas&, DataSet&, CalcWorkspace&, int firstY) {
        ++calls;
        plotLineHeight = v.lineHeight;  // the screen metrics are ready for the plot
        EXPECT_EQ(firstY, 0);
    };
    plot.draw(f.data, *f.ws);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(plotLineHeight, 22);
    EXPECT_TRUE(plot.canvas.texts().empty());
}

}  // namespace
}  // namespace mv
