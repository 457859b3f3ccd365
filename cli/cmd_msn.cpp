// The MSn scans of two to four MS steps.

#include "cli/calc_command.h"
#include "cli/cli.h"

#include <charconv>
#include <ostream>
#include <set>

namespace mv::cli {

namespace {

constexpr int kParMSnDlg = 132;
constexpr int kDaughtDlg = 133;     // the product ion of a two-step run
constexpr int kDaughtMS3Dlg = 134;
constexpr int kDaughtMS4Dlg = 135;

// The fields an option fills in the product dialogs of two, three and four steps (0: no such field).
struct ProductField {
    int twoSteps;
    int threeSteps;
    int fourSteps;
};

void setProductField(CalcArguments& a, const ProductField& f, const std::string& value, const char* option) {
    if (f.twoSteps) setField(a, kDaughtDlg, f.twoSteps, value, option);
    if (f.threeSteps) setField(a, kDaughtMS3Dlg, f.threeSteps, value, option);
    if (f.fourSteps) setField(a, kDaughtMS4Dlg, f.fourSteps, value, option);
}

#define MV_PRODUCT_OPTION(NAME, TWO, THREE, FOUR)                                      \
    [](const std::string& v, CalcArguments& a) {                                       \
        setProductField(a, ProductField{TWO, THREE, FOUR}, v, NAME);                   \
        return std::string();                                                          \
    }

const CalcCommandSpec& msnSpec() {
    static const CalcCommandSpec spec{
        "msn",
        "FORMULA --steps N --precursor-peak I --product FORMULA [--charge Z] [--product-charge Z]\n"
        "       [--product1-peak J --product2 FORMULA [--product2-charge Z]]\n"
        "       [--product2-peak K --product3 FORMULA [--product3-charge Z]]\n"
        "       [--components FIRST:LAST [--max-ions N]] [--user-element SPEC]... [--no-progress]",
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
            {"--steps", "N", "number of MS steps, n in MSn, 2 to 4 (required)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSnDlg, 1010, v, "--steps");
                 return std::string();
             }},
            {"--precursor-peak", "I", "index I of the precursor peak [P+I] selected for the first dissociation (required)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSnDlg, 1009, v, "--precursor-peak");
                 return std::string();
             }},
            {"--charge", "Z", "precursor ion charge, a non-zero integer (default 1); m/z uses |Z|",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSnDlg, 1008, v, "--charge");
                 return std::string();
             }},
            {"--product", "FORMULA", "the first generation product ion, part of the precursor (required)",
             MV_PRODUCT_OPTION("--product", 1011, 1013, 1018)},
            {"--product-charge", "Z", "first generation product ion charge, non-zero (default 1)",
             MV_PRODUCT_OPTION("--product-charge", 1012, 1014, 1019)},
            {"--product1-peak", "J", "index J of the first generation peak [1G+J] dissociated again, J <= I\n"
                                     "                             (3 and 4 steps, required there)",
             MV_PRODUCT_OPTION("--product1-peak", 0, 1015, 1020)},
            {"--product2", "FORMULA", "the second generation product ion, part of the first (3 and 4 steps)",
             MV_PRODUCT_OPTION("--product2", 0, 1016, 1021)},
            {"--product2-charge", "Z", "second generation product ion charge, non-zero (default 1)",
             MV_PRODUCT_OPTION("--product2-charge", 0, 1017, 1022)},
            {"--product2-peak", "K", "index K of the second generation peak [2G+K] dissociated again, K <= J\n"
                                     "                             (4 steps, required there)",
             MV_PRODUCT_OPTION("--product2-peak", 0, 0, 1023)},
            {"--product3", "FORMULA", "the third generation product ion, part of the second (4 steps)",
             MV_PRODUCT_OPTION("--product3", 0, 0, 1024)},
            {"--product3-charge", "Z", "third generation product ion charge, non-zero (default 1)",
             MV_PRODUCT_OPTION("--product3-charge", 0, 0, 1025)},
            {"--components", "FIRST:LAST",
             "list the individual component ions of the last generation's peaks [A+FIRST] to\n"
             "                             [A+LAST] (LAST at most I, J or K of that generation)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSnDlg, 1048, "1", "--components");
                 return setRange(a, kParMSnDlg, 1072, 1073, v, "--components");
             }},
            {"--max-ions", "N", "most component ions listed per peak, 12 to 500 (default 25)",
             [](const std::string& v, CalcArguments& a) {
                 setField(a, kParMSnDlg, 1069, v, "--max-ions");
                 return std::string();
             }},
            {"--user-element", "SPEC",
             "isotope data of a user element Jx, Jy, Jz, Qx, Qy or Qz in the precursor:\n"
             "                             Jx=LIGHT[,HEAVY:FA]... with LIGHT the lightest isotope's exact mass,\n"
             "                             each HEAVY a mass-number increment (or, with --components, the\n"
             "                             isotope's exact mass) and FA its fractional abundance; the lightest\n"
             "                             isotope takes the rest. Repeat for each user element.",
             [](const std::string& v, CalcArguments& a) { return setUserElement(a, v); }},
        }};
    return spec;
}

#undef MV_PRODUCT_OPTION

// The options the arguments name, with the value of --steps. Option values are stepped over, so a
// value that happens to read like an option does not count.
struct Named {
    std::set<std::string> options;
    std::string steps;
    bool help = false;
};

Named namedOptions(const CalcCommandSpec& spec, const std::vector<std::string>& argv) {
    Named named;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--help" || a == "-h") named.help = true;
        if (a == "-o" || a == "--output" || a == "--format") {
            ++i;
            continue;
        }
        if (a.rfind("--", 0) != 0) continue;
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        for (const auto& o : spec.options) {
            if (name != o.name) continue;
            named.options.insert(name);
            std::string value;
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
            } else if (o.valueName && i + 1 < argv.size()) {
                value = argv[++i];
            }
            if (name == "--steps") named.steps = value;
        }
    }
    return named;
}

// The run's step count when --steps reads as 2, 3 or 4; otherwise 0 and the form's own check speaks.
int stepsOf(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 2 || value > 4) return 0;
    return value;
}

}  // namespace

int msnCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CalcCommandSpec& spec = msnSpec();
    const Named named = namedOptions(spec, args);
    if (!named.help) {
        for (const char* required : {"--steps", "--precursor-peak", "--product"})
            if (!named.options.count(required)) {
                err << "marvolen-cli msn: " << required << " is needed (see --help)\n";
                return kExitRefused;
            }
        const int steps = stepsOf(named.steps);
        struct Rule {
            const char* option;
            int fromSteps;  // the option belongs to runs of at least this many steps
            bool required;
        };
        static const Rule kRules[] = {
            {"--product1-peak", 3, true},  {"--product2", 3, true},  {"--product2-charge", 3, false},
            {"--product2-peak", 4, true},  {"--product3", 4, true},  {"--product3-charge", 4, false},
        };
        if (steps != 0)
            for (const Rule& r : kRules) {
                const bool given = named.options.count(r.option) > 0;
                if (given && steps < r.fromSteps) {
                    err << "marvolen-cli msn: " << r.option << " belongs to runs of " << r.fromSteps
                        << (r.fromSteps == 3 ? " or 4" : "") << " steps, not " << steps << '\n';
                    return kExitRefused;
                }
                if (!given && r.required && steps >= r.fromSteps) {
                    err << "marvolen-cli msn: a run of " << steps << " steps needs " << r.option << " (see --help)\n";
                    return kExitRefused;
                }
            }
    }
    return runCalcCommand(spec, args, out, err);
}

}  // namespace mv::cli
