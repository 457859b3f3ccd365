// The formula parser with the composition checks of every scan type and the formula text.
// Input: one byte choosing the scan type, four bytes of charge, then the formula text.

#include "fuzz/fuzz_check.h"
#include "isodata/element_table.h"
#include "isodata/formula.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const auto scan = static_cast<ScanType>(data[0] % 5);
    int32_t charge = 0;
    std::memcpy(&charge, data + 1, sizeof charge);
    if (charge == 0) charge = 1;  // zero is refused before any formula is read
    const std::string text(reinterpret_cast<const char*>(data + 5), size - 5);

    fuzz::CountingPrompter prompter;
    Composition comp;
    const ParseResult parsed = parseFormula(text, comp, prompter);
    // A refusal shows exactly one message; an accepted formula shows none.
    FUZZ_CHECK(prompter.shown == (parsed == ParseResult::Parsed ? 0 : 1));
    FUZZ_CHECK(parsed != ParseResult::Retry);  // nobody answered Retry
    if (parsed != ParseResult::Parsed) return 0;

    uint64_t atoms = 0;
    for (uint32_t c : comp.count) {
        FUZZ_CHECK(c <= kMaxAtomsPerElement);
        atoms += c;
    }
    // Every atom comes from at least one character of the text.
    FUZZ_CHECK(atoms <= text.size() * static_cast<uint64_t>(kMaxAtomsPerElement));

    // The formula text is bounded, and reads back as the same composition unless it was cut.
    const std::string formatted = formatComposition(comp);
    FUZZ_CHECK(formatted.size() <= static_cast<size_t>(kFormulaTextSize - 1));
    if (formatted.find("...") == std::string::npos && !formatted.empty()) {
        Composition again;
        fuzz::CountingPrompter quiet;
        FUZZ_CHECK(parseFormula(formatted, again, quiet) == ParseResult::Parsed);
        FUZZ_CHECK(std::memcmp(again.count, comp.count, sizeof comp.count) == 0);
    } else if (formatted.empty()) {
        FUZZ_CHECK(atoms == 0);
    }

    const Composition before = comp;
    IonDefinition ion;
    int32_t lastPoly = -1;
    const double massA0 = checkComposition(comp, charge, kElectronMass, scan, ion, lastPoly, prompter);
    if (massA0 == 0) {
        FUZZ_CHECK(prompter.shown == 1);
        return 0;
    }
    FUZZ_CHECK(prompter.shown == 0);
    FUZZ_CHECK(std::isfinite(massA0));
    FUZZ_CHECK(ion.polyElemCount >= 1 && ion.polyElemCount <= kMaxPolyElements);
    FUZZ_CHECK(ion.polyAtomTotal >= 1 && ion.polyAtomTotal <= kMaxPolyAtoms);
    FUZZ_CHECK(lastPoly == ion.polyAtomTotal);
    FUZZ_CHECK(ion.monoElemCount >= 0 && ion.monoElemCount <= kMaxMonoElements);
    FUZZ_CHECK(std::isfinite(ion.monoMass));

    // Only a Regular scan drops the monoisotopic counts; the polyisotopic ones never change.
    const ElementTable& table = elementTable();
    int heavy = 0;
    int32_t polyAtoms = 0;
    for (int e = 0; e < kElementCount; ++e) {
        const bool poly = table.heavyIsotopeCount[e] > 0;
        if (poly && before.count[e] > 0) {
            heavy += table.heavyIsotopeCount[e];
            polyAtoms += static_cast<int32_t>(before.count[e]);
        }
        const uint32_t expected = !poly && scan == ScanType::Regular ? 0 : before.count[e];
        FUZZ_CHECK(comp.count[e] == expected);
    }
    FUZZ_CHECK(heavy <= kMaxHeavyIsotopes);
    FUZZ_CHECK(polyAtoms == ion.polyAtomTotal);
    return 0;
}
