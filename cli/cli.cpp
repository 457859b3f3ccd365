#include "cli/cli.h"

#include "cli/calc_command.h"

#include <functional>
#include <map>
#include <ostream>

namespace mv::cli {

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

const Command kCommands[] = {
    {"formula", "parse and check an ion formula and show its [A+0] mass", formulaCommand},
    {"regular", "isotope cluster of one ion, optionally with its component ions", regularCommand},
    {"precursor", "precursor ion MS/MS scan: neutral fragment and product ion clusters", precursorCommand},
    {"neutral-loss", "neutral loss MS/MS scan: product ion and neutral fragment clusters", neutralLossCommand},
    {"product", "product ion MS/MS scan: product spectra of each precursor peak", productCommand},
    {"msn", "MSn scan of 2 to 4 MS steps: product ion clusters of selected peaks", msnCommand},
};

void usage(std::ostream& os) {
    os << "Usage: marvolen-cli COMMAND [ARGUMENTS]\n"
          "Isotope cluster calculations for mass spectrometry.\n\nCommands:\n";
    for (const auto& c : kCommands) {
        std::string name = c.name;
        name.resize(14, ' ');
        os << "  " << name << c.summary << '\n';
    }
    os << "\nRun 'marvolen-cli COMMAND --help' for the options of a command.\n";
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        usage(err);
        return kExitRefused;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        usage(out);
        return kExitOk;
    }
    for (const auto& c : kCommands)
        if (args[0] == c.name) return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    err << "marvolen-cli: unknown command '" << excerpt(args[0]) << "'\n";
    usage(err);
    return kExitRefused;
}

}  // namespace mv::cli
