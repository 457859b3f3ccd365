#include "display/profile.h"

#include "base/scan_type.h"

#include <cmath>
#include <cstdlib>

namespace mv {

PlotProfile& plotProfile() {
    static PlotProfile profile;
    return profile;
}

Form resolutionForm() {
    Form form;
    form.resourceId = ResolDlg::kResource;
    form.caption = " Instrument Resolution";
    form.texts = {"Resolution ([Mass/Delta Mass] at peak half-width)"};
    Field resolution;
    resolution.id = ResolDlg::kResolution;
    resolution.label = "Resolution";
    resolution.kind = FieldKind::Number;
    resolution.ranged = true;
    resolution.min = 100.0;
    resolution.max = 1000000.0;
    Field unit;
    unit.id = ResolDlg::kUnitMass;
    unit.label = "Unit mass resolution";
    unit.kind = FieldKind::Check;
    Field user;
    user.id = ResolDlg::kUserSelected;
    user.label = "User selected resolution";
    user.kind = FieldKind::Check;
    form.fields = {resolution, unit, user};
    form.toggles = {{ResolDlg::kUserSelected, {ResolDlg::kResolution}}};
    form.radioGroups = {{ResolDlg::kUnitMass, ResolDlg::kUserSelected}};
    form.setNumber(ResolDlg::kResolution, 1000.0);
    form.setCheck(ResolDlg::kUnitMass, true);
    form.setCheck(ResolDlg::kUserSelected, false);
    form.applyToggles();
    return form;
}

ResolutionChoice readResolution(const Form& form) {
    ResolutionChoice choice;
    choice.unitMass = !form.checkValue(ResolDlg::kUserSelected);
    choice.resolution = form.numberValue(ResolDlg::kResolution);
    return choice;
}

PeakWidth peakWidth(const ResolutionChoice& choice, double massA0, int32_t charge) {
    const double z = std::abs(static_cast<double>(charge));
    if (choice.unitMass) return {0.5, massA0 / (0.5 * z)};
    return {massA0 / (choice.resolution * z), choice.resolution};
}

std::optional<PlottedIon> plottedIon(const DataSet& data) {
    switch (static_cast<ScanType>(data.scanType)) {
    case ScanType::Regular:
        return PlottedIon{data.ionCharge, data.ionMassA0};
    case ScanType::NeutralLoss:
        return PlottedIon{data.product1Charge, data.product1MassA0};
    case ScanType::MSn:
        if (data.msSteps == 2) return PlottedIon{data.product1Charge, data.product1MassA0};
        if (data.msSteps == 3) return PlottedIon{data.product2Charge, data.product2MassA0};
        if (data.msSteps == 4) return PlottedIon{data.product3Charge, data.product3MassA0};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool buildProfile(const DataSet& data, const ResolutionChoice& choice, PlotProfile& profile) {
    const auto ion = plottedIon(data);
    if (!ion || ion->charge == 0 || !data.listComponentsOption || !data.peakCompCount || !data.peakCompTotalFA ||
        !data.compMasses || !data.compFAs)
        return false;
    const int examined = data.lastListedPeak - data.firstListedPeak + 1;
    if (examined <= 0) return false;

    // The significant window: peaks above a thousandth of the strongest peak's listed total.
    double strongest = 0;
    for (int p = 0; p < examined; ++p)
        if (data.peakCompCount[p] != 0 && data.peakCompTotalFA[p] > strongest) strongest = data.peakCompTotalFA[p];
    if (!(strongest > 0)) return false;
    const double threshold = strongest / 1000.0;
    int firstSig = -1;
    int lastSig = -1;
    for (int p = 0; p < examined; ++p)
        if (data.peakCompCount[p] != 0 && data.peakCompTotalFA[p] > threshold) {
            if (firstSig < 0) firstSig = p;
            lastSig = p;
        }

    const PeakWidth width = peakWidth(choice, ion->massA0, ion->charge);
    const double z = std::abs(static_cast<double>(ion->charge));
    const double step = width.width / 20.0;
    const double halfSpan = 30.0 * step;
    const double gaussC = (width.width / 2.0) * (width.width / 2.0) / 0.6931472;

    int copied = 0;
    int s = -1;
    int e = -1;
    for (int p = 0; p < examined && copied < kProfileComponentSlots; ++p) {
        for (int c = 0; c < data.peakCompCount[p] && copied < kProfileComponentSlots; ++c) {
            const int entry = p * data.maxIonsPerPeak + c;
            if (p == firstSig && s < 0) s = copied;
            if (p == lastSig) e = copied;
            profile.compFA[copied] = data.compFAs[entry];
            profile.compMz[copied] = data.compMasses[entry] / z;
            ++copied;
        }
    }
    if (s < 0 || e < s) return false;

    for (int g = 0; g < kPlotSegmentSlots; ++g) profile.segmentStarts[g] = -1;
    profile.step = step;
    profile.resolution = width.resolution;
    profile.maxIntensity = 0;
    const double* mz = profile.compMz;
    const double* fa = profile.compFA;
    int n = 0;
    double x = mz[s] - halfSpan;
    profile.segmentStarts[0] = 0;
    profile.segmentStartMz[0] = x;
    int cur = s;
    int g = 1;
    for (;;) {
        double sum = 0;
        for (int j = cur; j <= e && !(mz[j] - halfSpan > x); ++j) sum += fa[j] * std::exp(-(x - mz[j]) * (x - mz[j]) / gaussC);
        profile.intensities[n] = sum;
        if (sum > profile.maxIntensity) profile.maxIntensity = sum;
        if (++n == kPlotPointSlots) break;
        x += step;
        bool finished = false;
        while (x >= mz[cur] + halfSpan + 0.0001) {
            if (cur == e) {
                finished = true;
                break;
            }
            if (mz[cur + 1] - halfSpan > x) {
                // A segment would have no points if opened at the last slot, so the profile ends
                // with the segments it has.
                if (g == kPlotSegmentSlots) {
                    finished = true;
                    break;
                }
                profile.segmentStarts[g] = n;
                profile.segmentStartMz[g] = mz[cur + 1] - halfSpan;
                x = profile.segmentStartMz[g];
                ++g;
            }
            ++cur;
        }
        if (finished) break;
    }
    profile.pointCount = n;
    return true;
}

void attachProfile(DataSet& data, const PlotProfile& profile) {
    data.plotIntensities = profile.intensities;
    data.plotSegmentStarts = profile.segmentStarts;
    data.plotSegmentStartMz = profile.segmentStartMz;
    data.plotPointCount = profile.pointCount;
    data.plotMaxIntensity = profile.maxIntensity;
    data.plotStep = profile.step;
    data.plotResolution = profile.resolution;
}

bool plotSpectrum(MarvolenDocument& doc, CalcWorkspace& ws, Prompter& prompter, PlotProfile& profile) {
    DataSet& data = doc.dataSet();
    if (!data.listComponentsOption || data.readyForCalculation) return false;
    Form form = resolutionForm();
    if (!prompter.runForm(form)) return false;
    // Built into a scratch copy first, so that a refusal leaves the present plot as it was.
    static PlotProfile scratch;
    if (!buildProfile(data, readResolution(form), scratch)) {
        prompter.message(kNothingToPlot);
        return false;
    }
    profile = scratch;
    attachProfile(data, profile);
    ws.plotMode = true;
    doc.spectrumPlotted();
    return true;
}

void displayData(MarvolenDocument& doc, CalcWorkspace& ws) {
    ws.plotMode = false;
    doc.displayData();
}

}  // namespace mv
