// Calculations that the limits admit but that would run for a very long time stay under the
// person's control: Ctrl+C ends them at the next level with the data set reached so far.

#include "tests/hardening/process.h"

#include <gtest/gtest.h>

#include <regex>

namespace mv::test {
namespace {

constexpr const char* kProtein = "C2934H4615N781O897S39";       // [A+0] alone is about 1e-14 of it
constexpr const char* kHalfProtein = "C1467H2307N390O448S19";
// Ctrl+C is sent once the calculation is well under way; it must end within this.
constexpr double kMaxSecondsAfterInterrupt = 5.0;

// Every total a data-set file states, in order.
std::vector<double> totals(const std::string& file) {
    static const std::regex line("(Total fractional abundance: |The total fractional abundance for this calculation is )"
                                 "([0-9.]+)\r\n");
    std::vector<double> found;
    for (auto it = std::sregex_iterator(file.begin(), file.end(), line); it != std::sregex_iterator(); ++it)
        found.push_back(std::stod((*it)[2].str()));
    return found;
}

struct Case {
    std::vector<std::string> args;
    std::vector<int> interruptAtMs;  // two-part scans take one Ctrl+C per part
    const char* firstLine;
    size_t totalCount;
};

TEST(Interrupt, CtrlCEndsAVeryLongCalculationWithItsDataSet) {
    const Case cases[] = {
        {{"regular", kProtein, "--stop-fa", "0.99999", "--no-progress"}, {1000}, "Data for a simple mass spectrum", 1},
        {{"product", kProtein, "--product", kHalfProtein, "--max-precursor-peak", "34", "--stop-fa", "0.99999"},
         {1000},
         "Data for product ion mass spectra",
         1},
        {{"precursor", kProtein, "--product", kHalfProtein, "--stop-fa", "0.99999"},
         {1000, 2500},
         "Data for precursor ion MS/MS spectra",
         2},
        {{"neutral-loss", kProtein, "--product", kHalfProtein, "--stop-fa", "0.99999"},
         {1000, 2500},
         "Data for neutral loss MS/MS spectra",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front());
        ProcessOptions options;
        options.interruptAtMs = c.interruptAtMs;
        options.timeoutMs = 60000;
        const ProcessResult r = runCli(c.args, options);
        ASSERT_FALSE(r.timedOut);
        EXPECT_FALSE(r.signalled) << r.err;
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_LT(r.secondsAfterInterrupt, kMaxSecondsAfterInterrupt);
        EXPECT_EQ(r.out.rfind(c.firstLine, 0), 0u) << r.out.substr(0, 200);
        const auto found = totals(r.out);
        ASSERT_EQ(found.size(), c.totalCount) << r.out.substr(0, 2000);
        for (double total : found) {
            EXPECT_GE(total, 0.0);
            EXPECT_LT(total, 0.99999);
        }
    }
}

}  // namespace
}  // namespace mv::test
