#include "isodata/formula.h"

#include <cstdint>

namespace mv {

namespace {

const char* const kTooManyAtoms = "Maximum number of atoms of an element (65500) exceeded.";

bool isCapital(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

ParseResult formulaError(Prompter& prompter) {
    return prompter.retryCancel("Formula Entry Error") ? ParseResult::Retry : ParseResult::Failed;
}

}  // namespace

ParseResult parseFormula(const std::string& text, Composition& comp, Prompter& prompter) {
    comp = Composition{};
    const size_t n = text.size();
    size_t p = 0;
    do {
        if (p >= n || !isCapital(text[p])) return formulaError(prompter);
        const size_t symbolLength = p + 1 < n && isLower(text[p + 1]) ? 2 : 1;
        const auto element = elementIndex(std::string_view(text).substr(p, symbolLength));
        if (!element) return formulaError(prompter);
        p += symbolLength;

        uint32_t count = 1;
        if (p < n && isDigit(text[p])) {
            // Any number of digits: the value stops growing once it is past the limit, so a long
            // run is refused as too many atoms instead of wrapping around to an accepted count.
            count = 0;
            for (; p < n && isDigit(text[p]); ++p)
                if (count <= kMaxAtomsPerElement) count = count * 10 + static_cast<uint32_t>(text[p] - '0');
            if (count > kMaxAtomsPerElement) {
                prompter.message(kTooManyAtoms);
                return ParseResult::Failed;
            }
        }
        comp.count[*element] += count;
        if (comp.count[*element] > kMaxAtomsPerElement) {
            prompter.message(kTooManyAtoms);
            return ParseResult::Failed;
        }
    } while (p < n);
    return ParseResult::Parsed;
}

double checkComposition(Composition& comp, int charge, double electronMass, ScanType scanType,
                        IonDefinition& ion, int32_t& lastPolyAtomTotal, Prompter& prompter) {
    const ElementTable& table = elementTable();
    long double massSum = 0;
    long double monoSum = 0;
    int64_t polyAtoms = 0;
    int64_t heavyIsotopes = 0;
    int32_t polyElements = 0;
    int32_t monoElements = 0;
    int32_t monoElem[kMaxMonoElements] = {};
    int32_t monoCount[kMaxMonoElements] = {};

    for (int e = 0; e < kElementCount; ++e) {
        const uint32_t count = comp.count[e];
        if (count == 0) continue;
        massSum += static_cast<long double>(count) * table.lightMass[e];
        if (table.heavyIsotopeCount[e] > 0) {
            polyAtoms += count;
            heavyIsotopes += table.heavyIsotopeCount[e];
            ++polyElements;
        } else {
            // 22 natural plus 6 user elements: the list cannot fill up.
            if (monoElements < kMaxMonoElements) {
                monoElem[monoElements] = e;
                monoCount[monoElements] = static_cast<int32_t>(count);
                ++monoElements;
            }
            monoSum += static_cast<long double>(count) * table.lightMass[e];
            if (scanType == ScanType::Regular) comp.count[e] = 0;
        }
    }

    const long double c = static_cast<long double>(charge) * electronMass;
    if (polyAtoms > kMaxPolyAtoms) {
        prompter.message("Total number of polyisotopic atoms cannot exceed 131000.");
        return 0;
    }
    lastPolyAtomTotal = static_cast<int32_t>(polyAtoms);
    if (heavyIsotopes > kMaxHeavyIsotopes) {
        prompter.message("The number of heavy isotopes (88) has been exceeded.");
        return 0;
    }
    if (polyElements > kMaxPolyElements) {
        prompter.message("The number of polyisotopic elements cannot exceed 18.");
        return 0;
    }
    if (polyElements == 0) {
        prompter.message("The ion must contain at least one polyisotopic element.");
        return 0;
    }

    ion.polyElemCount = polyElements;
    ion.polyAtomTotal = static_cast<int32_t>(polyAtoms);
    ion.monoElemCount = monoElements;
    for (int i = 0; i < kMaxMonoElements; ++i) {
        ion.monoElem[i] = monoElem[i];
        ion.monoCount[i] = monoCount[i];
    }
    ion.monoMass = static_cast<double>(monoSum - c);
    return static_cast<double>(massSum - c);
}

std::string formatComposition(const Composition& comp) {
    constexpr size_t kMaxChars = kFormulaTextSize - 1;
    constexpr std::string_view kCut = "...";
    std::string text;
    for (int e = 0; e < kElementCount; ++e) {
        if (comp.count[e] == 0) continue;
        std::string group = ElementTable::symbol(e);
        if (comp.count[e] >= 2) group += std::to_string(comp.count[e]);
        if (text.size() + group.size() > kMaxChars) {
            // Only a whole group may show, and the cut must show too: drop groups until the
            // marker fits.
            while (text.size() + kCut.size() > kMaxChars) {
                size_t start = text.size();
                while (start > 0 && !isCapital(text[start - 1])) --start;
                text.resize(start > 0 ? start - 1 : 0);
            }
            text += kCut;
            break;
        }
        text += group;
    }
    return text;
}

}  // namespace mv
