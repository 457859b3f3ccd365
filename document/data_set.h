#pragma once

#include <cstdint>
#include <string>

namespace mv {

// Slot capacities shared with the calculation workspace.
constexpr int kPeakSlots = 640;          // peak FA slots of every scan
constexpr int kTandemTableSlots = 320;   // each of the two tables of a Precursor or Neutral Loss scan
constexpr int kPlotSegmentSlots = 200;   // entries of plotSegmentStarts / plotSegmentStartMz
constexpr int kComponentFormulaChars = 128;

// The results of the last finished calculation and everything needed to list, plot, print or
// write them, plus the save state of the document that holds it.
//
// The component tables and the plot profile are not copied: the pointers refer to the arrays of
// the workspace (or, in tests, to arrays of the test). They stay valid while the data set is held,
// because the component store is rebuilt only by a new calculation, which needs File New first,
// and the profile only by a new plot, which replaces the pointers at the same moment.
struct DataSet {
    double peakFA[kPeakSlots] = {};  // layout by scanType, see data_set_file.h
    int32_t ionCharge = 0;           // signed
    int32_t product1Charge = 0;
    int32_t product2Charge = 0;
    int32_t product3Charge = 0;
    int32_t scanType = 0;            // ScanType value
    int32_t maxPrecursorPeak = 0;    // Product: heaviest precursor peak evaluated
    int32_t precursorPeakIndex = 0;  // MSn: [P+i] selected for CID
    int32_t product1PeakIndex = 0;   // MSn: [1G+i] selected for CID
    int32_t product2PeakIndex = 0;   // MSn: [2G+i] selected for CID
    int32_t msSteps = 0;             // MSn: number of MS steps
    std::string ionFormula;          // formulas exactly as typed
    std::string product1Formula;
    std::string product2Formula;
    std::string product3Formula;
    double ionMassA0 = 0;            // [A+0] masses, not divided by the charge
    double product1MassA0 = 0;
    double product2MassA0 = 0;
    double product3MassA0 = 0;
    double reportedFA = 0;           // listing threshold of the ion (Regular, Product) or neutral fragment
    double reportedFA2 = 0;          // listing threshold of the product ion (Precursor, Neutral Loss)
    bool readyForCalculation = true; // no data set is held and a calculation may start
    int32_t listingLineCount = 1;    // line count of the last listing paint, for printing
    std::string name;                // "MVSet%d"
    std::string fileNameBuffer;      // default file name last offered by the save prompts
    bool saveReminder = true;
    bool listComponentsOption = false;
    std::string pathName;            // path last chosen in a save prompt
    std::string fileFilter = "Marvolen Files (*.txt)|*.txt|All Files (*.*)|*.*||";

    // Component tables: component c of listed peak p is entry p * maxIonsPerPeak + c.
    const char (*compFormulas)[kComponentFormulaChars] = nullptr;
    const double* compMasses = nullptr;
    const double* compFAs = nullptr;
    const double* peakCompTotalFA = nullptr;  // per listed peak
    const double* peakCompMaxFA = nullptr;    // per listed peak
    int32_t firstListedPeak = 0;              // peak index of listed peak 0
    int32_t lastListedPeak = 0;               // last peak index examined
    const int32_t* peakCompCount = nullptr;   // per listed peak
    int32_t maxIonsPerPeak = 0;               // row stride of the component arrays

    // Plot profile. plotSegmentStarts and plotSegmentStartMz have kPlotSegmentSlots entries; unused
    // segment entries hold -1.
    const int32_t* plotSegmentStarts = nullptr;
    const double* plotIntensities = nullptr;
    const double* plotSegmentStartMz = nullptr;
    int32_t plotPointCount = 0;
    bool spectrumMode = false;       // a save writes the plotted spectrum (true) or the data set
    double plotMaxIntensity = 0;
    double plotStep = 0;             // m/z step between consecutive points of a segment

    bool dataSetSaved = true;        // written since the calculation
    bool spectrumSaved = true;       // the present plot has been written
    int32_t spectrumNumber = 1;
    std::string spectrumName = "Spectrum1";
    double plotResolution = 1000.0;
    int32_t saveCount = 0;           // files written since File New
    bool spectrumNumberTaken = false;  // the present plot's number has been used
};

}  // namespace mv
