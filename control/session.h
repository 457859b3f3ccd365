#pragma once

#include "isodata/formula.h"
#include "isodata/user_element.h"

#include <cstdint>
#include <string>

namespace mv {

// The parameters a person typed, kept for the whole run of the program as the next dialogs'
// defaults, with what the checks derived from them. The desktop view and the command line each
// hold one; the rest of a calculation's state lives in the workspace.
struct CalcSession {
    std::string ionFormula;
    int32_t ionCharge = 1;
    double ionMassA0 = 0;
    std::string ionFormulaText;
    bool saveReminder = true;
    int32_t maxIonsToList = 25;

    std::string product1Formula;
    std::string product2Formula;
    std::string product3Formula;
    int32_t product1Charge = 1;
    int32_t product2Charge = 1;
    int32_t product3Charge = 1;
    double product1MassA0 = 0;
    double product2MassA0 = 0;
    double product3MassA0 = 0;
    std::string product1FormulaText;
    std::string product2FormulaText;
    std::string product3FormulaText;

    double electronMass = kElectronMass;
    UserElementCursors userElementCursors;
    int32_t dataSetCounter = 0;  // number of the last data set stored
};

// The document side a calculation command needs before it starts: whether a data set is still
// held, and clearing the display for the new calculation.
class CalcTarget {
public:
    virtual ~CalcTarget() = default;
    virtual bool readyForCalculation() const = 0;
    // Leaves spectrum mode, drops the plot and the welcome screen, and repaints empty.
    virtual void prepareForCalculation() = 0;
};

}  // namespace mv
