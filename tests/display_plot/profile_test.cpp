#include "display/profile.h"

#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace mv {
namespace {

// A held Regular data set whose listed components are given per peak as (m/z, FA) pairs, charge 1.
struct ListedFixture {
    std::vector<double> masses;
    std::vector<double> fas;
    std::vector<double> totals;
    std::vector<int32_t> counts;
    DataSet data;

    ListedFixture(const std::vector<std::vector<std::pair<double, double>>>& peaks, double massA0,
                  int32_t charge = 1) {
        int stride = 1;
        for (const auto& p : peaks) stride = std::max(stride, static_cast<int>(p.size()));
        masses.assign(peaks.size() * static_cast<size_t>(stride), 0);
        fas.assign(masses.size(), 0);
        for (size_t p = 0; p < peaks.size(); ++p) {
            double total = 0;
            for (size_t c = 0; c < peaks[p].size(); ++c) {
                masses[p * static_cast<size_t>(stride) + c] = peaks[p][c].first * std::abs(charge);
                fas[p * static_cast<size_t>(stride) + c] = peaks[p][c].second;
                total += peaks[p][c].second;
            }
            totals.push_back(total);
            counts.push_back(static_cast<int32_t>(peaks[p].size()));
        }
        data.readyForCalculation = false;
        data.listComponentsOption = true;
        data.scanType = 0;
        data.ionCharge = charge;
        data.ionMassA0 = massA0;
        data.firstListedPeak = 0;
        data.lastListedPeak = static_cast<int32_t>(peaks.size()) - 1;
        data.maxIonsPerPeak = stride;
        data.compMasses = masses.data();
        data.compFAs = fas.data();
        data.peakCompTotalFA = totals.data();
        data.peakCompCount = counts.data();
    }
};

ResolutionChoice unitMass() { return {true, 1000.0}; }
ResolutionChoice user(double r) { return {false, r}; }

int segmentCount(const PlotProfile& p) {
    int g = 0;
    while (g < kPlotSegmentSlots && p.segmentStarts[g] != -1) ++g;
    return g;
}

TEST(PeakWidth, UnitAndUserResolution) {
    struct Case {
        ResolutionChoice choice;
        double mass;
        int32_t charge;
        double width;
        double resolution;
    };
    const Case cases[] = {
        {unitMass(), 180.0, 1, 0.5, 360.0},     // unit: W 0.5, resolution M / 0.5
        {unitMass(), 1000.0, -2, 0.5, 1000.0},  // unit at charge 2: M / (0.5 x 2)
        {user(10000), 1000.0, 2, 0.05, 10000},  // 1000 / (10000 x 2)
        {user(100), 500.0, 1, 5.0, 100},
    };
    for (const auto& c : cases) {
        const PeakWidth w = peakWidth(c.choice, c.mass, c.charge);
        EXPECT_DOUBLE_EQ(w.width, c.width) << c.mass << " z " << c.charge;
        EXPECT_DOUBLE_EQ(w.resolution, c.resolution) << c.mass << " z " << c.charge;
    }
}

TEST(BuildProfile, OneComponentAtUnitResolution) {
    // W 0.5: step 0.025, half span 0.75, so 61 points from m/z 99.25 to 100.75; the Gaussian falls
    // to half its height W/2 = 0.25 (10 steps) from the centre.
    ListedFixture f({{{100.0, 0.8}}}, 100.0);
    auto p = std::make_unique<PlotProfile>();
    ASSERT_TRUE(buildProfile(f.data, unitMass(), *p));
    EXPECT_DOUBLE_EQ(p->step, 0.025);
    EXPECT_DOUBLE_EQ(p->resolution, 200.0);
    EXPECT_EQ(p->pointCount, 61);
    EXPECT_EQ(segmentCount(*p), 1);
    EXPECT_DOUBLE_EQ(p->segmentStartMz[0], 99.25);
    EXPECT_NEAR(p->intensities[30], 0.8, 1e-12);
    EXPECT_NEAR(p->maxIntensity, 0.8, 1e-12);
    EXPECT_NEAR(p->intensities[20], 0.4, 1e-7);
    EXPECT_NEAR(p->intensities[40], 0.4, 1e-7);
    // At the span's ends: exp(-(0.75)^2 / (0.0625 / ln 2)) = 2^-9.
    EXPECT_NEAR(p->intensities[0], 0.8 / 512, 1e-8);
    EXPECT_NEAR(p->intensities[60], 0.8 / 512, 1e-8);
}

TEST(BuildProfile, ComponentsFarApartMakeTwoSegments) {
    ListedFixture f({{{100.0, 0.6}}, {{110.0, 0.3}}}, 100.0);
    auto p = std::make_unique<PlotProfile>();
    ASSERT_TRUE(buildProfile(f.data, unitMass(), *p));
    ASSERT_EQ(segmentCount(*p), 2);
    EXPECT_EQ(p->segmentStarts[1], 61);
    EXPECT_DOUBLE_EQ(p->segmentStartMz[1], 109.25);
    EXPECT_EQ(p->pointCount, 122);
    EXPECT_NEAR(p->intensities[61 + 30], 0.3, 1e-12);
}

TEST(BuildProfile, OverlappingComponentsSumIntoOneSegment) {
    // 0.5 apart with W 0.5: each point sums both Gaussians; the midpoint gets half of each.
    ListedFixture f({{{100.0, 0.5}, {100.5, 0.5}}}, 100.0);
    auto p = std::make_unique<PlotProfile>();
    ASSERT_TRUE(buildProfile(f.data, unitMass(), *p));
    EXPECT_EQ(segmentCount(*p), 1);
    EXPECT_EQ(p->pointCount, 81);  // 99.25 .. 101.25
    EXPECT_NEAR(p->intensities[40], 0.5 * 0.5 + 0.5 * 0.5, 1e-7);  // m/z 100.25
}

TEST(BuildProfile, WeakPeaksAreLeftOutAtTheEndsButKeptBetween) {
    // Peaks 0, 2 and 4 total under a thousandth of the strongest (1.0). At resolution 100000 and
    // [A+0] 100 the width is 0.001, so every kept component is a segment of its own.
    ListedFixture f({{{100.0, 0.0009}}, {{101.0, 1.0}}, {{102.0, 0.0009}}, {{103.0, 0.5}}, {{104.0, 0.0009}}},
                    100.0);
    auto p = std::make_unique<PlotProfile>();
    ASSERT_TRUE(buildProfile(f.data, user(100000), *p));
    ASSERT_EQ(segmentCount(*p), 3);
    EXPECT_NEAR(p->segmentStartMz[0], 101.0 - 0.0015, 1e-12);
    EXPECT_NEAR(p->segmentStartMz[1], 102.0 - 0.0015, 1e-12);
    EXPECT_NEAR(p->segmentStartMz[2], 103.0 - 0.0015, 1e-12);
    EXPECT_NEAR(p->maxIntensity, 1.0, 1e-12);
}

TEST(BuildProfile, StopsAtThePointAndSegmentLimits) {
    // Components 0.1 apart at unit resolution overlap: one segment that runs into the point limit.
    std::vector<std::pair<double, double>> dense;
    for (int i = 0; i < 1200; ++i) dense.emplace_back(100.0 + 0.2 * i, 0.01);  // 240 m/z, 9600 steps
    ListedFixture packed({dense}, 100.0);
    auto p = std::make_unique<PlotProfile>();
    ASSERT_TRUE(buildProfile(packed.data, unitMass(), *p));
    EXPECT_EQ(p->pointCount, kPlotPointSlots);
    EXPECT_EQ(segmentCount(*p), 1);

    // At resolution 30000 the step (1/6000) exceeds the end tolerance of 0.0001, so separate peaks
    // take 61 points each, so the point limit ends them before the segment
    // limit: 131 whole segments and 9 points of the 132nd.
    std::vector<std::pair<double, double>> sparse;
    for (int i = 0; i < 250; ++i) sparse.emplace_back(100.0 + i, 0.01);
    ListedFixture apart({sparse}, 100.0);
    ASSERT_TRUE(buildProfile(apart.data, user(30000), *p));
    EXPECT_EQ(p->pointCount, kPlotPointSlots);
    EXPECT_EQ(segmentCount(*p), 132);
    EXPECT_EQ(p->segmentStarts[131], 131 * 61);
}

TEST(ResolutionForm, OpensOnUnitMassWithTheEditDisabled) {
    Form form = resolutionForm();
    EXPECT_EQ(form.caption, " Instrument Resolution");
    EXPECT_EQ(form.field(ResolDlg::kResolution).text, "1000");
    EXPECT_TRUE(form.field(ResolDlg::kUnitMass).checked);
    EXPECT_FALSE(form.field(ResolDlg::kResolution).enabled);
    form.setCheck(ResolDlg::kUnitMass, false);
    form.setCheck(ResolDlg::kUserSelected, true);
    form.applyToggles();
    EXPECT_TRUE(form.field(ResolDlg::kResolution).enabled);

    for (const char* refused : {"99.9", "1000001"}) {
        form.setText(ResolDlg::kResolution, refused);
        const auto failure = validateForm(form);
        ASSERT_TRUE(failure) << refused;
        EXPECT_EQ(failure->message, "Please enter a number between 100 and 1000000.") << refused;
    }
    form.setText(ResolDlg::kResolution, "5000");
    ASSERT_FALSE(validateForm(form));
    const ResolutionChoice c = readResolution(form);
    EXPECT_FALSE(c.unitMass);
    EXPECT_DOUBLE_EQ(c.resolution, 5000.0);
}

struct PlotCommand : ::testing::Test {
    ListedFixture f{{{{1000.0, 0.7}}, {{1001.0, 0.2}}}, 1000.0};
    MarvolenDocument doc;
    std::unique_ptr<CalcWorkspace> ws = std::make_unique<CalcWorkspace>();
    std::unique_ptr<PlotProfile> profile = std::make_unique<PlotProfile>();
    test::ScriptedPrompter prompter;

    void SetUp() override {
        doc.dataSet() = f.data;
        doc.dataSet().name = "MVSet1";
        doc.setTitle("MVSet1");
    }
};

TEST_F(PlotCommand, UserResolutionPutsTheDocumentIntoSpectrumMode) {
    prompter.fillForm = [](Form& form) {
        form.setCheck(ResolDlg::kUnitMass, false);
        form.setCheck(ResolDlg::kUserSelected, true);
        form.setText(ResolDlg::kResolution, "10000");
        return true;
    };
    ASSERT_TRUE(plotSpectrum(doc, *ws, prompter, *profile));
    const DataSet& d = doc.dataSet();
    EXPECT_TRUE(ws->plotMode);
    EXPECT_TRUE(d.spectrumMode);
    EXPECT_FALSE(d.spectrumSaved);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.title(), "Spectrum1");
    EXPECT_DOUBLE_EQ(d.plotResolution, 10000.0);
    EXPECT_DOUBLE_EQ(d.plotStep, 0.1 / 20);  // W = 1000 / 10000
    EXPECT_EQ(d.plotIntensities, profile->intensities);
    EXPECT_EQ(d.plotPointCount, profile->pointCount);

    displayData(doc, *ws);
    EXPECT_FALSE(ws->plotMode);
    EXPECT_FALSE(doc.dataSet().spectrumMode);
    EXPECT_EQ(doc.title(), "MVSet1");
}

TEST_F(PlotCommand, CancelOrNothingToPlotChangesNothing) {
    prompter.fillForm = [](Form&) { return false; };
    EXPECT_FALSE(plotSpectrum(doc, *ws, prompter, *profile));
    EXPECT_TRUE(prompter.messages.empty());

    int32_t none[2] = {0, 0};
    doc.dataSet().peakCompCount = none;
    prompter.fillForm = nullptr;
    EXPECT_FALSE(plotSpectrum(doc, *ws, prompter, *profile));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], kNothingToPlot);
    EXPECT_FALSE(ws->plotMode);
    EXPECT_FALSE(doc.dataSet().spectrumMode);
    EXPECT_EQ(doc.dataSet().plotIntensities, nullptr);
    EXPECT_EQ(doc.title(), "MVSet1");
}

}  // namespace
}  // namespace mv
