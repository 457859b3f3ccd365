#include "cli/calc_command.h"
#include "cli/cli.h"
#include "control/parameter_forms.h"

namespace mv::cli {

namespace {

const CalcCommandSpec& regularSpec() {
    static const CalcCommandSpec cmd{
        "regular",
        "FORMULA [--charge Z] [--stop-fa F] [--components FIRST:LAST] [--max-ions N] "
        "[--user-element DATA]... [--no-progress]",
        "Computes the isotope cluster [A+0], [A+1], ... of the ion FORMULA (for example C6H12O6) and writes\n"
        "the data set: each peak's m/z, fractional abundance and relative intensity, and optionally the\n"
        "individual isotopic component ions of a range of peaks.",
        ScanType::Regular,
        kParDlg,
        1000,
        {
            chargeOption(kParDlg, 1001),
            stopOption(kParDlg, 1002),
            componentsOption(kParDlg, 1048, 1070, 1071,
                             "list the individual component ions of peaks [A+FIRST] to [A+LAST] (at most 166 peaks)"),
            maxIonsOption(kParDlg, 1068),
            userElementOption("formula", true),
        }};
    return cmd;
}

}  // namespace

int regularCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(regularSpec(), args, out, err);
}

}  // namespace mv::cli
