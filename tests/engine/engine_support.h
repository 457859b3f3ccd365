#pragma once

#include "engine/workspace.h"
#include "isodata/formula.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace mv::test {

// The role of an ion as the parameter checks build it: parsed, checked, composition copied in.
inline IonDefinition makeIon(const std::string& formula, ScanType scan = ScanType::Regular, int charge = 1) {
    ScriptedPrompter prompter;
    Composition comp;
    IonDefinition ion;
    EXPECT_EQ(parseFormula(formula, comp, prompter), ParseResult::Parsed) << formula;
    int32_t lastPolyAtomTotal = 0;
    const double mass = checkComposition(comp, charge, kElectronMass, scan, ion, lastPolyAtomTotal, prompter);
    EXPECT_GT(mass, 0.0) << formula;
    ion.comp = comp;
    ion.polyAtomTotal = lastPolyAtomTotal;
    return ion;
}

// The composition of a formula, unchecked (neutral losses are derived, not checked).
inline Composition makeComposition(const std::string& formula) {
    ScriptedPrompter prompter;
    Composition comp;
    EXPECT_EQ(parseFormula(formula, comp, prompter), ParseResult::Parsed) << formula;
    return comp;
}

// A fresh workspace per test; the engine works on whichever it is given.
inline std::unique_ptr<CalcWorkspace> freshWorkspace(ScanType scan = ScanType::Regular, double stopFA = 0.9999) {
    auto ws = std::make_unique<CalcWorkspace>();
    ws->scanType = static_cast<int32_t>(scan);
    ws->peakSlotCount = (scan == ScanType::Precursor || scan == ScanType::NeutralLoss) ? kHalfPeakSlotCount
                                                                                       : kPeakSlotCount;
    ws->stopFA = stopFA;
    return ws;
}

}  // namespace mv::test
