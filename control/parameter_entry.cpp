#include "control/parameter_entry.h"

#include "control/parameter_forms.h"
#include "isodata/element_table.h"

#include <algorithm>

namespace mv {

namespace {

const char* const kElementMismatch = "Element mismatch between product ion and precursor ion!";
const char* const kIndexSum = "The sum of the index numbers exceeds available memory storage!";
const char* const kProductIndexAbove = "Index numbers for products cannot be larger than those of precursors!";
const char* const kLastListedTooHigh = "Last individual component peak index exceeds the maximum allowable value!";
const char* const kProductChargeZero = "Product ion charge cannot be zero!";

// Builds the loss between parent and product element by element; false after a refusal.
bool buildLoss(const IonDefinition& parent, const IonDefinition& productIon, IonDefinition& loss, bool firstLoss,
               Prompter& prompter) {
    const ElementTable& table = elementTable();
    if (firstLoss) {
        loss.polyAtomTotal = parent.polyAtomTotal - productIon.polyAtomTotal;
        loss.monoElemCount = 0;
        loss.monoMass = 0;
    }
    int32_t polyLost = 0;
    for (int e = 0; e < kElementCount; ++e) {
        const uint32_t p = parent.comp.count[e];
        const uint32_t q = productIon.comp.count[e];
        if (p == 0 && q != 0) {
            prompter.message(kElementMismatch);
            return false;
        }
        if (q > p) {
            prompter.message("Product ion has more atoms of an element than Precursor!");
            return false;
        }
        const uint32_t d = p - q;
        uint32_t kept = 0;
        if (d != 0 && table.heavyIsotopeCount[e] > 0) {
            ++polyLost;
            kept = d;
        } else if (d != 0 && firstLoss && loss.monoElemCount < kMaxMonoElements) {
            loss.monoElem[loss.monoElemCount] = e;
            loss.monoCount[loss.monoElemCount] = static_cast<int32_t>(d);
            ++loss.monoElemCount;
            loss.monoMass += d * table.lightMass[e];
        }
        loss.comp.count[e] = kept;
    }
    loss.polyElemCount = polyLost;
    if (polyLost == 0) {
        prompter.message("(Neutral) Fragment must contain at least one polyisotopic element!");
        return false;
    }
    return true;
}

// Loss atom totals of the later generations are not carried by the checks; the MSn engine needs
// them, so they are counted here from the loss composition.
void countPolyAtoms(IonDefinition& role) {
    const ElementTable& table = elementTable();
    int64_t total = 0;
    for (int e = 0; e < kElementCount; ++e)
        if (table.heavyIsotopeCount[e] > 0) total += role.comp.count[e];
    role.polyAtomTotal = static_cast<int32_t>(total);
}

enum class Step { Yes, No, BackToDialog };

// Parses and checks one product generation into role; formulaText receives its text.
Step enterProduct(const std::string& formula, int charge, IonDefinition& role, std::string& formulaText,
                  CalcSession& s, CalcWorkspace& ws, Prompter& prompter, double& massA0,
                  const IonDefinition& parent, long long maxIndex, const char* indexMessage) {
    const ParseResult parsed = parseFormula(formula, role.comp, prompter);
    if (parsed == ParseResult::Failed) return Step::No;
    if (parsed == ParseResult::Retry) return Step::BackToDialog;
    formulaText = formatComposition(role.comp);
    if (indexMessage && maxIndex > largestPeakIndex(role.comp)) {
        prompter.message(indexMessage);
        return Step::No;
    }
    massA0 = checkComposition(role.comp, charge, s.electronMass, static_cast<ScanType>(ws.scanType), role,
                              ws.lastPolyAtomTotal, prompter);
    if (massA0 == 0) return Step::No;
    if (role.polyElemCount > parent.polyElemCount) {
        prompter.message(kElementMismatch);
        return Step::No;
    }
    role.polyAtomTotal = ws.lastPolyAtomTotal;
    return Step::Yes;
}

Step tandemOnce(CalcSession& s, CalcWorkspace& ws, Prompter& prompter) {
    const auto scan = static_cast<ScanType>(ws.scanType);
    Form form = tandemParameterForm(scan, s, ws);
    if (!prompter.runForm(form)) return Step::No;
    storeParameterForm(form, s, ws);

    if (s.product1Charge == 0) {
        prompter.message(kProductChargeZero);
        return Step::No;
    }
    const bool msn = scan == ScanType::MSn;
    Step step = enterProduct(s.product1Formula, s.product1Charge, ws.product, s.product1FormulaText, s, ws,
                             prompter, s.product1MassA0, ws.ion, ws.product1PeakIndex,
                             msn && ws.msSteps > 2 ? "2G precursor ion index number exceeds maximum possible value!"
                                                   : nullptr);
    if (step != Step::Yes) return step;
    if (!buildLoss(ws.ion, ws.product, ws.loss, true, prompter)) return Step::No;

    if (scan == ScanType::NeutralLoss && s.product1Charge != s.ionCharge) {
        prompter.message("For NL scans, Precursor and Product ions must have equal charges!");
        return Step::No;
    }
    if (msn && ws.msSteps == 2 && ws.precursorPeakIndex > 639) {
        prompter.message(kIndexSum);
        return Step::No;
    }
    if (msn && ws.msSteps > 2) {
        if (ws.product1PeakIndex > ws.precursorPeakIndex) {
            prompter.message(kProductIndexAbove);
            return Step::BackToDialog;
        }
        if (ws.precursorPeakIndex + ws.product1PeakIndex > 638) {
            prompter.message(kIndexSum);
            return Step::No;
        }
        if (ws.listComponentsOption &&
            (ws.lastListedPeak > ws.product1PeakIndex || (ws.msSteps == 4 && ws.lastListedPeak > ws.product2PeakIndex))) {
            prompter.message(kLastListedTooHigh);
            return Step::No;
        }
        if (s.product2Charge == 0) {
            prompter.message(kProductChargeZero);
            return Step::No;
        }
        step = enterProduct(s.product2Formula, s.product2Charge, ws.product2, s.product2FormulaText, s, ws, prompter,
                            s.product2MassA0, ws.product, ws.product2PeakIndex,
                            ws.msSteps == 4 ? "3G precursor ion index number exceeds maximum possible value!" : nullptr);
        if (step != Step::Yes) return step;
        if (!buildLoss(ws.product, ws.product2, ws.loss2, false, prompter)) return Step::No;
        countPolyAtoms(ws.loss2);

        if (ws.msSteps == 4) {
            if (ws.product2PeakIndex > ws.product1PeakIndex) {
                prompter.message(kProductIndexAbove);
                return Step::BackToDialog;
            }
            if (ws.precursorPeakIndex + ws.product1PeakIndex + ws.product2PeakIndex > 637) {
                prompter.message(kIndexSum);
                return Step::No;
            }
            if (s.product3Charge == 0) {
                prompter.message(kProductChargeZero);
                return Step::No;
            }
            step = enterProduct(s.product3Formula, s.product3Charge, ws.product3, s.product3FormulaText, s, ws,
                                prompter, s.product3MassA0, ws.product2, 0, nullptr);
            if (step != Step::Yes) return step;
            if (!buildLoss(ws.product2, ws.product3, ws.loss3, false, prompter)) return Step::No;
            countPolyAtoms(ws.loss3);
        }
    }

    // Monoisotopic elements leave the compositions; their mass is in each role's monoMass.
    const ElementTable& table = elementTable();
    for (int e = 0; e < kElementCount; ++e) {
        if (ws.ion.comp.count[e] != 0 && table.heavyIsotopeCount[e] == 0) {
            ws.ion.comp.count[e] = 0;
            ws.product.comp.count[e] = 0;
            ws.product2.comp.count[e] = 0;
            ws.product3.comp.count[e] = 0;
        }
    }
    return Step::Yes;
}

Step ionOnce(CalcSession& s, CalcWorkspace& ws, Prompter& prompter) {
    const auto scan = static_cast<ScanType>(ws.scanType);
    if (scan == ScanType::Precursor || scan == ScanType::Product) ws.listComponentsOption = false;
    Form form = ionParameterForm(scan, s, ws);
    if (!prompter.runForm(form)) return Step::No;
    storeParameterForm(form, s, ws);

    if (s.ionCharge == 0) {
        prompter.message("Precursor ion charge cannot be zero!");
        return Step::No;
    }
    if (ws.listComponentsOption) {
        if (ws.firstListedPeak > ws.lastListedPeak) {
            prompter.message("First individual component peak index cannot be greater than the last!");
            return Step::No;
        }
        const int rows = ws.lastListedPeak - ws.firstListedPeak + 1;
        if (rows > kMaxListedRows) {
            prompter.message("The number of individual peak indices requested is too large (>166)!");
            return Step::No;
        }
        const int limit = scan == ScanType::MSn ? ws.precursorPeakIndex : ws.peakSlotCount;
        if (ws.lastListedPeak > limit) {
            prompter.message(kLastListedTooHigh);
            return Step::No;
        }
        if (s.maxIonsToList > kMaxComponentEntries / rows) {
            prompter.message("The maximum number of individual peaks to be listed is too large!");
            return Step::No;
        }
    }
    const ParseResult parsed = parseFormula(s.ionFormula, ws.ion.comp, prompter);
    if (parsed == ParseResult::Failed) return Step::No;
    if (parsed == ParseResult::Retry) return Step::BackToDialog;
    s.ionFormulaText = formatComposition(ws.ion.comp);

    s.userElementCursors = UserElementCursors{};
    for (int e = kFirstUserElement; e < kElementCount; ++e)
        if (ws.ion.comp.count[e] != 0 &&
            !enterUserElement(e, ws.listComponentsOption, s.userElementCursors, prompter))
            return Step::No;

    if (scan == ScanType::MSn && ws.precursorPeakIndex > largestPeakIndex(ws.ion.comp)) {
        prompter.message("Precursor ion index number exceeds maximum possible value!");
        return Step::No;
    }
    s.ionMassA0 = checkComposition(ws.ion.comp, s.ionCharge, s.electronMass, scan, ws.ion, ws.lastPolyAtomTotal,
                                   prompter);
    if (s.ionMassA0 == 0) return Step::No;
    ws.ion.polyAtomTotal = ws.lastPolyAtomTotal;
    if (ws.listComponentsOption) ws.maxIonsPerPeak = s.maxIonsToList;
    return Step::Yes;
}

}  // namespace

void resetStoredParameters(CalcWorkspace& ws) {
    ws.stopFA = ws.reportedFA = ws.reportedFA2 = 0.9999;
    ws.maxPrecursorPeak = 3;
    ws.listComponentsOption = false;
    ws.firstListedPeak = 0;
    ws.lastListedPeak = 20;
    ws.maxIonsPerPeak = 0;
    ws.precursorPeakIndex = 1;
    ws.msSteps = 2;
    ws.product1PeakIndex = 1;
    ws.product2PeakIndex = 1;
}

long long largestPeakIndex(const Composition& comp) {
    const ElementTable& table = elementTable();
    long long sum = 0;
    for (int e = 0; e < kElementCount; ++e) {
        if (comp.count[e] == 0 || table.heavyIsotopeCount[e] == 0) continue;
        int largest = 0;
        for (int h = 0; h < table.heavyIsotopeCount[e]; ++h)
            largest = std::max(largest, table.heavyDeltaA[table.firstHeavy[e] + h]);
        sum += static_cast<long long>(comp.count[e]) * largest;
    }
    return sum;
}

bool enterIonParameters(CalcSession& session, CalcWorkspace& ws, CalcTarget& target, Prompter& prompter) {
    if (!target.readyForCalculation()) {
        prompter.message("Click 'File, New' (Ctrl+N) before another calculation!");
        return false;
    }
    target.prepareForCalculation();
    ws.plotMode = false;
    for (;;) {
        const Step step = ionOnce(session, ws, prompter);
        if (step != Step::BackToDialog) return step == Step::Yes;
    }
}

bool enterTandemParameters(CalcSession& session, CalcWorkspace& ws, Prompter& prompter) {
    for (;;) {
        const Step step = tandemOnce(session, ws, prompter);
        if (step != Step::BackToDialog) return step == Step::Yes;
    }
}

}  // namespace mv
