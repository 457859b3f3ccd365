#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = mv::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "marvolen-cli: could not write to standard output\n";
        return status == mv::cli::kExitOk ? mv::cli::kExitFailure : status;
    }
    return status;
}
