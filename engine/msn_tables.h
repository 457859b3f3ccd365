#pragma once

// Storage of the MSn component machinery: the table of the last split level's product species and
// the per-peak weight lists that collect them by formula between the levels. Part of the workspace.

#include "engine/scaled_real.h"

#include <cstdint>

namespace mv {

constexpr int kSplitCompCapacity = 100;
constexpr int kMsnListedRows = 166;
constexpr int kMsnComponentEntries = 2000;
constexpr int kMsnComponentTextSize = 128;  // 127 characters and the terminating zero

// The product species of one split enumeration with the largest split weights.
struct SplitCompTable {
    int32_t count = 0;
    int32_t minIndex = 0;
    ScaledReal minWeight;
    int32_t peak[kSplitCompCapacity] = {};  // nominal shift of the product species
    ScaledReal weight[kSplitCompCapacity];
    double fa[kSplitCompCapacity] = {};     // set by the merge of a two-step run
    double mass[kSplitCompCapacity] = {};   // ion mass (monoisotopic part less the electrons included)
    char formula[kSplitCompCapacity][kMsnComponentTextSize] = {};
};

// Components with weights, per listed peak p (entries p × maxIonsPerPeak + c).
struct CompWeightList {
    int32_t count[kMsnListedRows] = {};
    int32_t minIndex[kMsnListedRows] = {};
    ScaledReal minWeight[kMsnListedRows];
    char formula[kMsnComponentEntries][kMsnComponentTextSize] = {};
    ScaledReal weight[kMsnComponentEntries];
    double mass[kMsnComponentEntries] = {};
};

}  // namespace mv
