#pragma once

#include "base/prompter.h"
#include "control/session.h"
#include "engine/workspace.h"

namespace mv {

// Shows the scan's ion (or precursor) dialog, keeps what was entered as the next defaults, checks
// it, reads the formula, asks for any user element's isotope data and fills the ion role. False
// when the command must end; the reason has been shown through the prompter.
// Needs ws.scanType, ws.peakSlotCount and cleared peak slots.
bool enterIonParameters(CalcSession& session, CalcWorkspace& ws, CalcTarget& target, Prompter& prompter);

// After enterIonParameters accepted the precursor: the product ion dialog of the scan, the product
// roles, and the neutral losses between each parent and its product.
bool enterTandemParameters(CalcSession& session, CalcWorkspace& ws, Prompter& prompter);

// The workspace's stored parameters as at program start (stop value, listing option and range,
// Product and MSn indices). A command-line run starts from them as a fresh program would.
void resetStoredParameters(CalcWorkspace& ws);

// The largest nominal shift a composition can reach: each atom at its element's heaviest increment.
long long largestPeakIndex(const Composition& comp);

}  // namespace mv
