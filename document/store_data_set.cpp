#include "document/store_data_set.h"

#include "base/textfmt.h"

namespace mv {

static_assert(kPeakSlots == kPeakSlotCount && kComponentFormulaChars == kComponentTextSize,
              "the data set mirrors the workspace's capacities");

void storeDataSet(DataSet& data, const CalcWorkspace& ws, CalcSession& session) {
    for (int i = 0; i < kPeakSlots; ++i) data.peakFA[i] = static_cast<double>(ws.peakFA[i]);
    data.ionFormula = session.ionFormula;
    data.product1Formula = session.product1Formula;
    data.product2Formula = session.product2Formula;
    data.product3Formula = session.product3Formula;
    data.ionCharge = session.ionCharge;
    data.product1Charge = session.product1Charge;
    data.product2Charge = session.product2Charge;
    data.product3Charge = session.product3Charge;
    data.ionMassA0 = session.ionMassA0;
    data.product1MassA0 = session.product1MassA0;
    data.product2MassA0 = session.product2MassA0;
    data.product3MassA0 = session.product3MassA0;

    data.scanType = ws.scanType;
    data.maxPrecursorPeak = ws.maxPrecursorPeak;
    data.reportedFA = ws.reportedFA;
    data.reportedFA2 = ws.reportedFA2;
    data.precursorPeakIndex = ws.precursorPeakIndex;
    data.product1PeakIndex = ws.product1PeakIndex;
    data.product2PeakIndex = ws.product2PeakIndex;
    data.msSteps = ws.msSteps;

    data.spectrumMode = ws.plotMode;
    data.saveReminder = session.saveReminder;
    data.listComponentsOption = ws.listComponentsOption;
    if (ws.listComponentsOption) {
        data.firstListedPeak = ws.firstListedPeak;
        data.lastListedPeak = ws.lastListedPeak;
        data.maxIonsPerPeak = ws.maxIonsPerPeak;
        data.compFormulas = ws.compFormulas;
        data.compMasses = ws.compMasses;
        data.compFAs = ws.compFAs;
        data.peakCompTotalFA = ws.peakCompTotalFA;
        data.peakCompMaxFA = ws.peakCompMaxFA;
        data.peakCompCount = ws.peakCompCount;
    }
    session.dataSetCounter += 1;
    data.name = formatC("MVSet%d", session.dataSetCounter);
}

}  // namespace mv
