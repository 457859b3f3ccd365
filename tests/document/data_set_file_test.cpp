// The text files of a data set, compared byte for byte with texts formatted by hand. The FAs are
// powers of two so that every printed digit is exact.
#include "document/data_set_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mv {
namespace {

int countOf(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

// Peak lines start with "A+", the index and a comma.
int peakLines(const std::string& text) {
    int n = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t digits = line.find_first_not_of("0123456789", 2);
        if (line.rfind("A+", 0) == 0 && digits != std::string::npos && digits > 2 && line[digits] == ',') ++n;
        start = end + 2;
    }
    return n;
}

DataSet regularSet() {
    DataSet ds;
    ds.scanType = 0;
    ds.ionFormula = "C6H12O6";
    ds.ionMassA0 = 100.0;
    ds.ionCharge = 1;
    ds.reportedFA = 0.9;
    ds.peakFA[0] = 0.5;
    ds.peakFA[1] = 0.25;
    ds.peakFA[2] = 0.125;
    ds.peakFA[3] = 0.0625;
    return ds;
}

TEST(DataSetFile, RegularLayout) {
    // The sum reaches 0.9 only with the fourth line; slot 4 is then below the limit.
    EXPECT_EQ(renderDataSetFile(regularSet()),
              "Data for a simple mass spectrum\r\n"
              "Ion Formula: C6H12O6\r\n"
              "Mass of A+0: 100.0000; Ion charge: 1\r\n\r\n"
              "Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 5.000000E-001, 100.000\r\n"
              "A+1, 101.00, 2.500000E-001, 50.000\r\n"
              "A+2, 102.00, 1.250000E-001, 25.000\r\n"
              "A+3, 103.00, 6.250000E-002, 12.500\r\n"
              "Total fractional abundance: 0.93750\r\n");
}

TEST(DataSetFile, RegularDoublyChargedIonShowsSignedChargeAndHalvedMz) {
    DataSet ds = regularSet();
    ds.ionCharge = -2;
    EXPECT_EQ(renderDataSetFile(ds),
              "Data for a simple mass spectrum\r\n"
              "Ion Formula: C6H12O6\r\n"
              "Mass of A+0: 100.0000; Ion charge: -2\r\n\r\n"
              "Ion, m/z, FA, Rel Int\r\n"
              "A+0, 50.00, 5.000000E-001, 100.000\r\n"
              "A+1, 50.50, 2.500000E-001, 50.000\r\n"
              "A+2, 51.00, 1.250000E-001, 25.000\r\n"
              "A+3, 51.50, 6.250000E-002, 12.500\r\n"
              "Total fractional abundance: 0.93750\r\n");
}

TEST(DataSetFile, ListingRuleEdges) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> slots;
        double threshold;
        int lines;
        const char* total;
        const char* lastLine;
    };
    const Case cases[] = {
        {"a next FA of exactly 0.000002 does not stop", {{0, 0.5}, {1, 0.5}, {2, 0.000002}}, 0.9, 3,
         "Total fractional abundance: 1.00000\r\n", "A+2, 102.00, 2.000000E-006, 0.000\r\n"},
        {"a next FA just below 0.000002 stops", {{0, 0.5}, {1, 0.5}, {2, 0.0000019}}, 0.9, 2,
         "Total fractional abundance: 1.00000\r\n", "A+1, 101.00, 5.000000E-001, 100.000\r\n"},
        {"a small next FA does not stop before the threshold", {{0, 0.5}, {1, 0.000001}, {2, 0.25}}, 0.7, 3,
         "Total fractional abundance: 0.75000\r\n", "A+2, 102.00, 2.500000E-001, 50.000\r\n"},
        {"a threshold never reached lists all 640 slots", {{0, 0.5}, {639, 0.25}}, 0.9, 640,
         "Total fractional abundance: 0.75000\r\n", "A+639, 739.00, 2.500000E-001, 50.000\r\n"},
        {"an all-zero table lists all slots with relative intensity 0.000", {}, 0.9, 640,
         "Total fractional abundance: 0.00000\r\n", "A+639, 739.00, 0.000000E+000, 0.000\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSet ds = regularSet();
        std::fill(std::begin(ds.peakFA), std::end(ds.peakFA), 0.0);
        for (auto [slot, fa] : c.slots) ds.peakFA[slot] = fa;
        ds.reportedFA = c.threshold;
        const std::string text = renderDataSetFile(ds);
        EXPECT_EQ(peakLines(text), c.lines);
        const std::string tail = std::string(c.lastLine) + c.total;
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

// Both tandem tables hold 0.5, 0.000001, 0.25: a threshold of 0.4 ends a table after one line,
// 0.7 after three, which shows which threshold each table uses.
DataSet tandemSet(int scanType) {
    DataSet ds;
    ds.scanType = scanType;
    ds.ionFormula = "C2H5O";
    ds.product1Formula = "CH3";
    ds.ionMassA0 = 45.0;
    ds.product1MassA0 = 15.0;
    ds.reportedFA = 0.4;
    ds.reportedFA2 = 0.7;
    for (int base : {0, 320}) {
        ds.peakFA[base] = 0.5;
        ds.peakFA[base + 1] = 0.000001;
        ds.peakFA[base + 2] = 0.25;
    }
    return ds;
}

TEST(DataSetFile, PrecursorLayout) {
    DataSet ds = tandemSet(1);
    ds.ionCharge = 1;
    ds.product1Charge = -1;
    EXPECT_EQ(renderDataSetFile(ds),
              "Data for precursor ion MS/MS spectra\r\n"
              "Precursor Ion Formula: C2H5O; Product Ion Formula: CH3\r\n"
              "A+0 Precursor Ion Mass: 45.0000; A+0 Product Ion Mass: 15.0000\r\n"
              "Precursor Ion Charge: 1; Product Ion Charge: -1\r\n\r\n"
              "Isotope cluster peaks within a spectrum of a single product ion.\r\n"
              "The m/z values are those specifically in the spectrum of the A+0 product ion.\r\n"
              "P Ion, m/z, FA, Rel Int\r\n"
              "A+0, 45.00, 5.000000E-001, 100.000\r\n"
              "Total fractional abundance: 0.50000\r\n"
              "\r\nRelative intensities among spectra of different [A+i] product ions.\r\n"
              "The m/z values are those of the product ion selected for the spectrum.\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 15.00, 5.000000E-001, 100.000\r\n"
              "A+1, 16.00, 1.000000E-006, 0.000\r\n"
              "A+2, 17.00, 2.500000E-001, 50.000\r\n"
              "Total fractional abundance: 0.75000\r\n");
}

TEST(DataSetFile, NeutralLossLayout) {
    DataSet ds = tandemSet(2);
    ds.ionCharge = -2;
    EXPECT_EQ(renderDataSetFile(ds),
              "Data for neutral loss MS/MS spectra\r\n"
              "Precursor Ion Formula: C2H5O; Product Ion Formula: CH3\r\n"
              "A+0 Precursor Ion Mass: 45.0000; 'A+0' Neutral Fragment Mass: 30.0000\r\n"
              "Precursor and Product Ion Charge: -2\r\n\r\n"
              "Isotope cluster peaks within a spectrum of a single neutral loss.\r\n"
              "The m/z values are those specifically in the spectrum of the lightest neutral loss.\r\n"
              "P Ion, m/z, FA, Rel Int\r\n"
              "A+0, 22.50, 5.000000E-001, 100.000\r\n"
              "A+1, 23.00, 1.000000E-006, 0.000\r\n"
              "A+2, 23.50, 2.500000E-001, 50.000\r\n"
              "Total fractional abundance: 0.75000\r\n"
              "\r\nRelative intensities among spectra of different [A+i] neutral fragments.\r\n"
              "The 'm/z' values are those of the neutral loss selected for the spectrum.\r\n"
              "N Frg, 'm/z', FA, Rel Int\r\n"
              "A+0, 15.00, 5.000000E-001, 100.000\r\n"
              "Total fractional abundance: 0.50000\r\n");
}

TEST(DataSetFile, TandemTablesStopAt320LinesEach) {
    for (int scanType : {1, 2}) {
        SCOPED_TRACE(scanType);
        DataSet ds = tandemSet(scanType);
        ds.ionCharge = 1;
        ds.product1Charge = 1;
        std::fill(std::begin(ds.peakFA), std::end(ds.peakFA), 0.0);
        ds.peakFA[319] = 0.25;  // the first table's last slot, never the second table's
        const std::string text = renderDataSetFile(ds);
        EXPECT_EQ(peakLines(text), 640);
        EXPECT_EQ(countOf(text, "\r\nA+319, "), 2);
        EXPECT_EQ(countOf(text, "A+320, "), 0);
        EXPECT_EQ(countOf(text, "Total fractional abundance: 0.25000\r\n"), 1);
        EXPECT_EQ(countOf(text, "Total fractional abundance: 0.00000\r\n"), 1);
        EXPECT_EQ(countOf(text, ", 0.000000E+000, 0.000\r\n"), 639);
    }
}

DataSet productSet() {
    DataSet ds;
    ds.scanType = 3;
    ds.ionFormula = "C10H20";
    ds.product1Formula = "C5H10";
    ds.ionMassA0 = 200.0;
    ds.ionCharge = 1;
    ds.product1MassA0 = 100.0;
    ds.product1Charge = 1;
    ds.maxPrecursorPeak = 3;
    ds.reportedFA = 2.0;
    // Spectrum k occupies slots k(k+1)/2 .. k(k+1)/2 + k; spectrum 2 (slots 3..5) is all zero.
    const double fa[] = {0.5, 0.125, 0.0625, 0, 0, 0, 0.03125, 0.0625, 0.015625, 0.0078125, 0.5};
    std::copy(std::begin(fa), std::end(fa), ds.peakFA);
    return ds;
}

TEST(DataSetFile, ProductLayoutWithFourSpectra) {
    EXPECT_EQ(renderDataSetFile(productSet()),
              "Data for product ion mass spectra\r\n"
              "Precursor Ion Formula: C10H20; Mass of [A+0]: 200.0000; Charge: 1\r\n"
              "Product Ion Formula: C5H10; Mass of [A+0]: 100.0000; Charge: 1\r\n"
              "\r\nFor the Product Ion(s) of m/z 200.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 5.000000E-001, 100.000\r\n"
              "Sum of the fractional abundances in this spectrum is 5.000000E-001.\r\n"
              "\r\nFor the Product Ion(s) of m/z 201.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 1.250000E-001, 100.000\r\n"
              "A+1, 101.00, 6.250000E-002, 50.000\r\n"
              "Sum of the fractional abundances in this spectrum is 1.875000E-001.\r\n"
              "\r\nFor the Product Ion(s) of m/z 202.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 0.000000E+000, 0.000\r\n"
              "A+1, 101.00, 0.000000E+000, 0.000\r\n"
              "A+2, 102.00, 0.000000E+000, 0.000\r\n"
              "Sum of the fractional abundances in this spectrum is 0.000000E+000.\r\n"
              "\r\nFor the Product Ion(s) of m/z 203.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 3.125000E-002, 50.000\r\n"
              "A+1, 101.00, 6.250000E-002, 100.000\r\n"
              "A+2, 102.00, 1.562500E-002, 25.000\r\n"
              "A+3, 103.00, 7.812500E-003, 12.500\r\n"
              "Sum of the fractional abundances in this spectrum is 1.171875E-001.\r\n"
              "The total fractional abundance for this calculation is 0.804688\r\n");
}

TEST(DataSetFile, ProductStopsOnceTheGrandTotalExceedsTheThreshold) {
    struct Case {
        double threshold;
        int spectra;
        const char* total;
    };
    // Running grand totals after each spectrum: 0.5, 0.6875, 0.6875, 0.8046875.
    const Case cases[] = {
        {0.4, 1, "0.500000"},
        {0.5, 2, "0.687500"},  // a total equal to the threshold goes on
        {0.6, 2, "0.687500"},
        {0.6875, 4, "0.804688"},
        {2.0, 4, "0.804688"},  // maxPrecursorPeak 3 ends it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.threshold);
        DataSet ds = productSet();
        ds.reportedFA = c.threshold;
        const std::string text = renderDataSetFile(ds);
        EXPECT_EQ(countOf(text, "For the Product Ion(s)"), c.spectra);
        EXPECT_EQ(countOf(text, std::string("The total fractional abundance for this calculation is ") + c.total + "\r\n"),
                  1);
    }
}

DataSet msnSet() {
    DataSet ds;
    ds.scanType = 4;
    ds.ionFormula = "C20H40";
    ds.product1Formula = "C15H30";
    ds.product2Formula = "C10H20";
    ds.product3Formula = "C5H10";
    ds.ionMassA0 = 300.0;
    ds.product1MassA0 = 200.0;
    ds.product2MassA0 = 100.0;
    ds.product3MassA0 = 50.0;
    ds.ionCharge = 1;
    ds.product1Charge = 1;
    ds.product2Charge = -1;
    ds.product3Charge = 1;
    return ds;
}

TEST(DataSetFile, MSnTwoStepsHasOneTable) {
    DataSet ds = msnSet();
    ds.msSteps = 2;
    ds.ionCharge = 2;
    ds.product1MassA0 = 150.0;
    ds.precursorPeakIndex = 2;
    ds.product1PeakIndex = 1;
    const double fa[] = {0.25, 0.5, 0.125, 0.0625};  // slot 3 belongs to no table of two steps
    std::copy(std::begin(fa), std::end(fa), ds.peakFA);
    EXPECT_EQ(renderDataSetFile(ds),
              "Data for MSn product ion mass spectra\r\n"
              "\r\nData for the precursor ion:\r\n"
              "Formula: C20H40; [A+0] Mass: 300.0000; Charge: 2\r\n"
              "Data for the first generation product ion:\r\n"
              "Formula: C15H30; [A+0] Mass: 150.0000; Charge: 1\r\n"
              "\r\nFirst generation product ion(s) of [P+2]; m/z 151.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 150.00, 2.500000E-001, 50.000\r\n"
              "A+1, 151.00, 5.000000E-001, 100.000\r\n"
              "A+2, 152.00, 1.250000E-001, 25.000\r\n"
              "Total fractional abundance in this spectrum: 8.75000E-001\r\n");
}

TEST(DataSetFile, MSnFourStepsHasThreeTables) {
    DataSet ds = msnSet();
    ds.msSteps = 4;
    ds.precursorPeakIndex = 1;
    ds.product1PeakIndex = 2;
    ds.product2PeakIndex = 1;
    // Blocks: slots 0..1, 2..4 (all zero), 5..6.
    const double fa[] = {0.5, 0.25, 0, 0, 0, 0.125, 0.375, 0.0625};
    std::copy(std::begin(fa), std::end(fa), ds.peakFA);
    EXPECT_EQ(renderDataSetFile(ds),
              "Data for MSn product ion mass spectra\r\n"
              "\r\nData for the precursor ion:\r\n"
              "Formula: C20H40; [A+0] Mass: 300.0000; Charge: 1\r\n"
              "Data for the first generation product ion:\r\n"
              "Formula: C15H30; [A+0] Mass: 200.0000; Charge: 1\r\n"
              "Data for the second generation product ion:\r\n"
              "Formula: C10H20; [A+0] Mass: 100.0000; Charge: -1\r\n"
              "Data for the third generation product ion:\r\n"
              "Formula: C5H10; [A+0] Mass: 50.0000; Charge: 1\r\n"
              "\r\nFirst generation product ion(s) of [P+1]; m/z 301.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 200.00, 5.000000E-001, 100.000\r\n"
              "A+1, 201.00, 2.500000E-001, 50.000\r\n"
              "Total fractional abundance in this spectrum: 7.50000E-001\r\n"
              "\r\nSecond generation product ion(s) of [1G+2]; m/z 202.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 100.00, 0.000000E+000, 0.000\r\n"
              "A+1, 101.00, 0.000000E+000, 0.000\r\n"
              "A+2, 102.00, 0.000000E+000, 0.000\r\n"
              "Total fractional abundance in this spectrum: 0.00000E+000\r\n"
              "\r\nThird generation product ion(s) of [2G+1]; m/z 101.00\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 50.00, 1.250000E-001, 33.333\r\n"
              "A+1, 51.00, 3.750000E-001, 100.000\r\n"
              "Total fractional abundance in this spectrum: 5.00000E-001\r\n");
}

// Listed peaks [A+2]..[A+4] with a row stride of 3; [A+3] has no components.
struct ComponentTables {
    char formulas[9][kComponentFormulaChars] = {"(12C)6(1H)12(16O)6", "", "", "", "", "", "A", "B", ""};
    double masses[9] = {102.25, 0, 0, 0, 0, 0, 104.5, 104.75, 0};
    double fas[9] = {0.125, 0, 0, 0, 0, 0, 0.0625, 0.03125, 0};
    double totals[3] = {0.125, 0, 0.09375};
    double maxima[3] = {0.125, 0, 0.0625};
    int32_t counts[3] = {1, 0, 2};

    void attach(DataSet& ds) const {
        ds.listComponentsOption = true;
        ds.compFormulas = formulas;
        ds.compMasses = masses;
        ds.compFAs = fas;
        ds.peakCompTotalFA = totals;
        ds.peakCompMaxFA = maxima;
        ds.peakCompCount = counts;
        ds.firstListedPeak = 2;
        ds.lastListedPeak = 4;
        ds.maxIonsPerPeak = 3;
    }
};

TEST(DataSetFile, ComponentSectionSkipsEmptyPeaksAndUsesAbsoluteIndices) {
    const ComponentTables tables;
    DataSet ds = regularSet();
    tables.attach(ds);
    EXPECT_EQ(renderDataSetFile(ds),
              renderDataSetFile(regularSet()) +
                  "\r\nIndividual peak components:\r\n"
                  "\r\nIon Formula, Mass, FA, Rel. Int."
                  "\r\n[A+2] Peak\r\n"
                  "(12C)6(1H)12(16O)6, 102.2500, 1.25000E-001, 100.000\r\n"
                  "Total FA for the components in the peak listed above: 1.25000E-001\r\n"
                  "\r\n[A+4] Peak\r\n"
                  "A, 104.5000, 6.25000E-002, 100.000\r\n"
                  "B, 104.7500, 3.12500E-002, 50.000\r\n"
                  "Total FA for the components in the peak listed above: 9.37500E-002\r\n");
}

TEST(DataSetFile, ComponentSectionHeadingByScanType) {
    const int32_t noComponents[3] = {0, 0, 0};
    const ComponentTables tables;
    struct Case {
        DataSet ds;
        const char* ending;
    };
    Case cases[] = {
        {tandemSet(2), "\r\nIndividual components for peaks within a spectrum:\r\n\r\nIon Formula, Mass, FA, Rel. Int."},
        {msnSet(), "\r\nIndividual peak components for product ions of the [P+1] precursor ion:\r\n"
                   "\r\nIon Formula, Mass, FA, Rel. Int."},
        // Precursor and Product scans never list components.
        {tandemSet(1), "Total fractional abundance: 0.75000\r\n"},
        {productSet(), "The total fractional abundance for this calculation is 0.804688\r\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.ds.scanType);
        c.ds.ionCharge = c.ds.product1Charge = 1;
        c.ds.msSteps = 2;
        c.ds.precursorPeakIndex = 1;
        tables.attach(c.ds);
        c.ds.peakCompCount = noComponents;
        const std::string text = renderDataSetFile(c.ds);
        const std::string ending = c.ending;
        ASSERT_GE(text.size(), ending.size());
        EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    }
}

TEST(DataSetFile, FormulasLongerThanTheOldLineBuffersAreWrittenInFull) {
    const std::string formula = "C6H12O6" + std::string(500, 'H');
    DataSet ds = regularSet();
    ds.ionFormula = formula;
    EXPECT_EQ(countOf(renderDataSetFile(ds), "\r\nIon Formula: " + formula + "\r\n"), 1);
    ds.scanType = 4;
    ds.spectrumMode = true;
    EXPECT_EQ(countOf(renderSaveFile(ds), "\r\nFormula: " + formula + "; [A+0] Mass: 100.0000; Charge: 1\r\n"), 1);
}

// Two segments of a profile: points 0..2 from m/z 180 and points 3..4 from m/z 181.5.
struct Profile {
    int32_t starts[kPlotSegmentSlots];
    double startMz[kPlotSegmentSlots];
    double intensities[5] = {1, 2, 4, 0.5, 4};

    Profile() {
        std::fill(std::begin(starts), std::end(starts), -1);
        std::fill(std::begin(startMz), std::end(startMz), -1.0);
        starts[0] = 0;
        startMz[0] = 180.0;
        starts[1] = 3;
        startMz[1] = 181.5;
    }
    void attach(DataSet& ds) const {
        ds.spectrumMode = true;
        ds.plotSegmentStarts = starts;
        ds.plotSegmentStartMz = startMz;
        ds.plotIntensities = intensities;
        ds.plotPointCount = 5;
        ds.plotMaxIntensity = 4;
        ds.plotStep = 0.25;
        ds.plotResolution = 1000.0;
    }
};

const char kProfileLines[] =
    "Resolution (halfwidth definition): 1000.00\r\n"
    "\r\nm/z, Rel. Int.\r\n"
    "180.0000,  25.000\r\n"
    "180.2500,  50.000\r\n"
    "180.5000,  100.000\r\n"
    "181.5000,  12.500\r\n"
    "181.7500,  100.000\r\n";

TEST(SpectrumFile, HeadingByScanTypeThenSegmentedPoints) {
    const Profile profile;
    struct Case {
        DataSet ds;
        const char* heading;
    };
    DataSet regular = regularSet();
    regular.ionMassA0 = 180.0634;
    DataSet msn = msnSet();
    msn.precursorPeakIndex = 2;
    Case cases[] = {
        {regular,
         "Isotope Cluster Mass Spectrum\r\n"
         "Ion Formula: C6H12O6; [A+0] Mass: 180.0634; Charge: 1\r\n"},
        {tandemSet(2),
         "Isotope Cluster Neutral Loss Tandem Mass Spectrum\r\n"
         "Precursor ion data:\r\n"
         "Formula: C2H5O; [A+0] Mass: 45.0000; Charge: -2\r\n"
         "Product ion data:\r\n"
         "Formula: CH3; [A+0] Mass: 15.0000; Charge: -2\r\n"
         "Mass of the '[A+0]' neutral fragment: 30.0000\r\n"
         "The m/z values are for the product ion, not the precursor ion.\r\n"},
        {msn,
         "Isotope Cluster Product Ion Tandem Mass Spectrum\r\n"
         "Precursor ion data:\r\n"
         "Formula: C20H40; [A+0] Mass: 300.0000; Charge: 1\r\n"
         "Product ion data:\r\n"
         "Formula: C15H30; [A+0] Mass: 200.0000; Charge: 1\r\n"
         "[A+2] precursor ion selected for CID.\r\n"},
    };
    cases[1].ds.ionCharge = cases[1].ds.product1Charge = -2;
    for (Case& c : cases) {
        SCOPED_TRACE(c.ds.scanType);
        profile.attach(c.ds);
        EXPECT_EQ(renderSpectrumFile(c.ds), std::string(c.heading) + kProfileLines);
        EXPECT_EQ(renderSaveFile(c.ds), renderSpectrumFile(c.ds));
    }
}

// --- Writing ---

class TextFileWrite : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mv_docfile_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir_;
};

TEST_F(TextFileWrite, WritesTheBytesAsTheyStandAndTruncates) {
    const std::string path = dir_ + "/MVSet1.txt";
    ASSERT_FALSE(writeTextFile(path, std::string(5000, 'x')));
    const std::string bytes = "line one\r\nline two\r\n";
    EXPECT_FALSE(writeTextFile(path, bytes));
    EXPECT_EQ(contents(path), bytes);
}

TEST_F(TextFileWrite, FailuresNameTheFile) {
    struct Case {
        std::string path;
        std::string message;
    };
    std::vector<Case> cases = {
        {dir_, "Access to " + dir_ + " was denied."},
        {dir_ + "/missing/MVSet1.txt", "Could not write " + dir_ + "/missing/MVSet1.txt: No such file or directory."},
    };
    if (std::ifstream("/dev/full")) cases.push_back({"/dev/full", "Disk full while accessing /dev/full."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto failure = writeTextFile(c.path, "Data for a simple mass spectrum\r\n");
        ASSERT_TRUE(failure);
        EXPECT_EQ(*failure, c.message);
    }
}

}  // namespace
}  // namespace mv
