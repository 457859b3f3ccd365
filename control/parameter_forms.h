#pragma once

#include "base/form.h"
#include "base/scan_type.h"
#include "control/session.h"
#include "engine/workspace.h"

namespace mv {

// Resource numbers of the parameter dialogs; front ends use them to recognise a form.
enum FormId : int {
    kParDlg = 130,
    kParMSMSDlg = 131,
    kParMSnDlg = 132,
    kDaughtDlg = 133,
    kDaughtMS3Dlg = 134,
    kDaughtMS4Dlg = 135,
    kParPrecurDlg = 140,
};

// The ion (or precursor) parameter dialog of a scan, pre-filled from the stored parameters.
Form ionParameterForm(ScanType scan, const CalcSession& session, const CalcWorkspace& ws);
// The product ion dialog of a scan (by msSteps for MSn), pre-filled from the stored parameters.
Form tandemParameterForm(ScanType scan, const CalcSession& session, const CalcWorkspace& ws);

// Copies every field of an accepted form back into its stored parameter. A stop field also sets
// both reported totals.
void storeParameterForm(const Form& form, CalcSession& session, CalcWorkspace& ws);

}  // namespace mv
