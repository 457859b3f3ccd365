#include "engine/components.h"

#include "isodata/element_table.h"

#include <cstring>

namespace mv {

namespace {

// Appends into a fixed buffer; remembers when the text no longer fits.
struct TextSink {
    char* out;
    int32_t size;
    int32_t length = 0;
    bool overflow = false;

    void put(char c) {
        if (length + 1 >= size) {
            overflow = true;
            return;
        }
        out[length++] = c;
    }
    void putNumber(int64_t value) {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        uint64_t v = negative ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (negative) put('-');
        while (n > 0) put(digits[--n]);
    }
};

// One group: "(A Sym)" or "(A Sym)count", the mass number left out for monoisotopic elements.
void putGroup(TextSink& sink, FormulaText& stats, int element, int64_t massNumber, bool withMass, int32_t count) {
    const char* symbols = ElementTable::symbols;
    sink.put('(');
    if (withMass) sink.putNumber(massNumber);
    sink.put(symbols[2 * element]);
    int32_t symbolChars = 1;
    if (symbols[2 * element + 1] != ' ') {
        sink.put(symbols[2 * element + 1]);
        symbolChars = 2;
    }
    sink.put(')');
    if (count != 1) sink.putNumber(count);
    stats.groups += 1;
    stats.symbolChars += symbolChars;
}

}  // namespace

void clearComponentRows(CalcWorkspace& ws) {
    ws.compFormulaTooLong = 0;
    ws.compSymbolChars = 0;
    ws.compDigitChars = 0;
    for (int32_t r = 0; r < kMaxListedRows; ++r) ws.peakCompCount[r] = 0;
}

FormulaText buildComponentFormula(const CalcWorkspace& ws, int32_t positionCount, const int32_t* heavyCount,
                                  const int32_t* lightCount, int32_t monoElemCount, const int32_t* monoElem,
                                  const int32_t* monoCount, char* out, int32_t outSize) {
    FormulaText stats;
    if (outSize < 1) {
        stats.length = -1;
        return stats;
    }
    const ElementTable& table = elementTable();
    TextSink sink{out, outSize};

    // First heavy slot of each position.
    int32_t firstSlot[kMaxPositions + 1];
    int32_t slot = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        firstSlot[i] = slot;
        slot += ws.posHeavyCount[i];
    }

    bool positionDone[kMaxPositions] = {};
    bool monoDone[kMaxMonoElements] = {};
    const int32_t groupsToWrite = positionCount + monoElemCount;
    for (int32_t written = 0; written < groupsToWrite; ++written) {
        // The smallest element index not yet written, from either list.
        int32_t bestPos = -1;
        int32_t bestMono = -1;
        int32_t bestElem = kElementCount;
        for (int32_t i = 0; i < positionCount; ++i)
            if (!positionDone[i] && ws.posElem[i] < bestElem) {
                bestElem = ws.posElem[i];
                bestPos = i;
            }
        for (int32_t m = 0; m < monoElemCount && m < kMaxMonoElements; ++m)
            if (!monoDone[m] && monoElem[m] >= 0 && monoElem[m] < bestElem) {
                bestElem = monoElem[m];
                bestPos = -1;
                bestMono = m;
            }
        if (bestPos >= 0) {
            positionDone[bestPos] = true;
            const int32_t a0 = table.nominalMass[bestElem];
            if (lightCount[bestPos] != 0) putGroup(sink, stats, bestElem, a0, true, lightCount[bestPos]);
            for (int32_t h = firstSlot[bestPos]; h < firstSlot[bestPos] + ws.posHeavyCount[bestPos]; ++h)
                if (heavyCount[h] != 0)
                    putGroup(sink, stats, bestElem, int64_t{a0} + ws.heavyDelta[h], true, heavyCount[h]);
        } else if (bestMono >= 0) {
            monoDone[bestMono] = true;
            putGroup(sink, stats, bestElem, 0, false, monoCount[bestMono]);
        } else {
            break;  // element indices outside the table; nothing sensible left to write
        }
    }
    out[sink.length] = '\0';
    stats.length = sink.overflow ? -1 : sink.length;
    return stats;
}

void recordComponent(CalcWorkspace& ws, int32_t positionCount, int32_t monoElemCount, double monoMass,
                     const int32_t* monoElem, const int32_t* monoCount, const int32_t* posAtoms) {
    if (!ws.listComponents) return;
    const int32_t s = ws.speciesShift;
    if (s < ws.firstListedPeak || s > ws.lastListedPeak) return;
    const int32_t rows = listedRowCount(ws);
    const int32_t r = s - ws.firstListedPeak;
    if (r >= rows) return;  // a listed range the tables cannot hold records nothing
    const double fa = static_cast<double>(ws.speciesFA);
    const int32_t base = r * ws.maxIonsPerPeak;

    int32_t entry;
    if (ws.peakCompCount[r] == ws.maxIonsPerPeak) {
        if (ws.peakCompMinFA[r] > fa) return;
        entry = ws.peakCompMinIndex[r];
    } else {
        entry = ws.peakCompCount[r];
    }

    // Lightest-isotope counts of this species from the ion's own atom counts.
    int32_t light[kMaxPositions];
    int32_t slot = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        int32_t heavy = 0;
        for (int32_t h = slot; h < slot + ws.posHeavyCount[i]; ++h) heavy += ws.heavyCount[h];
        light[i] = posAtoms[i] - heavy;
        slot += ws.posHeavyCount[i];
    }

    char text[kComponentTextSize];
    const FormulaText f = buildComponentFormula(ws, positionCount, ws.heavyCount, light, monoElemCount, monoElem,
                                                monoCount, text, kComponentTextSize);
    if (f.length < 0) {
        ws.compFormulaTooLong = 1;
        return;
    }
    std::memcpy(ws.compFormulas[base + entry], text, static_cast<size_t>(f.length) + 1);

    const int32_t y = f.symbolChars;
    const int32_t d = f.length - 2 * f.groups - y;
    if (y > ws.compSymbolChars) {
        ws.compSymbolChars = y;
        ws.compDigitChars = d;
    } else if (y == ws.compSymbolChars && d > ws.compDigitChars) {
        ws.compDigitChars = d;
    }

    Extended m = monoMass;
    slot = 0;
    for (int32_t i = 0; i < positionCount; ++i) {
        const int32_t entryLight = slot + i;
        if (light[i] != 0) m += static_cast<Extended>(light[i]) * static_cast<Extended>(ws.isoMass[entryLight]);
        for (int32_t h = slot; h < slot + ws.posHeavyCount[i]; ++h)
            if (ws.heavyCount[h] != 0)
                m += static_cast<Extended>(ws.heavyCount[h]) * static_cast<Extended>(ws.isoMass[h + i + 1]);
        slot += ws.posHeavyCount[i];
    }
    ws.compMasses[base + entry] = static_cast<double>(m);
    ws.compFAs[base + entry] = fa;

    if (ws.peakCompCount[r] < ws.maxIonsPerPeak) ws.peakCompCount[r] += 1;
    const int32_t count = ws.peakCompCount[r];
    if (count == 1) {
        ws.peakCompMinIndex[r] = 0;
        ws.peakCompMinFA[r] = fa;
    } else {
        int32_t minIndex = 0;
        for (int32_t e = 1; e < count; ++e)
            if (ws.compFAs[base + e] < ws.compFAs[base + minIndex]) minIndex = e;
        ws.peakCompMinIndex[r] = minIndex;
        ws.peakCompMinFA[r] = ws.compFAs[base + minIndex];
    }
}

void finishComponentLists(CalcWorkspace& ws) {
    ws.compLowIntensityOmitted = 0;
    ws.compHighMassMissing = 0;
    const int32_t rows = listedRowCount(ws);
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t count = ws.peakCompCount[r];
        if (count <= 0) continue;
        if (count == ws.maxIonsPerPeak) ws.compLowIntensityOmitted = 1;
        if (r > ws.levelsDone) ws.compHighMassMissing = 1;
        const int32_t base = r * ws.maxIonsPerPeak;
        if (count == 1) {
            ws.peakCompTotalFA[r] = ws.peakCompMaxFA[r] = ws.compFAs[base];
            continue;
        }
        ws.peakCompTotalFA[r] = 0;
        ws.peakCompMaxFA[r] = 0;
        auto addToTotals = [&](int32_t e) {
            ws.peakCompTotalFA[r] += ws.compFAs[base + e];
            if (ws.compFAs[base + e] > ws.peakCompMaxFA[r]) ws.peakCompMaxFA[r] = ws.compFAs[base + e];
        };
        for (int32_t p = 0; p < count - 1; ++p) {
            int32_t smallest = p;
            for (int32_t e = p + 1; e < count; ++e)
                if (ws.compMasses[base + e] < ws.compMasses[base + smallest]) smallest = e;
            if (smallest != p) {
                const int32_t a = base + p;
                const int32_t b = base + smallest;
                const double mass = ws.compMasses[a];
                ws.compMasses[a] = ws.compMasses[b];
                ws.compMasses[b] = mass;
                const double fa = ws.compFAs[a];
                ws.compFAs[a] = ws.compFAs[b];
                ws.compFAs[b] = fa;
                char text[kComponentTextSize];
                std::memcpy(text, ws.compFormulas[a], kComponentTextSize);
                std::memcpy(ws.compFormulas[a], ws.compFormulas[b], kComponentTextSize);
                std::memcpy(ws.compFormulas[b], text, kComponentTextSize);
            }
            addToTotals(p);
        }
        addToTotals(count - 1);
    }
}

}  // namespace mv
