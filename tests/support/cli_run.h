#pragma once

#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace mv::test {

// One marvolen-cli invocation run in-process.
struct CliResult {
    int status;
    std::string out;
    std::string err;
};

inline CliResult runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

// The lines of a data-set file, each ended by CR LF; text after the last line end is a fault.
inline std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        result.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return result;
}

}  // namespace mv::test
