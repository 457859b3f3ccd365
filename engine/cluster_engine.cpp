#include "engine/cluster_engine.h"

#include "engine/components.h"
#include "isodata/element_table.h"

#include <cmath>

namespace mv {

namespace {

constexpr Extended kScaleUnit = 0x1p8192L;     // 2^8192
constexpr Extended kScaleUnitInv = 0x1p-8192L;
constexpr int kScaleBits = 8192;

using Layout = SlotLayout;

Layout makeLayout(const CalcWorkspace& ws, int32_t n) { return makeSlotLayout(ws, n); }

// Largest j ≤ limit with v[j] > 0, or -1.
inline int32_t lastNonZero(const int32_t* v, int32_t limit) {
    for (int32_t j = limit; j >= 0; --j)
        if (v[j] > 0) return j;
    return -1;
}

inline void normalise(SplitWeight& w) {
    if (w.mantissa > kScaleUnit) {
        w.mantissa *= kScaleUnitInv;
        ++w.scale;
    } else if (w.mantissa < kScaleUnitInv && w.mantissa > 0) {
        w.mantissa *= kScaleUnit;
        --w.scale;
    }
}

inline void multiply(SplitWeight& w, const SplitWeight& by) {
    w.mantissa = w.mantissa * by.mantissa;
    w.scale += by.scale;
    normalise(w);
}

// C(a, b) as the product over c = 0..b−1 of ((a − c) / (c + 1)), kept within range by the scale.
SplitWeight binomial(int32_t a, int32_t b) {
    SplitWeight w;
    for (int32_t c = 0; c < b; ++c) {
        const Extended ratio = static_cast<Extended>(a - c) / static_cast<Extended>(c + 1);
        w.mantissa = w.mantissa * ratio;
        normalise(w);
    }
    return w;
}

// The published copy of totalFA is refreshed every this many species and at every level end.
constexpr int32_t kPublishInterval = 4096;

struct PassState {
    Layout lay;
    Extended* peak = nullptr;      // peakFA from the slot offset on
    int32_t slotCount = 0;         // slots available to this pass from the offset
    int32_t maxPrecursorPeak = 0;  // Product: clamped to the triangle that fits
    int32_t carry = 0;             // c of the successor
    int32_t publishCountdown = kPublishInterval;
    const IonDefinition* role = nullptr;
};

inline void publishTotal(CalcWorkspace& ws) {
    ws.publishedTotalFA.store(static_cast<double>(ws.totalFA), std::memory_order_relaxed);
}

inline void countForPublish(CalcWorkspace& ws, PassState& st) {
    if (--st.publishCountdown == 0) {
        st.publishCountdown = kPublishInterval;
        publishTotal(ws);
    }
}

// Lightest-isotope counts of the positions from `from` on; the earlier ones are unchanged.
void computeLightCounts(CalcWorkspace& ws, const Layout& lay, int32_t from) {
    for (int32_t i = from; i < lay.n; ++i) {
        int32_t heavy = 0;
        for (int32_t h = lay.firstSlot[i]; h < lay.firstSlot[i + 1]; ++h) heavy += ws.heavyCount[h];
        ws.lightCount[i] = ws.posAtoms[i] - heavy;
    }
}

// First position whose heavy slots in v hold more atoms than caps allows, or -1.
int32_t firstOverfullPosition(const Layout& lay, const int32_t* caps, const int32_t* v) {
    for (int32_t i = 0; i < lay.n; ++i) {
        int32_t heavy = 0;
        for (int32_t h = lay.firstSlot[i]; h < lay.firstSlot[i + 1]; ++h) heavy += v[h];
        if (heavy > caps[i]) return i;
    }
    return -1;
}

// updateProbability for a species whose slots before fromSlot equal those of the previous one:
// positions and slots that did not change contribute no factor, so they are not visited. The
// factors come in the order of the full walk: lightest counts by position, then heavy slots.
Extended updateProbabilityFrom(CalcWorkspace& ws, const Layout& lay, Extended p, int32_t fromSlot) {
    const int32_t fromPosition = lay.slotPosition[fromSlot];
    for (int32_t i = fromPosition; i < lay.n; ++i) {
        int32_t& prev = ws.prevLightCount[i];
        const int32_t cur = ws.lightCount[i];
        if (cur == prev) continue;
        const Extended a0 = ws.isoAbund[lay.firstSlot[i] + i];
        if (cur < prev) {
            for (int32_t m = prev - cur; m > 0; --m) {
                p = p * (static_cast<Extended>(prev) / a0);
                --prev;
            }
        } else {
            int32_t f = cur;
            for (int32_t m = cur - prev; m > 0; --m) {
                p = p * (a0 / static_cast<Extended>(f));
                --f;
            }
            prev = cur;
        }
    }
    int32_t shift = ws.speciesShift;
    for (int32_t h = fromSlot; h < lay.k; ++h) {
        int32_t& prev = ws.prevHeavyCount[h];
        const int32_t cur = ws.heavyCount[h];
        if (cur == prev) continue;
        const Extended a = ws.isoAbund[h + lay.slotPosition[h] + 1];
        if (cur < prev) {
            for (int32_t m = prev - cur; m > 0; --m) {
                p = p * (static_cast<Extended>(prev) / a);
                --prev;
                shift -= ws.heavyDelta[h];
            }
        } else {
            int32_t f = cur;
            for (int32_t m = cur - prev; m > 0; --m) {
                p = p * (a / static_cast<Extended>(f));
                --f;
                shift += ws.heavyDelta[h];
            }
            prev = cur;
        }
    }
    ws.speciesShift = shift;
    return p;
}

// Next valid species of the level; the light counts are brought up to date, the probability is
// left to the caller.
bool nextSpecies(CalcWorkspace& ws, PassState& st, int32_t& changedFrom) {
    if (!nextSpeciesVector(st.lay, ws.posAtoms, ws.heavyCount, st.carry, changedFrom)) return false;
    computeLightCounts(ws, st.lay, st.lay.slotPosition[changedFrom]);
    return true;
}

// First slot h such that every split sharing v[0..h] is inadmissible, or -1 when v is admissible:
// the part may take no more of a slot than the parent holds, no more heavy atoms of an element than
// it has atoms of it, and no more lightest atoms than the parent has.
int32_t firstInvalidSplitSlot(const Layout& lay, const int32_t* parent, const int32_t* parentAtoms,
                              const int32_t* partAtoms, const int32_t* v) {
    for (int32_t i = 0; i < lay.n; ++i) {
        int32_t parentHeavy = 0;
        int32_t partHeavy = 0;
        const int32_t end = lay.firstSlot[i + 1];
        for (int32_t h = lay.firstSlot[i]; h < end; ++h) {
            parentHeavy += parent[h];
            partHeavy += v[h];
            if (v[h] > parent[h] || partHeavy > partAtoms[i]) return h;
        }
        if (end > lay.firstSlot[i] && partAtoms[i] - partHeavy > parentAtoms[i] - parentHeavy) return end - 1;
    }
    return -1;
}

// One successor step on v: the next vector of the level, or the first of the next lower level.
// False when every level is done.
bool stepSplitVector(const Layout& lay, int32_t* v, int32_t* levelStart) {
    const int32_t k = lay.k;
    if (v[k - 1] == 0) {
        const int32_t j = lastNonZero(v, k - 2);
        if (j >= 0) {
            --v[j];
            ++v[j + 1];
            return true;
        }
    } else {
        const int32_t c = v[k - 1];
        v[k - 1] = 0;
        const int32_t j = lastNonZero(v, k - 2);
        if (j >= 0) {
            --v[j];
            v[j + 1] += c + 1;
            return true;
        }
    }
    // The level is exhausted: start the next lower one.
    const int32_t j = lastNonZero(levelStart, k - 1);
    if (j < 0) return false;
    --levelStart[j];
    for (int32_t h = 0; h < k; ++h) v[h] = levelStart[h];
    return true;
}

bool nextLossVector(CalcWorkspace& ws, PassState& st) {
    return nextSplitVector(st.lay, ws.heavyCount, ws.posAtoms, ws.posAtoms2, ws.lossHeavyCount, ws.lossLevelStart);
}

// The species loop of one level of a Regular, Precursor or NeutralLoss pass, from the level's
// first species (speciesFA) on. The running sums are kept in locals and written back at the end.
void regularLevel(CalcWorkspace& ws, PassState& st) {
    Extended p = ws.speciesFA;
    Extended total = ws.totalFA;
    Extended stored = ws.storedFA;
    Extended* const peak = st.peak;
    const int32_t slots = st.slotCount;
    const IonDefinition& role = *st.role;
    int32_t countdown = st.publishCountdown;
    for (;;) {
        const int32_t s = ws.speciesShift;
        if (s < slots) {
            peak[s] += p;
            stored += p;
        }
        if (s > slots - 1) ws.beyondSlotsCount = 1;
        total += p;
        if (--countdown == 0) {
            countdown = kPublishInterval;
            ws.publishedTotalFA.store(static_cast<double>(total), std::memory_order_relaxed);
        }
        if (ws.listComponents) {
            ws.speciesFA = p;
            recordComponent(ws, st.lay.n, role.monoElemCount, role.monoMass, role.monoElem, role.monoCount,
                            ws.posAtoms);
        }
        int32_t changedFrom;
        if (!nextSpecies(ws, st, changedFrom)) break;
        p = updateProbabilityFrom(ws, st.lay, p, changedFrom);
    }
    ws.speciesFA = p;
    ws.totalFA = total;
    ws.storedFA = stored;
    st.publishCountdown = countdown;
}

void accumulateProduct(CalcWorkspace& ws, PassState& st) {
    const Extended p = ws.speciesFA;
    ws.totalFA += p;
    countForPublish(ws, st);
    const int32_t s = ws.speciesShift;
    const int32_t maxPeak = st.maxPrecursorPeak;
    if (s > maxPeak) return;
    ws.storedFA += p;

    // First loss vector: greedy, slot by slot.
    const Layout& lay = st.lay;
    for (int32_t i = 0; i < lay.n; ++i) {
        int32_t r = ws.posAtoms2[i];
        for (int32_t h = lay.firstSlot[i]; h < lay.firstSlot[i + 1]; ++h) {
            if (ws.heavyCount[h] <= r) {
                ws.lossHeavyCount[h] = ws.lossLevelStart[h] = ws.heavyCount[h];
                r -= ws.heavyCount[h];
            } else {
                ws.lossHeavyCount[h] = ws.lossLevelStart[h] = r;
                r = 0;
            }
        }
    }
    for (int32_t j = 0; j <= maxPeak; ++j) ws.lossWeight[j] = 0;

    // Weights are accumulated relative to 2^(8192 × reference), the scale of the first vector's
    // weight; all weights of one species lie within a factor of about 2^600 of each other, so the
    // relative values stay well inside the extended range. Within range the reference is 0.
    bool first = true;
    int32_t reference = 0;
    for (;;) {
        const SplitWeight w = lossSplitWeight(ws, lay.n);
        if (first) {
            reference = w.scale;
            first = false;
        }
        const Extended value = w.scale == reference
                                   ? w.mantissa
                                   : std::ldexp(w.mantissa, kScaleBits * (w.scale - reference));
        if (ws.lossShift >= 0 && ws.lossShift <= maxPeak) ws.lossWeight[ws.lossShift] += value;
        if (!nextLossVector(ws, st)) break;
    }

    Extended sum = 0;
    for (int32_t j = 0; j <= maxPeak; ++j) sum += ws.lossWeight[j];
    ws.lossWeightSum = sum;
    if (!(sum > 0)) return;  // cannot happen for a loss that is part of the precursor
    const int32_t rowStart = s * (s + 1) / 2;
    for (int32_t j = s; j >= 0; --j) {
        const int32_t q = s - j;
        st.peak[rowStart + q] += (ws.lossWeight[j] / ws.lossWeightSum) * p;
    }
}

// Checks what the parameter checks guarantee, so that a bad call cannot run off the arrays.
bool compositionWithinLimits(const Composition& comp) {
    int64_t total = 0;
    for (int e = 0; e < kElementCount; ++e) {
        if (comp.count[e] > kMaxAtomsPerElement) return false;
        if (elementTable().heavyIsotopeCount[e] > 0) total += comp.count[e];
    }
    return total <= kMaxPolyAtoms;
}

int32_t countPolyElements(const Composition& comp) {
    int32_t n = 0;
    for (int e = 0; e < kElementCount; ++e)
        if (comp.count[e] > 0 && elementTable().heavyIsotopeCount[e] > 0) ++n;
    return n;
}

}  // namespace

SlotLayout makeSlotLayout(const CalcWorkspace& ws, int32_t positionCount) {
    SlotLayout lay;
    lay.n = positionCount;
    int32_t k = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        lay.firstSlot[i] = k;
        for (int32_t h = 0; h < ws.posHeavyCount[i]; ++h) lay.slotPosition[k + h] = i;
        k += ws.posHeavyCount[i];
    }
    lay.firstSlot[positionCount] = k;
    lay.k = k;
    return lay;
}

bool nextSpeciesVector(const SlotLayout& lay, const int32_t* caps, int32_t* v, int32_t& carry, int32_t& changedFrom) {
    const int32_t k = lay.k;
    const int32_t lastFirst = lay.firstSlot[lay.n - 1];
    int32_t lowest;
    if (v[k - 1] == 0) {
        const int32_t j = lastNonZero(v, k - 2);
        if (j < 0) return false;  // only the all-zero vector; never reached from level 1 on
        --v[j];
        ++v[j + 1];
        lowest = j;
    } else {
        carry = v[k - 1];
        v[k - 1] = 0;
        lowest = k - 1;
        for (;;) {
            const int32_t j = lastNonZero(v, k - 2);
            if (j < 0) return false;
            --v[j];
            v[j + 1] += carry + 1;
            carry = 0;
            if (j < lowest) lowest = j;
            bool moved = false;
            while (firstOverfullPosition(lay, caps, v) >= 0) {
                int32_t u = 0;
                for (int32_t h = lastFirst; h < k; ++h) u += v[h];
                if (u == 0) {
                    const int32_t jj = lastNonZero(v, k - 2);
                    --v[jj];
                    ++v[jj + 1];
                    if (jj < lowest) lowest = jj;
                    continue;
                }
                carry = u;
                for (int32_t h = lastFirst; h < k; ++h) v[h] = 0;
                if (lastFirst < lowest) lowest = lastFirst;
                moved = true;
                break;
            }
            if (!moved) break;
        }
    }
    changedFrom = lowest;
    return true;
}

// The vectors are those of the plain successor walk with the inadmissible ones left out; a vector
// inadmissible by its prefix up to slot h jumps to the last vector sharing that prefix, so long runs
// of inadmissible vectors cost one step.
bool nextSplitVector(const SlotLayout& lay, const int32_t* parent, const int32_t* parentAtoms,
                     const int32_t* partAtoms, int32_t* v, int32_t* levelStart) {
    const int32_t k = lay.k;
    for (;;) {
        if (!stepSplitVector(lay, v, levelStart)) return false;
        const int32_t h = firstInvalidSplitSlot(lay, parent, parentAtoms, partAtoms, v);
        if (h < 0) return true;
        if (h < k - 1) {
            int32_t rest = 0;
            for (int32_t s = h + 1; s < k; ++s) {
                rest += v[s];
                v[s] = 0;
            }
            v[k - 1] = rest;
        }
    }
}

int32_t prepareElements(CalcWorkspace& ws, int32_t positionCount, Composition& comp, const Composition* second) {
    const ElementTable& table = elementTable();
    const bool tandem = ws.scanType > static_cast<int>(ScanType::NeutralLoss);
    const bool msn = ws.scanType == static_cast<int>(ScanType::MSn);
    int32_t slot = 0;
    int32_t entry = 0;
    int32_t placed = 0;
    for (int32_t i = 0; i < positionCount && i < kMaxPositions; ++i) {
        int best = -1;
        float bestKey = 0.0f;
        for (int e = 0; e < kElementCount; ++e) {
            if (comp.count[e] == 0 || table.heavyIsotopeCount[e] <= 0) continue;
            const float a0 = static_cast<float>(table.abundance[table.firstAbundance[e]]);
            const float key = static_cast<float>((1.0 - static_cast<double>(a0)) * static_cast<double>(comp.count[e]));
            if (key > bestKey) {
                bestKey = key;
                best = e;
            }
        }
        if (best < 0) {
            // A user element whose heavy abundances round away in single precision has key 0; it
            // still needs a position. Equal keys go to the lower element index.
            for (int e = 0; e < kElementCount && best < 0; ++e)
                if (comp.count[e] > 0 && table.heavyIsotopeCount[e] > 0) best = e;
        }
        if (best < 0) break;
        const int32_t heavy = table.heavyIsotopeCount[best];
        if (slot + heavy > kMaxHeavySlots) break;

        ws.posAtoms[i] = static_cast<int32_t>(comp.count[best]);
        ws.posElem[i] = best;
        if (tandem) {
            ws.posAtoms2[i] = second ? static_cast<int32_t>(second->count[best]) : 0;
            ws.posProduct1Atoms[i] = static_cast<int32_t>(ws.product.comp.count[best]);
        }
        if (msn && ws.msSteps > 2) {
            ws.posLoss2Atoms[i] = static_cast<int32_t>(ws.loss2.comp.count[best]);
            ws.posProduct2Atoms[i] = static_cast<int32_t>(ws.product2.comp.count[best]);
            if (ws.msSteps > 3) {
                ws.posLoss3Atoms[i] = static_cast<int32_t>(ws.loss3.comp.count[best]);
                ws.posProduct3Atoms[i] = static_cast<int32_t>(ws.product3.comp.count[best]);
            }
        }
        ws.posHeavyCount[i] = heavy;
        const int32_t firstHeavy = table.firstHeavy[best];
        for (int32_t h = 0; h < heavy; ++h) ws.heavyDelta[slot + h] = table.heavyDeltaA[firstHeavy + h];
        if (ws.listComponents) {
            ws.isoMass[entry] = table.lightMass[best];
            for (int32_t h = 0; h < heavy; ++h) ws.isoMass[entry + 1 + h] = table.heavyMass[firstHeavy + h];
        }
        const int32_t firstAbundance = table.firstAbundance[best];
        for (int32_t h = 0; h <= heavy; ++h) ws.isoAbund[entry + h] = table.abundance[firstAbundance + h];
        comp.count[best] = 0;
        slot += heavy;
        entry += heavy + 1;
        ++placed;
    }
    return placed;
}

Extended initialProbability(CalcWorkspace& ws, int32_t positionCount) {
    Extended p = 1.0L;
    ws.speciesShift = 0;
    int32_t h = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        const int32_t entry = h + i;  // lightest isotope of position i; slot h follows it
        const double a0 = ws.isoAbund[entry];
        const Extended a1 = ws.isoAbund[entry + 1];
        const int32_t k = ws.heavyCount[h];
        const int32_t n = ws.posAtoms[i];
        if (n - k > 0) p = p * extendedPower(a0, n - k);
        for (int32_t c = 0; c < k; ++c) {
            p = p * ((static_cast<Extended>(n - c) / static_cast<Extended>(c + 1)) * a1);
            ws.speciesShift += ws.heavyDelta[h];
        }
        h += ws.posHeavyCount[i];
    }
    return p;
}

Extended updateProbability(CalcWorkspace& ws, int32_t positionCount) {
    return updateProbabilityFrom(ws, makeLayout(ws, positionCount), ws.speciesFA, 0);
}

SplitWeight lossSplitWeight(CalcWorkspace& ws, int32_t positionCount) {
    ws.lossShift = 0;
    SplitWeight w;
    int32_t first = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        const int32_t end = first + ws.posHeavyCount[i];
        int32_t precursorHeavy = 0;
        int32_t lossHeavy = 0;
        for (int32_t h = first; h < end; ++h) {
            precursorHeavy += ws.heavyCount[h];
            lossHeavy += ws.lossHeavyCount[h];
        }
        const int32_t lp = ws.posAtoms[i] - precursorHeavy;
        const int32_t ll = ws.posAtoms2[i] - lossHeavy;
        SplitWeight d;
        bool firstHeavySlot = true;
        for (int32_t h = first; h < end; ++h) {
            if (ws.posAtoms2[i] <= 0 || ws.heavyCount[h] <= 0) continue;
            if (firstHeavySlot) {
                firstHeavySlot = false;
                if (lp > 0 && ll > 0) multiply(d, binomial(lp, ll));
            }
            if (ws.lossHeavyCount[h] > 0) {
                multiply(d, binomial(ws.heavyCount[h], ws.lossHeavyCount[h]));
                ws.lossShift += ws.heavyDelta[h] * ws.lossHeavyCount[h];
            }
        }
        multiply(w, d);
        first = end;
    }
    return w;
}

double runClusterPass(CalcWorkspace& ws, const IonDefinition& role, const Composition* second, int32_t slotOffset) {
    const bool product = ws.scanType == static_cast<int>(ScanType::Product);
    ws.cancelFlag = false;
    ws.beyondSlotsCount = 0;
    ws.levelsDone = 0;
    if (ws.listComponents) clearComponentRows(ws);

    ws.speciesFA = ws.totalFA = ws.storedFA = 0;
    ws.publishedTotalFA.store(0.0, std::memory_order_relaxed);

    // What the checks guarantee, enforced here too: never index outside the fixed arrays. A refused
    // pass stores nothing and returns 0.
    const int32_t wanted = countPolyElements(role.comp);
    if (wanted < 1 || wanted > kMaxPositions || !compositionWithinLimits(role.comp) || slotOffset < 0 ||
        slotOffset >= kPeakSlotCount)
        return 0.0;
    if (product && second) {
        for (int e = 0; e < kElementCount; ++e)
            if (second->count[e] > role.comp.count[e]) return 0.0;  // the loss must be part of the precursor
    }

    // The pass works on a copy, so the role keeps its composition for the listing and later passes.
    Composition comp = role.comp;
    PassState st;
    st.role = &role;
    const int32_t n = prepareElements(ws, wanted, comp, second);
    if (n != wanted) return 0.0;  // more than 88 heavy slots
    st.lay = makeLayout(ws, n);
    const int32_t k = st.lay.k;
    int32_t atomTotal = 0;
    for (int32_t i = 0; i < n; ++i) atomTotal += ws.posAtoms[i];

    st.peak = &ws.peakFA[slotOffset];
    st.slotCount = ws.peakSlotCount;
    if (st.slotCount > kPeakSlotCount - slotOffset) st.slotCount = kPeakSlotCount - slotOffset;
    if (st.slotCount < 1) st.slotCount = 1;
    st.maxPrecursorPeak = ws.maxPrecursorPeak;
    if (st.maxPrecursorPeak < 0) st.maxPrecursorPeak = 0;
    if (st.maxPrecursorPeak > kMaxMaxPrecursorPeak) st.maxPrecursorPeak = kMaxMaxPrecursorPeak;
    // The triangle of rows 0..maxPrecursorPeak must fit the slots from the offset on.
    while (product && st.maxPrecursorPeak > 0 &&
           (st.maxPrecursorPeak + 1) * (st.maxPrecursorPeak + 2) / 2 > kPeakSlotCount - slotOffset)
        --st.maxPrecursorPeak;

    int32_t t = 1;
    {
        ExtendedPrecisionScope precision;

        for (int32_t h = 0; h < k; ++h) ws.heavyCount[h] = 0;
        Extended p = initialProbability(ws, n);
        ws.totalFA = p;
        st.peak[0] = p;
        ws.speciesFA = ws.storedFA = p;
        publishTotal(ws);
        for (int32_t i = 0; i < n; ++i) ws.lightCount[i] = ws.posAtoms[i];
        if (ws.listComponents)
            recordComponent(ws, n, role.monoElemCount, role.monoMass, role.monoElem, role.monoCount, ws.posAtoms);

        // A level above the atom total has no species; with a stop value the totals never exceed,
        // the pass would otherwise run on into it.
        int32_t levelLimit;
        if (product) {
            levelLimit = st.maxPrecursorPeak < atomTotal ? st.maxPrecursorPeak : atomTotal;
        } else {
            levelLimit = atomTotal < st.slotCount ? atomTotal : st.slotCount;
        }

        while (t <= levelLimit) {
            for (int32_t h = 0; h < k; ++h) ws.heavyCount[h] = ws.prevHeavyCount[h] = 0;
            ws.cancelFlag = ws.cancelRequest.load(std::memory_order_relaxed);
            if (ws.cancelFlag) break;
            for (int32_t i = 0; i < n; ++i) ws.prevLightCount[i] = ws.posAtoms[i];
            int32_t r = t;
            for (int32_t i = 0; i < n; ++i) {
                const int32_t h = st.lay.firstSlot[i];
                if (r < ws.posAtoms[i]) {
                    ws.heavyCount[h] = ws.prevHeavyCount[h] = r;
                    ws.prevLightCount[i] -= r;
                } else {
                    ws.heavyCount[h] = ws.prevHeavyCount[h] = ws.posAtoms[i];
                    ws.prevLightCount[i] = 0;
                }
                r -= ws.posAtoms[i];
                if (r <= 0) break;
            }
            for (int32_t i = 0; i < n; ++i) ws.lightCount[i] = ws.prevLightCount[i];
            st.carry = 0;
            p = initialProbability(ws, n);
            ws.speciesFA = p;

            if (product) {
                for (;;) {
                    accumulateProduct(ws, st);
                    int32_t changedFrom;
                    if (!nextSpecies(ws, st, changedFrom)) break;
                    ws.speciesFA = updateProbabilityFrom(ws, st.lay, ws.speciesFA, changedFrom);
                }
            } else {
                regularLevel(ws, st);
            }

            publishTotal(ws);
            t += 1;
            if (static_cast<double>(ws.totalFA) > ws.stopFA) break;
        }
        publishTotal(ws);
    }

    ws.levelsDone = t - 1;
    const double result = static_cast<double>(ws.storedFA);
    if (ws.listComponents) finishComponentLists(ws);
    return result;
}

}  // namespace mv
