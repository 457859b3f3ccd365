// The MSn scans of two to four MS steps.

#include "cli/calc_command.h"
#include "cli/cli.h"
#include "control/parameter_forms.h"

#include <charconv>
#include <ostream>

namespace mv::cli {

namespace {

// An option for the product dialogs of two, three and four steps (0: no such field there).
CalcOption productOption(const char* name, const char* valueName, const char* help, int twoSteps, int threeSteps,
                         int fourSteps) {
    std::vector<std::pair<int, int>> fields;
    if (twoSteps) fields.emplace_back(kDaughtDlg, twoSteps);
    if (threeSteps) fields.emplace_back(kDaughtMS3Dlg, threeSteps);
    if (fourSteps) fields.emplace_back(kDaughtMS4Dlg, fourSteps);
    return fieldOption(name, valueName, help, std::move(fields), std::string(name) == "--product");
}

// The run's step count when --steps reads as 2, 3 or 4; otherwise 0 and the form's own check speaks.
int stepsOf(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 2 || value > 4) return 0;
    return value;
}

// The generation options must match the number of steps.
std::string checkGenerations(const CalcArguments& args) {
    const auto steps = args.given.find("--steps");
    const int n = steps == args.given.end() ? 0 : stepsOf(steps->second);
    if (n == 0) return {};
    struct Rule {
        const char* option;
        int fromSteps;  // the option belongs to runs of at least this many steps
        bool required;
    };
    static const Rule kRules[] = {
        {"--product1-peak", 3, true}, {"--product2", 3, true}, {"--product2-charge", 3, false},
        {"--product2-peak", 4, true}, {"--product3", 4, true}, {"--product3-charge", 4, false},
    };
    for (const Rule& r : kRules) {
        const bool given = args.given.count(r.option) > 0;
        if (given && n < r.fromSteps)
            return std::string(r.option) + " belongs to runs of " + std::to_string(r.fromSteps) +
                   (r.fromSteps == 3 ? " or 4" : "") + " steps, not " + std::to_string(n);
        if (!given && r.required && n >= r.fromSteps)
            return "a run of " + std::to_string(n) + " steps needs " + r.option + " (see --help)";
    }
    return {};
}

const CalcCommandSpec& msnSpec() {
    static const CalcCommandSpec cmd{
        "msn",
        "FORMULA --steps N --precursor-peak I --product FORMULA [--charge Z] [--product-charge Z]\n"
        "       [--product1-peak J --product2 FORMULA [--product2-charge Z]]\n"
        "       [--product2-peak K --product3 FORMULA [--product3-charge Z]]\n"
        "       [--components FIRST:LAST [--max-ions N]] [--user-element DATA]... [--no-progress]",
        "MSn scan of N MS steps (2 to 4) of the precursor ion FORMULA. The precursor peak [P+I] is\n"
        "dissociated into the first generation product ion; its isotopic species keep their heavy atoms,\n"
        "and every choice of the neutral loss's atoms is equally likely. With 3 steps the product peak\n"
        "[1G+J] is dissociated again into the second generation product ion, with 4 steps also its peak\n"
        "[2G+K] into the third. Writes one table per generation, [1G+0] to [1G+I], [2G+0] to [2G+J] and\n"
        "[3G+0] to [3G+K], with fractional abundances relative to all precursor ions. Component ions, when\n"
        "asked for, are listed for the last generation's peaks.",
        ScanType::MSn,
        kParMSnDlg,
        1007,
        {
            fieldOption("--steps", "N", "number of MS steps, n in MSn, 2 to 4 (required)", {{kParMSnDlg, 1010}}, true),
            fieldOption("--precursor-peak", "I",
                        "index I of the precursor peak [P+I] selected for the first dissociation (required)",
                        {{kParMSnDlg, 1009}}, true),
            chargeOption(kParMSnDlg, 1008),
            productOption("--product", "FORMULA", "the first generation product ion, part of the precursor (required)",
                          1011, 1013, 1018),
            productOption("--product-charge", "Z", "first generation product ion charge, non-zero (default 1)", 1012,
                          1014, 1019),
            productOption("--product1-peak", "J",
                          "index J of the first generation peak [1G+J] dissociated again, J <= I\n"
                          "                             (3 and 4 steps, required there)",
                          0, 1015, 1020),
            productOption("--product2", "FORMULA",
                          "the second generation product ion, part of the first (3 and 4 steps)", 0, 1016, 1021),
            productOption("--product2-charge", "Z", "second generation product ion charge, non-zero (default 1)", 0,
                          1017, 1022),
            productOption("--product2-peak", "K",
                          "index K of the second generation peak [2G+K] dissociated again, K <= J\n"
                          "                             (4 steps, required there)",
                          0, 0, 1023),
            productOption("--product3", "FORMULA", "the third generation product ion, part of the second (4 steps)",
                          0, 0, 1024),
            productOption("--product3-charge", "Z", "third generation product ion charge, non-zero (default 1)", 0, 0,
                          1025),
            componentsOption(kParMSnDlg, 1048, 1072, 1073,
                             "list the individual component ions of the last generation's peaks [A+FIRST] to\n"
                             "                             [A+LAST] (LAST at most I, J or K of that generation)"),
            maxIonsOption(kParMSnDlg, 1069),
            userElementOption("precursor", true),
        },
        checkGenerations};
    return cmd;
}

}  // namespace

int msnCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runCalcCommand(msnSpec(), args, out, err);
}

}  // namespace mv::cli
