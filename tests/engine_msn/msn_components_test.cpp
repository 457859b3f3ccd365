#include "engine/cluster_engine.h"
#include "engine/msn_components.h"
#include "isodata/element_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace mv {
namespace {

// A workspace with one listed row (peak first..last) and the given row capacity.
std::unique_ptr<CalcWorkspace> listingWorkspace(int32_t first, int32_t last, int32_t capacity) {
    auto ws = std::make_unique<CalcWorkspace>();
    ws->scanType = static_cast<int32_t>(ScanType::MSn);
    ws->listComponents = true;
    ws->firstListedPeak = first;
    ws->lastListedPeak = last;
    ws->maxIonsPerPeak = capacity;
    return ws;
}

void putTableEntry(CalcWorkspace& ws, const char* formula, int32_t peak, ScaledReal weight, double mass = 100.0) {
    SplitCompTable& t = ws.splitComps;
    const int32_t e = t.count++;
    std::strcpy(t.formula[e], formula);
    t.peak[e] = peak;
    t.weight[e] = weight;
    t.mass[e] = mass;
}

std::string finalFormula(const CalcWorkspace& ws, int32_t row, int32_t entry) {
    return ws.compFormulas[row * ws.maxIonsPerPeak + entry];
}

TEST(FinalMerge, SameFormulaFromTwoParentsIsOneEntry) {
    auto ws = listingWorkspace(0, 1, 10);
    const ScaledReal sum{10.0L, 0};
    putTableEntry(*ws, "(12C)(13C)", 1, {4.0L, 0});
    mergeSplitTableToFinal(*ws, 0.5L, sum);  // FA 0.2
    EXPECT_DOUBLE_EQ(ws->splitComps.fa[0], 0.2);
    clearSplitCompTable(ws->splitComps);
    putTableEntry(*ws, "(12C)(13C)", 1, {1.0L, 0});
    putTableEntry(*ws, "(12C)2", 0, {5.0L, 0});
    mergeSplitTableToFinal(*ws, 0.25L, sum);  // FA 0.025 and 0.125
    ASSERT_EQ(ws->peakCompCount[1], 1);
    EXPECT_DOUBLE_EQ(ws->compFAs[ws->maxIonsPerPeak], 0.2 + 0.025);
    ASSERT_EQ(ws->peakCompCount[0], 1);
    EXPECT_DOUBLE_EQ(ws->compFAs[0], 0.125);
}

TEST(FinalMerge, SingleSlotRowsKeepTheLargestSeenOnArrival) {
    auto ws = listingWorkspace(0, 0, 1);
    const ScaledReal sum{10.0L, 0};
    struct Step {
        const char* formula;
        Extended weight;
        const char* kept;
        double fa;
    };
    const Step steps[] = {
        {"A", 3, "A", 0.3},  // empty row: taken
        {"B", 5, "B", 0.5},  // larger: replaces
        {"C", 2, "B", 0.5},  // smaller: dropped
        {"B", 1, "B", 0.6},  // same formula: added even though small
        {"D", 6, "D", 0.6},  // equal to the smallest: replaces
    };
    for (const Step& s : steps) {
        clearSplitCompTable(ws->splitComps);
        putTableEntry(*ws, s.formula, 0, {s.weight, 0});
        mergeSplitTableToFinal(*ws, 1.0L, sum);
        ASSERT_EQ(ws->peakCompCount[0], 1);
        EXPECT_EQ(finalFormula(*ws, 0, 0), s.kept) << "after " << s.formula;
        EXPECT_NEAR(ws->compFAs[0], s.fa, 1e-15) << "after " << s.formula;
    }
}

TEST(FinalMerge, PeaksOutsideTheListedRowsAndZeroSumsMergeNothing) {
    auto ws = listingWorkspace(2, 3, 5);
    putTableEntry(*ws, "X", 1, {1.0L, 0});
    putTableEntry(*ws, "Y", 4, {1.0L, 0});
    mergeSplitTableToFinal(*ws, 1.0L, {2.0L, 0});
    EXPECT_EQ(ws->peakCompCount[0], 0);
    EXPECT_EQ(ws->peakCompCount[1], 0);
    putTableEntry(*ws, "Z", 2, {1.0L, 0});
    mergeSplitTableToFinal(*ws, 1.0L, ScaledReal{});
    EXPECT_EQ(ws->peakCompCount[0], 0);
}

TEST(WeightMerge, ScalesOrderBeforeMantissasAndLaterEntriesWinTies) {
    auto ws = listingWorkspace(0, 0, 2);
    CompWeightList& list = ws->gen1CompLists;
    const ScaledReal one{1.0L, 0};
    // The value merged is factor × (table weight 1) / (sum 1): the factor itself, with its scale.
    auto merge = [&](const char* formula, ScaledReal factor) {
        clearSplitCompTable(ws->splitComps);
        putTableEntry(*ws, formula, 0, one);
        mergeSplitTableToWeights(*ws, list, factor, one);
    };
    merge("X", {5.0L, 0});
    merge("Y", {5.0L, 0});
    EXPECT_EQ(list.count[0], 2);
    EXPECT_EQ(list.minIndex[0], 1);  // equal weights: the later entry is the smallest
    merge("Z", {5.0L, 0});           // equal to the smallest: replaces Y
    EXPECT_STREQ(list.formula[1], "Z");
    merge("W", {4.0L, 0});           // below: dropped
    EXPECT_STREQ(list.formula[0], "X");
    EXPECT_STREQ(list.formula[1], "Z");
    merge("V", {0.001L, 1});         // a larger scale outweighs any mantissa
    EXPECT_STREQ(list.formula[1], "V");
    EXPECT_EQ(list.minIndex[0], 0);
    merge("X", {0.001L, 1});         // same formula: scaledAdd onto X
    EXPECT_EQ(list.weight[0].scale, 1);
    EXPECT_EQ(list.count[0], 2);

    // Second-generation lists move up with the first split's weight: factor × weight / sum.
    CompWeightList& second = ws->gen2CompLists;
    clearCompWeightList(second);
    clearCompWeightList(list);
    clearSplitCompTable(ws->splitComps);
    putTableEntry(*ws, "P", 0, {3.0L, 2});
    mergeSplitTableToWeights(*ws, second, ScaledReal{1.0L, 0}, ScaledReal{6.0L, 2});
    ASSERT_EQ(second.count[0], 1);
    EXPECT_EQ(second.weight[0].mantissa, 0.5L);
    mergeWeightListToWeights(*ws, second, list, ScaledReal{8.0L, 4}, ScaledReal{2.0L, 0});
    ASSERT_EQ(list.count[0], 1);
    EXPECT_EQ(list.weight[0].mantissa, 2.0L);
    EXPECT_EQ(list.weight[0].scale, 4);
    mergeWeightListToFinal(*ws, list, 0.5L, ScaledReal{4.0L, 4});
    ASSERT_EQ(ws->peakCompCount[0], 1);
    EXPECT_STREQ(ws->compFormulas[0], "P");
    EXPECT_DOUBLE_EQ(ws->compFAs[0], 0.25);
}

// The heavy slots of C6H8 (position 0: carbon, slot 0 = 13C; position 1: hydrogen, slot 1 = 2H).
std::unique_ptr<CalcWorkspace> carbonHydrogenWorkspace(int32_t first, int32_t last) {
    auto ws = listingWorkspace(first, last, 25);
    Composition comp;
    comp.count[*elementIndex("C")] = 6;
    comp.count[*elementIndex("H")] = 8;
    EXPECT_EQ(prepareElements(*ws, 2, comp, nullptr), 2);
    EXPECT_EQ(ws->posElem[0], *elementIndex("C"));
    return ws;
}

IonDefinition withFluorine() {
    IonDefinition product;
    const int f = *elementIndex("F");
    product.monoElemCount = 1;
    product.monoElem[0] = f;
    product.monoCount[0] = 1;
    product.monoMass = elementTable().lightMass[f];
    return product;
}

TEST(SplitTable, FormulaAndMassOfAProductSpecies) {
    auto ws = carbonHydrogenWorkspace(0, 3);
    const int32_t species[2] = {1, 0};
    const int32_t atoms[2] = {6, 8};
    const IonDefinition product = withFluorine();
    recordSplitComponent(*ws, 2, 1, {2.0L, 0}, species, atoms, product);
    const SplitCompTable& t = ws->splitComps;
    ASSERT_EQ(t.count, 1);
    EXPECT_STREQ(t.formula[0], "(12C)5(13C)(F)(1H)8");
    const ElementTable& table = elementTable();
    const int c = *elementIndex("C"), h = *elementIndex("H");
    EXPECT_NEAR(t.mass[0],
                product.monoMass + 5 * table.lightMass[c] + table.heavyMass[table.firstHeavy[c]] + 8 * table.lightMass[h],
                1e-9);
    EXPECT_EQ(t.peak[0], 1);
    EXPECT_EQ(ws->compSymbolChars, 4);  // C, C, F, H
}

TEST(SplitTable, AFullTableKeepsTheLargestWeights) {
    auto ws = carbonHydrogenWorkspace(0, 10);
    const int32_t atoms[2] = {6, 8};
    const IonDefinition product = withFluorine();
    const int32_t species[2] = {1, 0};
    for (int w = 1; w <= 100; ++w)
        recordSplitComponent(*ws, 2, 1, {static_cast<Extended>(w), 0}, species, atoms, product);
    const SplitCompTable& t = ws->splitComps;
    ASSERT_EQ(t.count, 100);
    EXPECT_EQ(t.minWeight.mantissa, 1.0L);
    const int32_t oldMin = t.minIndex;
    recordSplitComponent(*ws, 2, 1, {1.0L, 0}, species, atoms, product);  // equal to the smallest: dropped
    EXPECT_EQ(t.weight[oldMin].mantissa, 1.0L);
    recordSplitComponent(*ws, 2, 1, {0.5L, 1}, species, atoms, product);  // larger scale: replaces
    EXPECT_EQ(t.weight[oldMin].scale, 1);
    EXPECT_EQ(t.minWeight.mantissa, 2.0L);
    EXPECT_EQ(t.count, 100);
}

TEST(SplitTable, PeaksOutsideTheListedRangeChangeNothing) {
    auto ws = carbonHydrogenWorkspace(2, 3);
    const int32_t species[2] = {1, 0};
    const int32_t atoms[2] = {6, 8};
    recordSplitComponent(*ws, 2, 1, {2.0L, 0}, species, atoms, withFluorine());
    recordSplitComponent(*ws, 2, 4, {2.0L, 0}, species, atoms, withFluorine());
    EXPECT_EQ(ws->splitComps.count, 0);
    EXPECT_EQ(ws->compSymbolChars, 0);
    EXPECT_EQ(ws->compDigitChars, 0);
}

}  // namespace
}  // namespace mv
