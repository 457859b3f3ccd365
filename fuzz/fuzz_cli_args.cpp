// The command-line handling of every command up to the start of the calculation: option parsing,
// the dialogs' forms filled from the arguments, their validation and the parameter checks.
// Input: one byte choosing the command (or none, so the command name itself is fuzzed), then the
// arguments separated by NUL bytes.

#include "cli/calc_command.h"
#include "cli/cli.h"
#include "fuzz/fuzz_check.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kCommands[] = {"formula", "regular", "precursor", "neutral-loss", "product", "msn", nullptr};

// A fuzzed -o would create or overwrite files anywhere; the write itself has its own tests.
bool namesOutputFile(const std::string& a) {
    return a == "-o" || a.rfind("--output", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    mv::cli::setStopBeforeCalculation(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<std::string> args;
    if (const char* command = kCommands[data[0] % (sizeof kCommands / sizeof *kCommands)]) args.emplace_back(command);
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size > 1) args.push_back(current);
    for (const auto& a : args)
        if (namesOutputFile(a)) return 0;

    std::ostringstream out, err;
    const int status = mv::cli::run(args, out, err);
    // Nothing is written, so nothing can fail to be written: accepted or refused with a reason.
    FUZZ_CHECK(status == mv::cli::kExitOk || status == mv::cli::kExitRefused);
    if (status == mv::cli::kExitRefused) {
        FUZZ_CHECK(out.str().empty());
        FUZZ_CHECK(!err.str().empty());
    }
    return 0;
}
