// The three MS/MS scans of one precursor and one product ion: Precursor, Neutral Loss and Product.

#include "cli/calc_command.h"
#include "cli/cli.h"

#include <ostream>

namespace mv::cli {

namespace {

constexpr int kParDlg = 130;        // Neutral Loss precursor dialog (the Regular one)
constexpr int kParMSMSDlg = 131;    // Product scan precursor dialog
constexpr int kDaughtDlg = 133;     // product ion dialog of all three scans
constexpr int kParPrecurDlg = 140;  // Precursor scan precursor dialog

constexpr const char* kUserElementHelp =
    "isotope data of a user element Jx, Jy, Jz, Qx, Qy or Qz in the precursor:\n"
    "                             Jx=LIGHT[,HEAVY:FA]... with LIGHT the lightest isotope's exact mass,\n"
    "                             each HEAVY a mass-number increment and FA its fractional abundance;\n"
    "                             the lightest isotope takes the rest. Repeat for each user element.";
constexpr const char* kStopHelp = "total fractional abundance at which to stop, 0.5 to 0.99999 (default 0.9999)";

std::string productOption(const std::string& v, CalcArguments& a) {
    setField(a, kDaughtDlg, 1011, v, "--product");
    return {};
}

std::string productChargeOption(const std::string& v, CalcArguments& a) {
    setField(a, kDaughtDlg, 1012, v, "--product-charge");
    return {};
}

std::string userElementOption(const std::string& v, CalcArguments& a) { return setUserElement(a, v); }

const CalcOption kProductOptionEntry{"--product", "FORMULA",
                                     "the product (fragment) ion's formula, part of the precursor's, leaving\n"
                                     "                             at least one polyisotopic atom to the fragment (required)",
                                     productOption};

const CalcCommandSpec& precursorSpec() {
    static const CalcCommandSpec spec{
        "precursor",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--user-element SPEC]... "
        "[--no-progress]",
        "Precursor ion MS/MS scan of the precursor ion FORMULA dissociating into the product ion: writes\n"
        "the isotope cluster of the neutral fragment (precursor minus product) as seen within the spectrum\n"
        "of a single product ion, then the relative intensities among the spectra of the product's [A+i]\n"
        "ions (the product ion's own cluster). Precursor and product may carry different charges.",
        ScanType::Precursor,
        kParPrecurDlg,
        1077,
        {
            kProductOptionEntry,
            {"--charge", "Z", "precursor ion charge, a non-zero integer (default 1); m/z uses |Z|",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParPrecurDlg, 1073, v, "--charge");
                 return std::string();
             }},
            {"--product-charge", "Z", "product ion charge, a non-zero integer (default 1)", productChargeOption},
            {"--stop-fa", "F", kStopHelp,
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParPrecurDlg, 1078, v, "--stop-fa");
                 return std::string();
             }},
            {"--user-element", "SPEC", kUserElementHelp, userElementOption},
        }};
    return spec;
}

const CalcCommandSpec& neutralLossSpec() {
    static const CalcCommandSpec spec{
        "neutral-loss",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--components FIRST:LAST] "
        "[--max-ions N] [--user-element SPEC]... [--no-progress]",
        "Neutral loss MS/MS scan of the precursor ion FORMULA losing the neutral fragment that leaves the\n"
        "product ion: writes the isotope cluster of the product ion as seen within the spectrum of a single\n"
        "neutral loss, then the relative intensities among the spectra of the neutral fragment's [A+i]\n"
        "species. Precursor and product must carry equal charges. Component ions, when asked for, are\n"
        "listed for the product ion's cluster.",
        ScanType::NeutralLoss,
        kParDlg,
        1000,
        {
            kProductOptionEntry,
            {"--charge", "Z", "precursor ion charge, a non-zero integer (default 1); m/z uses |Z|",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParDlg, 1001, v, "--charge");
                 return std::string();
             }},
            {"--product-charge", "Z", "product ion charge, equal to the precursor's (default 1)", productChargeOption},
            {"--stop-fa", "F", kStopHelp,
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParDlg, 1002, v, "--stop-fa");
                 return std::string();
             }},
            {"--components", "FIRST:LAST",
             "list the individual component ions of the product ion's peaks [A+FIRST] to [A+LAST]\n"
             "                             (at most 166 peaks, LAST at most 320)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParDlg, 1048, "1", "--components");
                 return setRange(a, kParDlg, 1070, 1071, v, "--components");
             }},
            {"--max-ions", "N", "most component ions listed per peak, 12 to 500 (default 25)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParDlg, 1068, v, "--max-ions");
                 return std::string();
             }},
            {"--user-element", "SPEC",
             "isotope data of a user element Jx, Jy, Jz, Qx, Qy or Qz in the precursor:\n"
             "                             Jx=LIGHT[,HEAVY:FA]... with LIGHT the lightest isotope's exact mass,\n"
             "                             each HEAVY a mass-number increment (or, with --components, the\n"
             "                             isotope's exact mass) and FA its fractional abundance; the lightest\n"
             "                             isotope takes the rest. Repeat for each user element.",
             userElementOption},
        }};
    return spec;
}

const CalcCommandSpec& productSpec() {
    static const CalcCommandSpec spec{
        "product",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--max-precursor-peak S] "
        "[--user-element SPEC]... [--no-progress]",
        "Product ion MS/MS scan: for each precursor peak [A+k] of the ion FORMULA, k = 0 to S, writes the\n"
        "spectrum of the product ions that its isotopic species give, [A+0] to [A+k] of the product ion,\n"
        "each species split between product ion and neutral fragment by the number of ways of choosing\n"
        "the fragment's atoms. It stops early once the spectra written account for more than the stop\n"
        "value.",
        ScanType::Product,
        kParMSMSDlg,
        1003,
        {
            kProductOptionEntry,
            {"--charge", "Z", "precursor ion charge, a non-zero integer (default 1); m/z uses |Z|",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSMSDlg, 1004, v, "--charge");
                 return std::string();
             }},
            {"--product-charge", "Z", "product ion charge, a non-zero integer (default 1)", productChargeOption},
            {"--stop-fa", "F", kStopHelp,
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSMSDlg, 1005, v, "--stop-fa");
                 return std::string();
             }},
            {"--max-precursor-peak", "S", "index of the heaviest precursor peak [A+S] evaluated, 0 to 34 (default 3)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSMSDlg, 1006, v, "--max-precursor-peak");
                 return std::string();
             }},
            {"--user-element", "SPEC", kUserElementHelp, userElementOption},
        }};
    return spec;
}

// True when the arguments name the product ion, or ask for help (which needs no product). Option
// values are stepped over, so a value that happens to read "--product" does not count.
bool namesProductOrAsksHelp(const CalcCommandSpec& spec, const std::vector<std::string>& argv) {
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--help" || a == "-h") return true;
        const std::string name = a.rfind("--", 0) == 0 ? a.substr(0, a.find('=')) : a;
        if (name == "--product") return true;
        if (a == "-o" || a == "--output" || a == "--format") ++i;  // the shared options with a value
        if (name.size() == a.size())
            for (const auto& o : spec.options)
                if (name == o.name && o.valueName) ++i;
    }
    return false;
}

int runTandem(const CalcCommandSpec& spec, const std::vector<std::string>& argv, std::ostream& out,
              std::ostream& err) {
    if (!namesProductOrAsksHelp(spec, argv)) {
        err << "marvolen-cli " << spec.name << ": the product ion is needed: --product FORMULA (see --help)\n";
        return kExitRefused;
    }
    return runCalcCommand(spec, argv, out, err);
}

}  // namespace

int precursorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTandem(precursorSpec(), args, out, err);
}

int neutralLossCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTandem(neutralLossSpec(), args, out, err);
}

int productCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runTandem(productSpec(), args, out, err);
}

}  // namespace mv::cli
