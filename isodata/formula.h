#pragma once

#include "base/prompter.h"
#include "base/scan_type.h"
#include "isodata/element_table.h"

#include <cstdint>
#include <string>

namespace mv {

constexpr uint32_t kMaxAtomsPerElement = 65500;
constexpr int kMaxPolyAtoms = 131000;
constexpr int kMaxHeavyIsotopes = 88;
constexpr int kMaxPolyElements = 18;
// Room for every monoisotopic natural element plus the six user elements defined without heavy
// isotopes.
constexpr int kMaxMonoElements = 28;
constexpr double kElectronMass = 0.000054858;
constexpr int kFormulaTextSize = 120;  // formula text buffers, terminating zero included

// Atom counts by element index.
struct Composition {
    uint32_t count[kElementCount] = {};
};

// One formula role of a calculation: its composition split into polyisotopic and monoisotopic parts.
struct IonDefinition {
    Composition comp;
    int32_t polyElemCount = 0;
    int32_t polyAtomTotal = 0;
    int32_t monoElemCount = 0;
    int32_t monoElem[kMaxMonoElements] = {};
    int32_t monoCount[kMaxMonoElements] = {};
    double monoMass = 0;
};

enum class ParseResult { Failed = 0, Parsed = 1, Retry = 2 };

// Reads a formula such as C6H12O6 into comp. Refusals are shown through the prompter.
ParseResult parseFormula(const std::string& text, Composition& comp, Prompter& prompter);

// Splits comp into its polyisotopic and monoisotopic parts, enforces the engine's limits and
// returns the [A+0] mass minus charge electrons; 0 after a refusal shown through the prompter.
// On success ion.comp is not touched (the caller copies the composition it wants); the other
// results go to ion. lastPolyAtomTotal receives the polyisotopic atom total once it is within
// limits. For a Regular scan the monoisotopic counts of comp are set to 0.
double checkComposition(Composition& comp, int charge, double electronMass, ScanType scanType,
                        IonDefinition& ion, int32_t& lastPolyAtomTotal, Prompter& prompter);

// The composition as plain formula text in element-table order: symbol, then the count when it
// is 2 or more. Never longer than kFormulaTextSize - 1 characters.
std::string formatComposition(const Composition& comp);

}  // namespace mv
