#include "base/form.h"
#include "base/textfmt.h"
#include "cli/calc_command.h"
#include "cli/cli.h"
#include "cli/cli_prompter.h"
#include "isodata/formula.h"

#include <optional>
#include <ostream>
#include <string>

namespace mv::cli {

namespace {

const char* const kFormulaHelp =
    "Usage: marvolen-cli formula FORMULA [--charge Z] [--scan TYPE] [-o FILE]\n"
    "Parses and checks an ion formula and shows its composition and the mass of its [A+0]\n"
    "species (every atom its lightest isotope) less the electrons of its charge.\n"
    "\n"
    "FORMULA is element symbols each with an optional atom count, such as C6H12O6 or CH3CH2OH:\n"
    "no spaces, parentheses, charges or hydrates; at most 65500 atoms of one element. The user\n"
    "elements Jx, Jy, Jz, Qx, Qy and Qz need isotope data, which only the calculation commands\n"
    "take (--user-element).\n"
    "\n"
    "Options:\n"
    "  --charge Z    the ion's charge, a non-zero integer; negative for anions (default 1)\n"
    "  --scan TYPE   the calculation the formula is checked for: regular (default), precursor,\n"
    "                neutral-loss, product or msn; every scan has the same limits\n"
    "  -o, --output FILE  write to FILE instead of standard output\n"
    "  --help        show this help\n"
    "\n"
    "Output: the formula text, the polyisotopic and the monoisotopic elements with their counts,\n"
    "the number of polyisotopic atoms and the [A+0] mass. A refused formula or option prints the\n"
    "reason on stderr and exits with status 2.\n";

std::optional<ScanType> scanTypeNamed(const std::string& name) {
    if (name == "regular") return ScanType::Regular;
    if (name == "precursor") return ScanType::Precursor;
    if (name == "neutral-loss") return ScanType::NeutralLoss;
    if (name == "product") return ScanType::Product;
    if (name == "msn") return ScanType::MSn;
    return std::nullopt;
}

std::string elementList(const Composition& comp, bool polyisotopic) {
    const ElementTable& table = elementTable();
    std::string list;
    for (int e = 0; e < kElementCount; ++e) {
        if (comp.count[e] == 0 || (table.heavyIsotopeCount[e] > 0) != polyisotopic) continue;
        if (!list.empty()) list += ", ";
        list += ElementTable::symbol(e) + formatC(" %u", comp.count[e]);
    }
    return list.empty() ? "none" : list;
}

int refuse(std::ostream& err, const std::string& text) {
    err << "marvolen-cli formula: " << text << "\n(run 'marvolen-cli formula --help' for the options)\n";
    return kExitRefused;
}

}  // namespace

int formulaCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> formula;
    std::optional<std::string> chargeText;
    std::optional<std::string> scanText;
    std::optional<std::string> outputPath;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && (a == "--help" || a == "-h")) {
            out << kFormulaHelp;
            return kExitOk;
        }
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (a.rfind("--", 0) == 0 || a == "-o")) {
            const size_t eq = a.find('=');
            const std::string name = a == "-o" ? "--output" : a.substr(0, eq);
            std::optional<std::string>* target = name == "--charge" ? &chargeText
                                                 : name == "--scan"  ? &scanText
                                                 : name == "--output" ? &outputPath
                                                                      : nullptr;
            if (!target) return refuse(err, "unknown option '" + excerpt(name) + "'");
            if (*target) return refuse(err, name + " is given more than once");
            if (eq != std::string::npos) {
                *target = a.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                *target = args[++i];
            } else {
                return refuse(err, name + " needs a value");
            }
            continue;
        }
        if (formula) return refuse(err, "one formula only; '" + excerpt(a) + "' is one too many");
        formula = a;
    }
    if (!formula) return refuse(err, "no formula given");
    if (outputPath && outputPath->empty()) return refuse(err, "the output file name is empty");
    if (outputPath && outputPath->find('\0') != std::string::npos)  // the system would cut the name there
        return refuse(err, "the output file name contains a NUL character");

    int charge = 1;
    if (chargeText) {
        const auto value = parseIntegerText(*chargeText);
        if (!value) return refuse(err, "--charge must be an integer, not '" + excerpt(*chargeText) + "'");
        charge = *value;
    }
    ScanType scan = ScanType::Regular;
    if (scanText) {
        const auto value = scanTypeNamed(*scanText);
        if (!value)
            return refuse(err, "--scan must be regular, precursor, neutral-loss, product or msn, not '" + excerpt(*scanText) + "'");
        scan = *value;
    }

    CliPrompter prompter(err);
    if (charge == 0) {
        prompter.message("Precursor ion charge cannot be zero!");
        return kExitRefused;
    }

    Composition comp;
    // Retry cannot be answered here, so any result but Parsed is a refusal already shown.
    if (parseFormula(*formula, comp, prompter) != ParseResult::Parsed) return kExitRefused;

    std::string userElements;
    for (int e = kFirstUserElement; e < kElementCount; ++e) {
        if (comp.count[e] == 0) continue;
        userElements += (userElements.empty() ? "" : ", ") + ElementTable::symbol(e);
    }
    if (!userElements.empty()) {
        const bool several = userElements.find(',') != std::string::npos;
        prompter.message(userElements + (several ? " need" : " needs") +
                         " isotope data: give it with --user-element " +
                         (several ? std::string("SYMBOL") : userElements) +
                         "=LIGHT[,HEAVY:FA]... (calculation commands)");
        return kExitRefused;
    }

    const Composition parsed = comp;  // a Regular scan's check clears the monoisotopic counts
    IonDefinition ion;
    int32_t polyAtoms = 0;
    const double massA0 = checkComposition(comp, charge, kElectronMass, scan, ion, polyAtoms, prompter);
    if (massA0 == 0) return kExitRefused;

    const std::string text = "Formula: " + formatComposition(parsed) + '\n' +
                             "Polyisotopic: " + elementList(parsed, true) + '\n' +
                             "Monoisotopic: " + elementList(parsed, false) + '\n' +
                             formatC("Polyisotopic atoms: %d\n", ion.polyAtomTotal) +
                             formatC("[A+0] mass: %.6f\n", massA0);
    return emit(text, outputPath.value_or(""), out, err);
}

}  // namespace mv::cli
