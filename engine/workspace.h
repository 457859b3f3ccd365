#pragma once

// The one shared state of a calculation: parameters, the engines' working arrays, accumulators and
// results, with fixed capacities so that nothing is allocated per calculation.

#include "engine/fpu.h"
#include "engine/msn_tables.h"
#include "isodata/formula.h"

#include <atomic>
#include <cstdint>

namespace mv {

constexpr int kPeakSlotCount = 640;         // peak slots of all passes together
constexpr int kHalfPeakSlotCount = 320;     // one pass of a Precursor or NeutralLoss scan
constexpr int kMaxPositions = kMaxPolyElements;    // 18
constexpr int kMaxHeavySlots = kMaxHeavyIsotopes;  // 88
constexpr int kMaxIsotopeEntries = kMaxPositions + kMaxHeavySlots;  // 106
constexpr int kLossWeightCount = 1280;
constexpr int kMaxMaxPrecursorPeak = 34;    // the Product triangle of 35 rows fills 630 slots
constexpr int kMaxListedRows = 166;
constexpr int kMaxComponentEntries = 2000;
constexpr int kComponentTextSize = 128;     // 127 characters and the terminating zero

static_assert(kMsnListedRows == kMaxListedRows && kMsnComponentEntries == kMaxComponentEntries &&
              kMsnComponentTextSize == kComponentTextSize, "MSn component lists mirror the final lists");
static_assert((kMaxMaxPrecursorPeak + 1) * (kMaxMaxPrecursorPeak + 2) / 2 <= kPeakSlotCount);

struct CalcWorkspace {
    // --- Run control and parameters ---
    int32_t scanType = 0;                  // ScanType as its number
    int32_t peakSlotCount = kPeakSlotCount;
    double stopFA = 0.9999;
    double reportedFA = 0.9999;
    double reportedFA2 = 0.9999;
    int32_t maxPrecursorPeak = 3;
    bool listComponentsOption = false;
    bool listComponents = false;
    bool cancelFlag = false;               // the cancel request as the engine last saw it
    // The progress dialog's cancel byte: written by the user-interface thread, polled by the engine.
    std::atomic<bool> cancelRequest{false};
    int32_t progressPhase = 0;

    // MSn parameters (their engine builds on these).
    int32_t msSteps = 2;
    int32_t precursorPeakIndex = 1;
    int32_t product1PeakIndex = 1;
    int32_t product2PeakIndex = 1;

    // --- Formula roles ---
    IonDefinition ion;
    IonDefinition product;
    IonDefinition loss;
    IonDefinition product2;
    IonDefinition loss2;
    IonDefinition product3;
    IonDefinition loss3;
    int32_t lastPolyAtomTotal = 0;

    // --- Results ---
    Extended peakFA[kPeakSlotCount] = {};
    double clusterFAIon = 0;
    double clusterFALoss = 0;
    double clusterFAProduct = 0;
    int32_t beyondSlotsCount = 0;
    int32_t levelsDone = 0;
    int32_t relIntWarning = 0;
    bool plotMode = false;

    // --- Engine working arrays ---
    int32_t posElem[kMaxPositions] = {};
    int32_t posAtoms[kMaxPositions] = {};
    int32_t posAtoms2[kMaxPositions] = {};
    int32_t posHeavyCount[kMaxPositions] = {};
    int32_t posProduct1Atoms[kMaxPositions] = {};
    int32_t posLoss2Atoms[kMaxPositions] = {};
    int32_t posProduct2Atoms[kMaxPositions] = {};
    int32_t posLoss3Atoms[kMaxPositions] = {};
    int32_t posProduct3Atoms[kMaxPositions] = {};
    int32_t heavyDelta[kMaxHeavySlots] = {};
    double isoAbund[kMaxIsotopeEntries] = {};
    double isoMass[kMaxIsotopeEntries] = {};

    // --- Enumeration state ---
    int32_t heavyCount[kMaxHeavySlots] = {};
    int32_t prevHeavyCount[kMaxHeavySlots] = {};
    int32_t lightCount[kMaxPositions] = {};
    int32_t prevLightCount[kMaxPositions] = {};
    int32_t lossHeavyCount[kMaxHeavySlots] = {};
    int32_t lossLevelStart[kMaxHeavySlots] = {};
    int32_t speciesShift = 0;
    int32_t lossShift = 0;

    // --- Extended accumulators ---
    Extended speciesFA = 0;
    Extended totalFA = 0;
    // totalFA rounded to double for the progress display on the user-interface thread.
    std::atomic<double> publishedTotalFA{0.0};
    Extended storedFA = 0;
    Extended lossWeightSum = 0;
    // Product: weights per loss shift, relative to a power of two chosen per precursor species.
    Extended lossWeight[kLossWeightCount] = {};

    // --- MSn state ---
    // Heavy-slot vectors of the split levels: product species and the parts lost at levels 2 and 3.
    int32_t product1Heavy[kMaxHeavySlots] = {};
    int32_t loss2Heavy[kMaxHeavySlots] = {};
    int32_t loss2LevelStart[kMaxHeavySlots] = {};
    int32_t product2Heavy[kMaxHeavySlots] = {};
    int32_t loss3Heavy[kMaxHeavySlots] = {};
    int32_t loss3LevelStart[kMaxHeavySlots] = {};
    int32_t product3Heavy[kMaxHeavySlots] = {};
    int32_t product1Shift = 0;
    int32_t loss2Shift = 0;
    int32_t product2Shift = 0;
    int32_t loss3Shift = 0;
    int32_t product3Shift = 0;
    ScaledReal splitWeight1;
    ScaledReal splitWeight2;
    ScaledReal splitWeight3;
    // With lossWeight as mantissas, the MSn weight pool of 1280 extended-range values.
    int32_t lossWeightScale[kLossWeightCount] = {};
    int32_t lossWeightSumScale = 0;
    SplitCompTable splitComps;
    CompWeightList gen1CompLists;
    CompWeightList gen2CompLists;

    // --- Component tables ---
    int32_t firstListedPeak = 0;
    int32_t lastListedPeak = 20;
    int32_t maxIonsPerPeak = 0;
    int32_t peakCompCount[kMaxListedRows] = {};
    int32_t peakCompMinIndex[kMaxListedRows] = {};
    double peakCompMinFA[kMaxListedRows] = {};
    char compFormulas[kMaxComponentEntries][kComponentTextSize] = {};
    double compMasses[kMaxComponentEntries] = {};
    double compFAs[kMaxComponentEntries] = {};
    double peakCompTotalFA[kMaxListedRows] = {};
    double peakCompMaxFA[kMaxListedRows] = {};
    int32_t compFormulaTooLong = 0;
    int32_t compLowIntensityOmitted = 0;
    int32_t compHighMassMissing = 0;
    int32_t compSymbolChars = 0;
    int32_t compDigitChars = 0;
};

static_assert(std::atomic<double>::is_always_lock_free, "the published total must be lock-free");
static_assert(std::atomic<bool>::is_always_lock_free, "the cancel byte must be lock-free");

// The program's one workspace.
CalcWorkspace& workspace();

// Number of component rows the listed range asks for, or 0 when the range does not fit the tables
// (first > last, negative indices, more than 166 rows, rows × maxIonsPerPeak above 2000).
int32_t listedRowCount(const CalcWorkspace& ws);

}  // namespace mv
