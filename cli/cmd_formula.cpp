#include "cli/cli.h"

#include <ostream>

namespace mv::cli {

int formulaCommand(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    err << "marvolen-cli formula: not available yet\n";
    return kExitRefused;
}

}  // namespace mv::cli
