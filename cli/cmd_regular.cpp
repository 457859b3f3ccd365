#include "cli/calc_command.h"
#include "cli/cli.h"

namespace mv::cli {

namespace {

constexpr int kForm = 130;  // the ion parameter dialog of Regular and Neutral Loss scans

const CalcCommandSpec& regularSpec() {
    static const CalcCommandSpec spec{
        "regular",
        "FORMULA [--charge Z] [--stop-fa F] [--components FIRST:LAST] [--max-ions N] "
        "[--user-element SPEC]... [--no-progress]",
        "Computes the isotope cluster [A+0], [A+1], ... of the ion FORMULA (for example C6H12O6) and writes\n"
        "the data set: each peak's m/z, fractional abundance and relative intensity, and optionally the\n"
        "individual isotopic component ions of a range of peaks.",
        ScanType::Regular,
        kForm,
        1000,
        {
            {"--charge", "Z", "ion charge, a non-zero integer (default 1); m/z uses |Z|",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kForm, 1001, v, "--charge");
                 return std::string();
             }},
            {"--stop-fa", "F", "total fractional abundance at which to stop, 0.5 to 0.99999 (default 0.9999)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kForm, 1002, v, "--stop-fa");
                 return std::string();
             }},
            {"--components", "FIRST:LAST",
             "list the individual component ions of peaks [A+FIRST] to [A+LAST] (at most 166 peaks)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kForm, 1048, "1", "--components");
                 return setRange(a, kForm, 1070, 1071, v, "--components");
             }},
            {"--max-ions", "N", "most component ions listed per peak, 12 to 500 (default 25)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kForm, 1068, v, "--max-ions");
                 return std::string();
             }},
            {"--user-element", "SPEC",
             "isotope data of a user element Jx, Jy, Jz, Qx, Qy or Qz in the formula:\n"
             "                             Jx=LIGHT[,HEAVY:FA]... with LIGHT the lightest isotope's exact mass,\n"
             "                             each HEAVY a mass-number increment (or, with --components, the\n"
             "                             isotope's exact mass) and FA its fractional abundance; the lightest\n"
             "                             isotope takes the rest. Repeat for each user element.",
             [](const std::string& v, CalcArguments& a) { return setUserElement(a, v); }},
        }};
    return spec;
}

}  // namespace

int regularCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(regularSpec(), args, out, err);
}

}  // namespace mv::cli
