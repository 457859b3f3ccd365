// The three MS/MS scans of one precursor and one product ion: Precursor, Neutral Loss and Product.

#include "cli/calc_command.h"
#include "cli/cli.h"
#include "control/parameter_forms.h"

#include <ostream>

namespace mv::cli {

namespace {

CalcOption productOption() {
    return fieldOption("--product", "FORMULA",
                       "the product (fragment) ion's formula, part of the precursor's, leaving\n"
                       "                             at least one polyisotopic atom to the fragment (required)",
                       {{kDaughtDlg, 1011}}, true);
}

CalcOption productChargeOption(const char* help) {
    return fieldOption("--product-charge", "Z", help, {{kDaughtDlg, 1012}});
}

const CalcCommandSpec& precursorSpec() {
    static const CalcCommandSpec cmd{
        "precursor",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--user-element DATA]... "
        "[--no-progress]",
        "Precursor ion MS/MS scan of the precursor ion FORMULA dissociating into the product ion: writes\n"
        "the isotope cluster of the neutral fragment (precursor minus product) as seen within the spectrum\n"
        "of a single product ion, then the relative intensities among the spectra of the product's [A+i]\n"
        "ions (the product ion's own cluster). Precursor and product may carry different charges.",
        ScanType::Precursor,
        kParPrecurDlg,
        1077,
        {
            productOption(),
            chargeOption(kParPrecurDlg, 1073),
            productChargeOption("product ion charge, a non-zero integer (default 1)"),
            stopOption(kParPrecurDlg, 1078),
            userElementOption("precursor", false),
        }};
    return cmd;
}

const CalcCommandSpec& neutralLossSpec() {
    static const CalcCommandSpec cmd{
        "neutral-loss",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--components FIRST:LAST] "
        "[--max-ions N] [--user-element DATA]... [--no-progress]",
        "Neutral loss MS/MS scan of the precursor ion FORMULA losing the neutral fragment that leaves the\n"
        "product ion: writes the isotope cluster of the product ion as seen within the spectrum of a single\n"
        "neutral loss, then the relative intensities among the spectra of the neutral fragment's [A+i]\n"
        "species. Precursor and product must carry equal charges. Component ions, when asked for, are\n"
        "listed for the product ion's cluster.",
        ScanType::NeutralLoss,
        kParDlg,
        1000,
        {
            productOption(),
            chargeOption(kParDlg, 1001),
            productChargeOption("product ion charge, equal to the precursor's (default 1)"),
            stopOption(kParDlg, 1002),
            componentsOption(kParDlg, 1048, 1070, 1071,
                             "list the individual component ions of the product ion's peaks [A+FIRST] to [A+LAST]\n"
                             "                             (at most 166 peaks, LAST at most 320)"),
            maxIonsOption(kParDlg, 1068),
            userElementOption("precursor", true),
        }};
    return cmd;
}

const CalcCommandSpec& productSpec() {
    static const CalcCommandSpec cmd{
        "product",
        "FORMULA --product FORMULA [--charge Z] [--product-charge Z] [--stop-fa F] [--max-precursor-peak S] "
        "[--user-element DATA]... [--no-progress]",
        "Product ion MS/MS scan: for each precursor peak [A+k] of the ion FORMULA, k = 0 to S, writes the\n"
        "spectrum of the product ions that its isotopic species give, [A+0] to [A+k] of the product ion,\n"
        "each species split between product ion and neutral fragment by the number of ways of choosing\n"
        "the fragment's atoms. It stops early once the spectra written account for more than the stop\n"
        "value.",
        ScanType::Product,
        kParMSMSDlg,
        1003,
        {
            productOption(),
            chargeOption(kParMSMSDlg, 1004),
            productChargeOption("product ion charge, a non-zero integer (default 1)"),
            stopOption(kParMSMSDlg, 1005),
            fieldOption("--max-precursor-peak", "S",
                        "index of the heaviest precursor peak [A+S] evaluated, 0 to 34 (default 3)",
                        {{kParMSMSDlg, 1006}}),
            userElementOption("precursor", false),
        }};
    return cmd;
}

}  // namespace

int precursorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(precursorSpec(), args, out, err);
}

int neutralLossCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(neutralLossSpec(), args, out, err);
}

int productCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(productSpec(), args, out, err);
}

}  // namespace mv::cli
