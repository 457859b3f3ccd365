#include "control/parameter_forms.h"

#include <stdexcept>

namespace mv {

namespace {

// The stored parameter behind a field.
enum class Param {
    IonFormula,
    IonCharge,
    StopFA,
    SaveReminder,
    ListComponents,
    MaxIonsToList,
    FirstListedPeak,
    LastListedPeak,
    LastListedFromPrecursorPeak,  // shows precursorPeakIndex, stores lastListedPeak
    MaxPrecursorPeak,
    PrecursorPeakIndex,
    MsSteps,
    Product1Formula,
    Product1Charge,
    Product1PeakIndex,
    Product2Formula,
    Product2Charge,
    Product2PeakIndex,
    Product3Formula,
    Product3Charge,
};

struct FieldDef {
    int id;
    const char* label;
    FieldKind kind;
    Param param;
    int maxChars = 0;
    bool ranged = false;
    double min = 0;
    double max = 0;
};

FieldDef text(int id, const char* label, Param p, int maxChars) { return {id, label, FieldKind::Text, p, maxChars}; }
FieldDef integer(int id, const char* label, Param p) { return {id, label, FieldKind::Integer, p}; }
FieldDef integer(int id, const char* label, Param p, int lo, int hi) {
    return {id, label, FieldKind::Integer, p, 0, true, double(lo), double(hi)};
}
FieldDef stopField(int id) {
    return {id, "Total Fractional Abundance at which to stop the calculation:", FieldKind::Number, Param::StopFA,
            0, true, 0.5, 0.99999};
}
FieldDef check(int id, const char* label, Param p) { return {id, label, FieldKind::Check, p}; }

constexpr const char* kReminder = "Enable the reminder to save the data set.";
constexpr const char* kListComponents = "List individual ionic components.";
constexpr const char* kMaxIons = "Maximum number of individual ions to be listed:";
constexpr const char* kFirstPeak = "First peak index, i in [A+i], to examine:";
constexpr const char* kLastPeak = "Last peak index to examine:";
constexpr const char* kComponentGroup = "Individual Component Ion Parameters";
constexpr const char* kProductCaption = "Product (Fragment) Ion Parameters";

Form makeForm(int resource, const char* caption, std::initializer_list<FieldDef> defs,
              const CalcSession& s, const CalcWorkspace& ws) {
    Form form;
    form.resourceId = resource;
    form.caption = caption;
    for (const auto& d : defs) {
        Field f;
        f.id = d.id;
        f.label = d.label;
        f.kind = d.kind;
        f.maxChars = d.maxChars;
        f.ranged = d.ranged;
        f.min = d.min;
        f.max = d.max;
        form.fields.push_back(f);
        switch (d.param) {
        case Param::IonFormula: form.setText(d.id, s.ionFormula); break;
        case Param::IonCharge: form.setInt(d.id, s.ionCharge); break;
        case Param::StopFA: form.setNumber(d.id, ws.stopFA); break;
        case Param::SaveReminder: form.setCheck(d.id, s.saveReminder); break;
        case Param::ListComponents: form.setCheck(d.id, ws.listComponentsOption); break;
        case Param::MaxIonsToList: form.setInt(d.id, s.maxIonsToList); break;
        case Param::FirstListedPeak: form.setInt(d.id, ws.firstListedPeak); break;
        case Param::LastListedPeak: form.setInt(d.id, ws.lastListedPeak); break;
        case Param::LastListedFromPrecursorPeak: form.setInt(d.id, ws.precursorPeakIndex); break;
        case Param::MaxPrecursorPeak: form.setInt(d.id, ws.maxPrecursorPeak); break;
        case Param::PrecursorPeakIndex: form.setInt(d.id, ws.precursorPeakIndex); break;
        case Param::MsSteps: form.setInt(d.id, ws.msSteps); break;
        case Param::Product1Formula: form.setText(d.id, s.product1Formula); break;
        case Param::Product1Charge: form.setInt(d.id, s.product1Charge); break;
        case Param::Product1PeakIndex: form.setInt(d.id, ws.product1PeakIndex); break;
        case Param::Product2Formula: form.setText(d.id, s.product2Formula); break;
        case Param::Product2Charge: form.setInt(d.id, s.product2Charge); break;
        case Param::Product2PeakIndex: form.setInt(d.id, ws.product2PeakIndex); break;
        case Param::Product3Formula: form.setText(d.id, s.product3Formula); break;
        case Param::Product3Charge: form.setInt(d.id, s.product3Charge); break;
        }
    }
    return form;
}

// Which stored parameter each field of each form writes.
Param paramOf(int resource, int id) {
    switch (resource) {
    case kParDlg:
        switch (id) {
        case 1000: return Param::IonFormula;
        case 1001: return Param::IonCharge;
        case 1002: return Param::StopFA;
        case 1046: return Param::SaveReminder;
        case 1048: return Param::ListComponents;
        case 1068: return Param::MaxIonsToList;
        case 1070: return Param::FirstListedPeak;
        case 1071: return Param::LastListedPeak;
        }
        break;
    case kParPrecurDlg:
        switch (id) {
        case 1077: return Param::IonFormula;
        case 1073: return Param::IonCharge;
        case 1078: return Param::StopFA;
        case 1048: return Param::SaveReminder;
        }
        break;
    case kParMSMSDlg:
        switch (id) {
        case 1003: return Param::IonFormula;
        case 1004: return Param::IonCharge;
        case 1005: return Param::StopFA;
        case 1006: return Param::MaxPrecursorPeak;
        case 1046: return Param::SaveReminder;
        }
        break;
    case kParMSnDlg:
        switch (id) {
        case 1007: return Param::IonFormula;
        case 1008: return Param::IonCharge;
        case 1009: return Param::PrecursorPeakIndex;
        case 1010: return Param::MsSteps;
        case 1046: return Param::SaveReminder;
        case 1048: return Param::ListComponents;
        case 1069: return Param::MaxIonsToList;
        case 1072: return Param::FirstListedPeak;
        case 1073: return Param::LastListedFromPrecursorPeak;
        }
        break;
    case kDaughtDlg:
        switch (id) {
        case 1011: return Param::Product1Formula;
        case 1012: return Param::Product1Charge;
        }
        break;
    case kDaughtMS3Dlg:
        switch (id) {
        case 1013: return Param::Product1Formula;
        case 1014: return Param::Product1Charge;
        case 1015: return Param::Product1PeakIndex;
        case 1016: return Param::Product2Formula;
        case 1017: return Param::Product2Charge;
        }
        break;
    case kDaughtMS4Dlg:
        switch (id) {
        case 1018: return Param::Product1Formula;
        case 1019: return Param::Product1Charge;
        case 1020: return Param::Product1PeakIndex;
        case 1021: return Param::Product2Formula;
        case 1022: return Param::Product2Charge;
        case 1023: return Param::Product2PeakIndex;
        case 1024: return Param::Product3Formula;
        case 1025: return Param::Product3Charge;
        }
        break;
    }
    throw std::logic_error("no stored parameter for field " + std::to_string(id) + " of form " +
                           std::to_string(resource));
}

}  // namespace

Form ionParameterForm(ScanType scan, const CalcSession& s, const CalcWorkspace& ws) {
    switch (scan) {
    case ScanType::Regular:
    case ScanType::NeutralLoss: {
        Form f = makeForm(kParDlg, "Ion or Precursor Ion Parameters",
                          {text(1000, "Ion or Precursor Ion Formula:", Param::IonFormula, 128),
                           integer(1001, "Ion or Precursor Ion Charge:", Param::IonCharge), stopField(1002),
                           check(1046, kReminder, Param::SaveReminder),
                           check(1048, kListComponents, Param::ListComponents),
                           integer(1068, kMaxIons, Param::MaxIonsToList, 12, 500),
                           integer(1070, kFirstPeak, Param::FirstListedPeak, 0, 640),
                           integer(1071, kLastPeak, Param::LastListedPeak, 0, 640)},
                          s, ws);
        f.texts = {kComponentGroup};
        f.toggles = {{1048, {1068, 1070, 1071}}};
        f.applyToggles();
        return f;
    }
    case ScanType::Precursor:
        return makeForm(kParPrecurDlg, "Precursor Ion Parameters",
                        {text(1077, "Precursor Ion Formula:", Param::IonFormula, 256),
                         integer(1073, "Precursor Ion Charge:", Param::IonCharge), stopField(1078),
                         check(1048, kReminder, Param::SaveReminder)},
                        s, ws);
    case ScanType::Product:
        return makeForm(
            kParMSMSDlg, "Precursor Ion Parameters",
            {text(1003, "Precursor Ion Formula:", Param::IonFormula, 128),
             integer(1004, "Precursor Ion Charge:", Param::IonCharge), stopField(1005),
             integer(1006,
                     "Index Value, i, for the heaviest Precursot Ion, [A+i] (i from 0 to 34), to be evaluated:",
                     Param::MaxPrecursorPeak, 0, 34),
             check(1046, kReminder, Param::SaveReminder)},
            s, ws);
    case ScanType::MSn: {
        Form f = makeForm(
            kParMSnDlg, "Precursor Ion Parameters",
            {text(1007, "Precursor Ion Formula:", Param::IonFormula, 128),
             integer(1008, "Precursor Ion Charge:", Param::IonCharge),
             integer(1009, "Index Value, i, of the Precursor Cluster Peak, [P+i], to be selected for CID:",
                     Param::PrecursorPeakIndex, 0, 639),
             integer(1010, "Number of  MS Steps, n, in the Analysis (n in MSn, n from 2 to 4):", Param::MsSteps, 2,
                     4),
             check(1046, kReminder, Param::SaveReminder), check(1048, kListComponents, Param::ListComponents),
             integer(1069, kMaxIons, Param::MaxIonsToList, 12, 500),
             integer(1072, kFirstPeak, Param::FirstListedPeak, 0, 640),
             integer(1073, kLastPeak, Param::LastListedFromPrecursorPeak, 0, 640)},
            s, ws);
        f.texts = {kComponentGroup};
        f.toggles = {{1048, {1069, 1072, 1073}}};
        f.applyToggles();
        return f;
    }
    }
    throw std::logic_error("unknown scan type");
}

Form tandemParameterForm(ScanType scan, const CalcSession& s, const CalcWorkspace& ws) {
    if (scan == ScanType::MSn && ws.msSteps == 3) {
        Form f = makeForm(kDaughtMS3Dlg, kProductCaption,
                          {text(1013, "First Generation Product Ion Formula:", Param::Product1Formula, 128),
                           integer(1014, "Ion Charge:", Param::Product1Charge),
                           integer(1015, "Index Value, i, of the Cluster Peak, [1G+i], of this Ion selected for CID",
                                   Param::Product1PeakIndex, 0, 319),
                           text(1016, "Second Generation Product Ion Formula:", Param::Product2Formula, 128),
                           integer(1017, "Ion Charge:", Param::Product2Charge)},
                          s, ws);
        f.texts = {"First Generation Product Ion Parameters", "Second Generation Product Ion Parameters"};
        return f;
    }
    if (scan == ScanType::MSn && ws.msSteps == 4) {
        // The second generation's charge is exchanged before its formula.
        Form f = makeForm(
            kDaughtMS4Dlg, kProductCaption,
            {text(1018, "First Generation Product Ion Formula:", Param::Product1Formula, 128),
             integer(1019, "Ion Charge:", Param::Product1Charge),
             integer(1020, "Index Value, i, of the Cluster Peak, [1G+i], of the Ion selected for CID:",
                     Param::Product1PeakIndex, 0, 319),
             integer(1022, "Ion Charge:", Param::Product2Charge),
             text(1021, "Second Generation Product Ion Formula:", Param::Product2Formula, 128),
             integer(1023, "Index Value, i, of the Cluster Peak, [2G+i], of the Ion selected for CID:",
                     Param::Product2PeakIndex, 0, 212),
             text(1024, "Third Generation Product Ion Formula:", Param::Product3Formula, 128),
             integer(1025, "Ion Charge:", Param::Product3Charge)},
            s, ws);
        f.texts = {"First Generation Product Ion Parameters", "Second Generation Product Ion Parameters",
                   "Third Generation Product Ion Parameters"};
        return f;
    }
    return makeForm(kDaughtDlg, kProductCaption,
                    {text(1011, "Product Ion Formula:", Param::Product1Formula, 128),
                     integer(1012, "Product Ion Charge:", Param::Product1Charge)},
                    s, ws);
}

void storeParameterForm(const Form& form, CalcSession& s, CalcWorkspace& ws) {
    for (const auto& f : form.fields) {
        switch (paramOf(form.resourceId, f.id)) {
        case Param::IonFormula: s.ionFormula = f.text; break;
        case Param::IonCharge: s.ionCharge = form.intValue(f.id); break;
        case Param::StopFA:
            ws.stopFA = ws.reportedFA = ws.reportedFA2 = form.numberValue(f.id);
            break;
        case Param::SaveReminder: s.saveReminder = f.checked; break;
        case Param::ListComponents: ws.listComponentsOption = f.checked; break;
        case Param::MaxIonsToList: s.maxIonsToList = form.intValue(f.id); break;
        case Param::FirstListedPeak: ws.firstListedPeak = form.intValue(f.id); break;
        case Param::LastListedPeak:
        case Param::LastListedFromPrecursorPeak: ws.lastListedPeak = form.intValue(f.id); break;
        case Param::MaxPrecursorPeak: ws.maxPrecursorPeak = form.intValue(f.id); break;
        case Param::PrecursorPeakIndex: ws.precursorPeakIndex = form.intValue(f.id); break;
        case Param::MsSteps: ws.msSteps = form.intValue(f.id); break;
        case Param::Product1Formula: s.product1Formula = f.text; break;
        case Param::Product1Charge: s.product1Charge = form.intValue(f.id); break;
        case Param::Product1PeakIndex: ws.product1PeakIndex = form.intValue(f.id); break;
        case Param::Product2Formula: s.product2Formula = f.text; break;
        case Param::Product2Charge: s.product2Charge = form.intValue(f.id); break;
        case Param::Product2PeakIndex: ws.product2PeakIndex = form.intValue(f.id); break;
        case Param::Product3Formula: s.product3Formula = f.text; break;
        case Param::Product3Charge: s.product3Charge = form.intValue(f.id); break;
        }
    }
}

}  // namespace mv
