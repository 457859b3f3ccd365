#include "engine/msn_engine.h"

#include "engine/cluster_engine.h"
#include "engine/components.h"
#include "engine/msn_components.h"
#include "engine/msn_enumeration.h"
#include "engine/scaled_real.h"
#include "isodata/element_table.h"

namespace mv {

namespace {

// The constants of one run: the layout, the selected peaks and where the six weight blocks lie in
// the pool (lossWeight mantissas with lossWeightScale).
struct MsnRun {
    SlotLayout lay;
    int32_t steps = 2;
    int32_t i = 0;
    int32_t j = 0;
    int32_t k = 0;
    bool list = false;
    int32_t loss1Weight = 0;
    int32_t loss2Carry = 0;
    int32_t loss2Weight = 0;
    int32_t loss3Carry = 0;
    int32_t loss3Partial = 0;
    int32_t loss3Weight = 0;
};

ScaledReal poolEntry(const CalcWorkspace& ws, int32_t index) { return {ws.lossWeight[index], ws.lossWeightScale[index]}; }

void setPoolEntry(CalcWorkspace& ws, int32_t index, const ScaledReal& x) {
    ws.lossWeight[index] = x.mantissa;
    ws.lossWeightScale[index] = x.scale;
}

void addToPool(CalcWorkspace& ws, int32_t index, const ScaledReal& x) {
    setPoolEntry(ws, index, scaledAdd(x, poolEntry(ws, index)));
}

void clearPool(CalcWorkspace& ws, int32_t from, int32_t count) {
    for (int32_t t = from; t < from + count; ++t) setPoolEntry(ws, t, ScaledReal{});
}

// Sum of a block, kept in lossWeightSum and lossWeightSumScale.
ScaledReal poolSum(CalcWorkspace& ws, int32_t from, int32_t count) {
    ScaledReal sum{0.0L, ws.lossWeightScale[from]};
    for (int32_t t = from; t < from + count; ++t) sum = scaledAdd(poolEntry(ws, t), sum);
    ws.lossWeightSum = sum.mantissa;
    ws.lossWeightSumScale = sum.scale;
    return sum;
}

void subtract(const SlotLayout& lay, const int32_t* parent, const int32_t* part, int32_t* rest) {
    for (int32_t s = 0; s < lay.k; ++s) rest[s] = parent[s] - part[s];
}

// The loss-3 splits of π2 (product2Heavy), whose shift is k.
void thirdDissociation(CalcWorkspace& ws, const MsnRun& run) {
    const SlotLayout& lay = run.lay;
    clearPool(ws, run.loss3Weight, run.k + 1);
    if (run.list) clearSplitCompTable(ws.splitComps);
    firstSplitVector(lay, ws.product2Heavy, ws.posLoss3Atoms, ws.loss3Heavy, ws.loss3LevelStart);
    do {
        ws.splitWeight3 = splitWeight(lay.n, ws.product2Heavy, ws.loss3Heavy, ws.posProduct2Atoms, ws.posLoss3Atoms,
                                      ws.posHeavyCount, ws.heavyDelta, ws.loss3Shift);
        addToPool(ws, run.loss3Weight + ws.loss3Shift, ws.splitWeight3);
        ws.product3Shift = ws.product2Shift - ws.loss3Shift;
        subtract(lay, ws.product2Heavy, ws.loss3Heavy, ws.product3Heavy);
        if (run.list)
            recordSplitComponent(ws, lay.n, ws.product3Shift, ws.splitWeight3, ws.product3Heavy, ws.posProduct3Atoms,
                                 ws.product3);
    } while (nextSplitVector(lay, ws.product2Heavy, ws.posProduct2Atoms, ws.posLoss3Atoms, ws.loss3Heavy,
                             ws.loss3LevelStart));

    const ScaledReal s3 = poolSum(ws, run.loss3Weight, run.k + 1);
    if (s3.mantissa == 0) return;
    for (int32_t t = 0; t <= run.k; ++t)
        addToPool(ws, run.loss3Partial + t,
                  {ws.splitWeight2.mantissa * scaledRatio(poolEntry(ws, run.loss3Weight + t), s3), ws.splitWeight2.scale});
    if (run.list) mergeSplitTableToWeights(ws, ws.gen2CompLists, ws.splitWeight2, s3);
}

// The loss-2 splits of π1 (product1Heavy), whose shift is j.
void secondDissociation(CalcWorkspace& ws, const MsnRun& run) {
    const SlotLayout& lay = run.lay;
    clearPool(ws, run.loss2Weight, run.j + 1);
    if (run.steps == 4) clearPool(ws, run.loss3Partial, run.k + 1);
    if (run.list) {
        if (run.steps == 3)
            clearSplitCompTable(ws.splitComps);
        else
            clearCompWeightList(ws.gen2CompLists);
    }
    firstSplitVector(lay, ws.product1Heavy, ws.posLoss2Atoms, ws.loss2Heavy, ws.loss2LevelStart);
    do {
        ws.splitWeight2 = splitWeight(lay.n, ws.product1Heavy, ws.loss2Heavy, ws.posProduct1Atoms, ws.posLoss2Atoms,
                                      ws.posHeavyCount, ws.heavyDelta, ws.loss2Shift);
        addToPool(ws, run.loss2Weight + ws.loss2Shift, ws.splitWeight2);
        ws.product2Shift = ws.product1Shift - ws.loss2Shift;
        subtract(lay, ws.product1Heavy, ws.loss2Heavy, ws.product2Heavy);
        if (run.list && run.steps == 3)
            recordSplitComponent(ws, lay.n, ws.product2Shift, ws.splitWeight2, ws.product2Heavy, ws.posProduct2Atoms,
                                 ws.product2);
        if (run.steps == 4 && ws.product2Shift == run.k) thirdDissociation(ws, run);
    } while (nextSplitVector(lay, ws.product1Heavy, ws.posProduct1Atoms, ws.posLoss2Atoms, ws.loss2Heavy,
                             ws.loss2LevelStart));

    const ScaledReal s2 = poolSum(ws, run.loss2Weight, run.j + 1);
    if (s2.mantissa == 0) return;
    const ScaledReal w1 = ws.splitWeight1;
    for (int32_t t = 0; t <= run.j; ++t)
        addToPool(ws, run.loss2Carry + t, {w1.mantissa * scaledRatio(poolEntry(ws, run.loss2Weight + t), s2), w1.scale});
    if (run.steps == 4)
        for (int32_t t = 0; t <= run.k; ++t)
            addToPool(ws, run.loss3Carry + t,
                      {w1.mantissa * scaledRatio(poolEntry(ws, run.loss3Partial + t), s2), w1.scale});
    if (run.list) {
        if (run.steps == 3)
            mergeSplitTableToWeights(ws, ws.gen1CompLists, w1, s2);
        else
            mergeWeightListToWeights(ws, ws.gen2CompLists, ws.gen1CompLists, w1, s2);
    }
}

// One precursor species of shift i (heavyCount). False when the cancel request stopped the run.
bool processSpecies(CalcWorkspace& ws, const MsnRun& run) {
    const SlotLayout& lay = run.lay;
    ws.speciesFA = speciesProbability(lay.n, ws.heavyCount, ws.posAtoms, ws.posHeavyCount, ws.isoAbund);
    ws.totalFA += ws.speciesFA;
    ws.publishedTotalFA.store(static_cast<double>(ws.totalFA), std::memory_order_relaxed);

    ws.cancelFlag = ws.cancelRequest.load(std::memory_order_relaxed);
    if (ws.cancelFlag) return false;

    clearPool(ws, run.loss1Weight, run.i + 1);
    if (run.steps >= 3) clearPool(ws, run.loss2Carry, run.j + 1);
    if (run.steps == 4) clearPool(ws, run.loss3Carry, run.k + 1);
    if (run.list) {
        if (run.steps == 2)
            clearSplitCompTable(ws.splitComps);
        else
            clearCompWeightList(ws.gen1CompLists);
    }

    firstSplitVector(lay, ws.heavyCount, ws.posAtoms2, ws.lossHeavyCount, ws.lossLevelStart);
    do {
        ws.splitWeight1 = splitWeight(lay.n, ws.heavyCount, ws.lossHeavyCount, ws.posAtoms, ws.posAtoms2,
                                      ws.posHeavyCount, ws.heavyDelta, ws.lossShift);
        addToPool(ws, run.loss1Weight + ws.lossShift, ws.splitWeight1);
        ws.product1Shift = ws.speciesShift - ws.lossShift;
        subtract(lay, ws.heavyCount, ws.lossHeavyCount, ws.product1Heavy);
        if (run.list && run.steps == 2)
            recordSplitComponent(ws, lay.n, ws.product1Shift, ws.splitWeight1, ws.product1Heavy, ws.posProduct1Atoms,
                                 ws.product);
        if (run.steps >= 3 && ws.product1Shift == run.j) secondDissociation(ws, run);
    } while (nextSplitVector(lay, ws.heavyCount, ws.posAtoms, ws.posAtoms2, ws.lossHeavyCount, ws.lossLevelStart));

    const ScaledReal s1 = poolSum(ws, run.loss1Weight, run.i + 1);
    if (s1.mantissa == 0) return true;
    const Extended fa = ws.speciesFA;
    for (int32_t g = 0; g <= run.i; ++g) ws.peakFA[g] += fa * scaledRatio(poolEntry(ws, run.loss1Weight + run.i - g), s1);
    if (run.steps >= 3)
        for (int32_t g = 0; g <= run.j; ++g)
            ws.peakFA[run.i + 1 + g] += fa * scaledRatio(poolEntry(ws, run.loss2Carry + run.j - g), s1);
    if (run.steps == 4)
        for (int32_t g = 0; g <= run.k; ++g)
            ws.peakFA[run.i + run.j + 2 + g] += fa * scaledRatio(poolEntry(ws, run.loss3Carry + run.k - g), s1);
    if (run.list) {
        if (run.steps == 2)
            mergeSplitTableToFinal(ws, fa, s1);
        else
            mergeWeightListToFinal(ws, ws.gen1CompLists, fa, s1);
    }
    return true;
}

bool isPolyisotopic(int element) { return elementTable().heavyIsotopeCount[element] > 0; }

// What the parameter checks guarantee, enforced here too so that no input can index outside the
// fixed arrays: the steps and peak indices, the pool, the atom limits, and each loss being its
// parent minus its product in every polyisotopic element.
bool inputsWithinLimits(const CalcWorkspace& ws, int32_t elementCount, const Composition& precursor,
                        const Composition& loss1) {
    const int32_t n = ws.msSteps;
    const int32_t i = ws.precursorPeakIndex;
    const int32_t j = n >= 3 ? ws.product1PeakIndex : 0;
    const int32_t k = n == 4 ? ws.product2PeakIndex : 0;
    if (n < 2 || n > 4 || i < 0 || j < 0 || k < 0 || j > i || k > j) return false;
    if (n == 2 && i > kPeakSlotCount - 1) return false;
    if (n == 3 && i + j > kPeakSlotCount - 2) return false;
    if (n == 4 && i + j + k > kPeakSlotCount - 3) return false;
    const int32_t pool = (i + 1) + (n >= 3 ? 2 * (j + 1) : 0) + (n == 4 ? 3 * (k + 1) : 0);
    if (pool > kLossWeightCount) return false;
    if (elementCount < 1 || elementCount > kMaxPositions) return false;

    int32_t poly = 0;
    int64_t atoms = 0;
    for (int e = 0; e < kElementCount; ++e) {
        if (!isPolyisotopic(e)) continue;
        const uint32_t p = precursor.count[e];
        if (p > static_cast<uint32_t>(kMaxAtomsPerElement)) return false;
        atoms += p;
        if (p > 0) ++poly;
        if (loss1.count[e] + ws.product.comp.count[e] != p) return false;
        if (n >= 3 && ws.loss2.comp.count[e] + ws.product2.comp.count[e] != ws.product.comp.count[e]) return false;
        if (n == 4 && ws.loss3.comp.count[e] + ws.product3.comp.count[e] != ws.product2.comp.count[e]) return false;
    }
    return poly == elementCount && atoms <= kMaxPolyAtoms;
}

}  // namespace

void runMsnEngine(CalcWorkspace& ws, int32_t elementCount, Composition precursor, Composition loss1) {
    ws.cancelFlag = false;
    ws.levelsDone = 0;
    ws.speciesFA = ws.totalFA = 0;
    ws.publishedTotalFA.store(0.0, std::memory_order_relaxed);
    if (ws.listComponents) clearComponentRows(ws);
    if (!inputsWithinLimits(ws, elementCount, precursor, loss1)) return;

    MsnRun run;
    run.steps = ws.msSteps;
    run.i = ws.precursorPeakIndex;
    run.j = run.steps >= 3 ? ws.product1PeakIndex : 0;
    run.k = run.steps == 4 ? ws.product2PeakIndex : 0;
    run.list = ws.listComponents && listedRowCount(ws) > 0;
    run.loss1Weight = 0;
    run.loss2Carry = run.i + 1;
    run.loss2Weight = run.loss2Carry + run.j + 1;
    run.loss3Carry = run.loss2Weight + run.j + 1;
    run.loss3Partial = run.loss3Carry + run.k + 1;
    run.loss3Weight = run.loss3Partial + run.k + 1;

    const int32_t n = prepareElements(ws, elementCount, precursor, &loss1);
    if (n != elementCount) return;  // more than 88 heavy slots
    run.lay = makeSlotLayout(ws, n);
    const IonDefinition& lastProduct = run.steps == 2 ? ws.product : (run.steps == 3 ? ws.product2 : ws.product3);
    const int32_t* lastProductAtoms =
        run.steps == 2 ? ws.posProduct1Atoms : (run.steps == 3 ? ws.posProduct2Atoms : ws.posProduct3Atoms);

    ExtendedPrecisionScope precision;

    if (run.i == 0) {
        for (int32_t s = 0; s < run.lay.k; ++s) ws.heavyCount[s] = 0;
        const Extended fa0 = speciesProbability(n, ws.heavyCount, ws.posAtoms, ws.posHeavyCount, ws.isoAbund);
        ws.totalFA = fa0;
        ws.peakFA[0] = fa0;
        ws.speciesFA = ws.peakFA[1] = ws.peakFA[2] = fa0;
        ws.publishedTotalFA.store(static_cast<double>(fa0), std::memory_order_relaxed);
        if (run.list) {
            ws.speciesShift = 0;
            recordComponent(ws, n, lastProduct.monoElemCount, lastProduct.monoMass, lastProduct.monoElem,
                            lastProduct.monoCount, lastProductAtoms);
            finishComponentLists(ws);
        }
        ws.levelsDone = 0;
        return;
    }

    for (int32_t h = 1; h <= run.i; ++h) {
        if (!firstSpeciesVector(run.lay, ws.posAtoms, h, ws.heavyCount)) break;  // more atoms than the ion has
        int32_t carry = 0;
        int32_t changedFrom = 0;
        do {
            ws.speciesShift = vectorShift(run.lay, ws.heavyCount, ws.heavyDelta);
            if (ws.speciesShift != run.i) continue;
            if (!processSpecies(ws, run)) {
                ws.levelsDone = h - 1;
                if (run.list) finishComponentLists(ws);
                return;
            }
        } while (nextSpeciesVector(run.lay, ws.posAtoms, ws.heavyCount, carry, changedFrom));
    }
    ws.levelsDone = run.i;
    if (run.list) finishComponentLists(ws);
}

}  // namespace mv
