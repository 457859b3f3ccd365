#include "engine/msn_components.h"

#include "engine/components.h"

#include <cstring>

namespace mv {

namespace {

void copyText(char* to, const char* from) {
    std::strncpy(to, from, kMsnComponentTextSize - 1);
    to[kMsnComponentTextSize - 1] = '\0';
}

// weight × ratio with the weight's scale, the form in which values travel up one level.
ScaledReal scaledBy(const ScaledReal& factor, Extended ratio) { return {factor.mantissa * ratio, factor.scale}; }

// Merges one FA into row r of the component tables: added to an entry of equal formula, appended
// while there is room, otherwise replacing the smallest entry when at least as large.
void mergeIntoFinal(CalcWorkspace& ws, int32_t r, const char* formula, double fa, double mass) {
    const int32_t capacity = ws.maxIonsPerPeak;
    const int32_t base = r * capacity;
    int32_t& count = ws.peakCompCount[r];
    if (count == 0) {
        copyText(ws.compFormulas[base], formula);
        ws.compFAs[base] = fa;
        ws.compMasses[base] = mass;
        ws.peakCompMinFA[r] = fa;
        ws.peakCompMinIndex[r] = 0;
        count = 1;
        return;
    }
    bool merged = false;
    for (int32_t c = 0; c < count; ++c)
        if (std::strcmp(ws.compFormulas[base + c], formula) == 0) {
            ws.compFAs[base + c] += fa;
            merged = true;
            break;
        }
    if (!merged) {
        int32_t entry;
        if (count < capacity) {
            entry = count++;
        } else {
            if (fa < ws.peakCompMinFA[r]) return;
            entry = ws.peakCompMinIndex[r];
        }
        copyText(ws.compFormulas[base + entry], formula);
        ws.compFAs[base + entry] = fa;
        ws.compMasses[base + entry] = mass;
    }
    int32_t smallest = 0;
    for (int32_t c = 1; c < count; ++c)
        if (ws.compFAs[base + c] < ws.compFAs[base + smallest]) smallest = c;
    ws.peakCompMinIndex[r] = smallest;
    ws.peakCompMinFA[r] = ws.compFAs[base + smallest];
}

// The same for a weight list; equal formulas add with scaledAdd, and later entries win ties when
// the smallest is sought.
void mergeIntoWeights(CompWeightList& list, int32_t capacity, int32_t p, const char* formula, const ScaledReal& x,
                      double mass) {
    const int32_t base = p * capacity;
    int32_t& count = list.count[p];
    if (count == 0) {
        copyText(list.formula[base], formula);
        list.weight[base] = x;
        list.mass[base] = mass;
        list.minWeight[p] = x;
        list.minIndex[p] = 0;
        count = 1;
        return;
    }
    bool merged = false;
    for (int32_t c = 0; c < count; ++c)
        if (std::strcmp(list.formula[base + c], formula) == 0) {
            list.weight[base + c] = scaledAdd(x, list.weight[base + c]);
            merged = true;
            break;
        }
    if (!merged) {
        int32_t entry;
        if (count < capacity) {
            entry = count++;
        } else {
            if (weightBelow(x, list.minWeight[p])) return;
            entry = list.minIndex[p];
        }
        copyText(list.formula[base + entry], formula);
        list.weight[base + entry] = x;
        list.mass[base + entry] = mass;
    }
    int32_t smallest = 0;
    for (int32_t c = 1; c < count; ++c)
        if (!weightBelow(list.weight[base + smallest], list.weight[base + c])) smallest = c;
    list.minIndex[p] = smallest;
    list.minWeight[p] = list.weight[base + smallest];
}

}  // namespace

bool weightBelow(const ScaledReal& a, const ScaledReal& b) {
    if (a.scale != b.scale) return a.scale < b.scale;
    return a.mantissa < b.mantissa;
}

void clearSplitCompTable(SplitCompTable& table) {
    table.count = 0;
    table.minIndex = 0;
    table.minWeight = ScaledReal{};
}

void clearCompWeightList(CompWeightList& lists) {
    for (int32_t p = 0; p < kMsnListedRows; ++p) lists.count[p] = 0;
}

void recordSplitComponent(CalcWorkspace& ws, int32_t positionCount, int32_t peak, const ScaledReal& weight,
                          const int32_t* species, const int32_t* productAtoms, const IonDefinition& product) {
    if (peak < ws.firstListedPeak || peak > ws.lastListedPeak) return;
    SplitCompTable& t = ws.splitComps;
    int32_t entry;
    if (t.count < kSplitCompCapacity) {
        entry = t.count;
    } else {
        if (weight.scale < t.minWeight.scale) return;
        if (weight.scale == t.minWeight.scale && !(weight.mantissa > t.minWeight.mantissa)) return;
        entry = t.minIndex;
    }

    int32_t light[kMaxPositions];
    int32_t slot = 0;
    for (int32_t e = 0; e < positionCount; ++e) {
        int32_t heavy = 0;
        for (int32_t s = slot; s < slot + ws.posHeavyCount[e]; ++s) heavy += species[s];
        light[e] = productAtoms[e] - heavy;
        slot += ws.posHeavyCount[e];
    }
    char text[kMsnComponentTextSize];
    const FormulaText f = buildComponentFormula(ws, positionCount, species, light, product.monoElemCount,
                                                product.monoElem, product.monoCount, text, kMsnComponentTextSize);
    if (f.length < 0) {
        ws.compFormulaTooLong = 1;
        return;
    }
    std::memcpy(t.formula[entry], text, static_cast<size_t>(f.length) + 1);
    const int32_t y = f.symbolChars;
    const int32_t d = f.length - 2 * f.groups - y;
    if (y > ws.compSymbolChars) {
        ws.compSymbolChars = y;
        ws.compDigitChars = d;
    } else if (y == ws.compSymbolChars && d > ws.compDigitChars) {
        ws.compDigitChars = d;
    }
    t.peak[entry] = peak;
    t.weight[entry] = weight;

    double m = product.monoMass;
    slot = 0;
    for (int32_t e = 0; e < positionCount; ++e) {
        const int32_t lightEntry = slot + e;
        if (light[e] != 0)
            m = static_cast<double>(static_cast<Extended>(m) +
                                    static_cast<Extended>(light[e]) * static_cast<Extended>(ws.isoMass[lightEntry]));
        for (int32_t s = slot; s < slot + ws.posHeavyCount[e]; ++s)
            if (species[s] != 0)
                m = static_cast<double>(static_cast<Extended>(m) + static_cast<Extended>(species[s]) *
                                                                       static_cast<Extended>(ws.isoMass[s + e + 1]));
        slot += ws.posHeavyCount[e];
    }
    t.mass[entry] = m;

    if (t.count < kSplitCompCapacity) ++t.count;
    if (t.count == 1) {
        t.minIndex = 0;
        t.minWeight = t.weight[0];
    } else {
        int32_t smallest = 0;
        for (int32_t c = 1; c < t.count; ++c)
            if (!weightBelow(t.weight[smallest], t.weight[c])) smallest = c;
        t.minIndex = smallest;
        t.minWeight = t.weight[smallest];
    }
}

void mergeSplitTableToFinal(CalcWorkspace& ws, Extended speciesFA, const ScaledReal& sum) {
    if (sum.mantissa == 0) return;
    const int32_t rows = listedRowCount(ws);
    SplitCompTable& t = ws.splitComps;
    for (int32_t c = 0; c < t.count; ++c) {
        const double fa = static_cast<double>(speciesFA * scaledRatio(t.weight[c], sum));
        t.fa[c] = fa;
        const int32_t r = t.peak[c] - ws.firstListedPeak;
        if (r < 0 || r >= rows) continue;
        mergeIntoFinal(ws, r, t.formula[c], fa, t.mass[c]);
    }
}

void mergeSplitTableToWeights(CalcWorkspace& ws, CompWeightList& target, const ScaledReal& factor,
                              const ScaledReal& sum) {
    if (sum.mantissa == 0) return;
    const int32_t rows = listedRowCount(ws);
    const SplitCompTable& t = ws.splitComps;
    for (int32_t c = 0; c < t.count; ++c) {
        const int32_t p = t.peak[c] - ws.firstListedPeak;
        if (p < 0 || p >= rows) continue;
        mergeIntoWeights(target, ws.maxIonsPerPeak, p, t.formula[c], scaledBy(factor, scaledRatio(t.weight[c], sum)),
                         t.mass[c]);
    }
}

void mergeWeightListToWeights(CalcWorkspace& ws, const CompWeightList& source, CompWeightList& target,
                              const ScaledReal& factor, const ScaledReal& sum) {
    if (sum.mantissa == 0) return;
    const int32_t rows = listedRowCount(ws);
    const int32_t capacity = ws.maxIonsPerPeak;
    for (int32_t p = 0; p < rows; ++p)
        for (int32_t c = 0; c < source.count[p]; ++c) {
            const int32_t e = p * capacity + c;
            mergeIntoWeights(target, capacity, p, source.formula[e], scaledBy(factor, scaledRatio(source.weight[e], sum)),
                             source.mass[e]);
        }
}

void mergeWeightListToFinal(CalcWorkspace& ws, const CompWeightList& source, Extended speciesFA,
                            const ScaledReal& sum) {
    if (sum.mantissa == 0) return;
    const int32_t rows = listedRowCount(ws);
    const int32_t capacity = ws.maxIonsPerPeak;
    for (int32_t p = 0; p < rows; ++p)
        for (int32_t c = 0; c < source.count[p]; ++c) {
            const int32_t e = p * capacity + c;
            const double fa = static_cast<double>(speciesFA * scaledRatio(source.weight[e], sum));
            mergeIntoFinal(ws, p, source.formula[e], fa, source.mass[e]);
        }
}

}  // namespace mv
