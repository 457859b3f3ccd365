#include "cli/cli.h"
#include "tests/support/cli_run.h"

#include <gtest/gtest.h>

#include <sstream>

namespace mv::cli {
namespace {

using Result = test::CliResult;
using test::runCli;
inline std::vector<std::string> lines(const std::string& text) { return test::crlfLines(text); }

TEST(CliRegular, WritesTheDataSetOfGlucose) {
    const Result r = runCli({"regular", "C6H12O6", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto l = lines(r.out);
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[0], "Data for a simple mass spectrum");
    EXPECT_EQ(l[1], "Ion Formula: C6H12O6");
    // 6 x 12 + 12 x 1.007825 + 6 x 15.99491 - 0.000054858 = 180.063305...
    EXPECT_EQ(l[2], "Mass of A+0: 180.0633; Ion charge: 1");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l[4], "Ion, m/z, FA, Rel Int");
    EXPECT_EQ(l[5].rfind("A+0, 180.06, 9.2263", 0), 0u) << l[5];
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "\r\n");
    const std::string& total = l.back();
    ASSERT_EQ(total.rfind("Total fractional abundance: ", 0), 0u) << total;
    EXPECT_GT(std::stod(total.substr(28)), 0.9999);
}

TEST(CliRegular, ComponentSectionFollowsThePeaks) {
    const Result r = runCli({"regular", "C6H12O6", "--components", "0:3", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    auto it = std::find(l.begin(), l.end(), "Individual peak components:");
    ASSERT_NE(it, l.end());
    ASSERT_LT(it + 4, l.end());
    EXPECT_EQ(it[1], "");
    EXPECT_EQ(it[2], "Ion Formula, Mass, FA, Rel. Int.");
    EXPECT_EQ(it[3], "[A+0] Peak");
    EXPECT_EQ(it[4].rfind("(12C)6(1H)12(16O)6, 180.0633, 9.22633E-001, 100.000", 0), 0u) << it[4];
}

TEST(CliRegular, ChargeDividesTheMassScale) {
    const Result r = runCli({"regular", "C6H12O6", "--charge=-2", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    // 72 + 12 x 1.007825 + 6 x 15.99491 + 2 x 0.000054858 = 180.063469716, halved for the m/z.
    EXPECT_EQ(l[2], "Mass of A+0: 180.0635; Ion charge: -2");
    EXPECT_EQ(l[5].rfind("A+0, 90.03, ", 0), 0u) << l[5];
    EXPECT_EQ(l[6].rfind("A+1, 90.53, ", 0), 0u) << l[6];
}

TEST(CliRegular, UserElementsTakeTheirDataFromTheArguments) {
    // Jx: lightest 12.0 (FA 0.7), +1 with FA 0.3: JxH has [A+0] 0.7 x 0.999885 and [A+1]
    // 0.3 x 0.999885 + 0.7 x 0.000115.
    const Result r = runCli({"regular", "JxH", "--user-element", "Jx=12.0,1:0.3", "--stop-fa", "0.99999", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    EXPECT_EQ(l[5].rfind("A+0, 13.01, 6.999195E-001, 100.000", 0), 0u) << l[5];
    EXPECT_EQ(l[6].rfind("A+1, 14.01, 3.000460E-001, ", 0), 0u) << l[6];
    // With components the heavy value is the isotope's exact mass: 13.1 + 1.007825 - 0.000054858;
    // symbols follow the table order, so H comes before Jx.
    const Result c = runCli({"regular", "JxH", "--user-element", "Jx=12.0,13.1:0.3", "--components", "0:1",
                             "--no-progress"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("(1H)(13Jx), 14.1078"), std::string::npos) << c.out;

    // Two user elements, each from its own argument: Jx as above, Jz 20.0 (FA 0.5) and +2 (FA 0.5),
    // so [A+0] .. [A+3] are 0.7 x 0.5, 0.3 x 0.5, 0.7 x 0.5, 0.3 x 0.5.
    const Result two = runCli({"regular", "JxJz", "--user-element", "Jx=12.0,1:0.3", "--user-element", "Jz=20.0,2:0.5",
                               "--no-progress"});
    ASSERT_EQ(two.status, 0) << two.err;
    const auto t = lines(two.out);
    ASSERT_GT(t.size(), 8u) << two.out;
    const char* expected[] = {"A+0, 32.00, 3.500000E-001, 100.000", "A+1, 33.00, 1.500000E-001, 42.857",
                              "A+2, 34.00, 3.500000E-001, 100.000", "A+3, 35.00, 1.500000E-001, 42.857"};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(t[5 + k].rfind(expected[k], 0), 0u) << t[5 + k];
}

TEST(CliRegular, RefusedArgumentsExplainAndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"regular", "C6H12O6", "--charge", "x"}, "Please enter an integer."},
        {{"regular", "C6H12O6", "--charge", "1.5"}, "Please enter an integer."},
        {{"regular", "C6H12O6", "--charge", "99999999999"}, "Please enter an integer."},
        {{"regular", "C6H12O6", "--charge", ""}, "Please enter an integer."},
        {{"regular", "C6H12O6", "--charge", "0"}, "Precursor ion charge cannot be zero!"},
        {{"regular", "C6H12O6", "--stop-fa", "1"}, "Please enter a number between 0.5 and 0.99999."},
        {{"regular", "C6H12O6", "--stop-fa", "nan"}, "Please enter a number."},
        {{"regular", "C6H12O6", "--stop-fa", "inf"}, "Please enter a number."},
        {{"regular", "C6H12O6", "--stop-fa", "0.9x"}, "Please enter a number."},
        {{"regular", "C6H12O6", "--components", "0:167"},
         "The number of individual peak indices requested is too large (>166)!"},
        {{"regular", "C6H12O6", "--components", "3:1"},
         "First individual component peak index cannot be greater than the last!"},
        {{"regular", "C6H12O6", "--components", "0:3", "--max-ions", "11"},
         "Please enter an integer between 12 and 500."},
        {{"regular", "C6H12O6", "--components", "0"}, "--components needs FIRST:LAST"},
        {{"regular", "C6H12O6", "--components", "a:b"}, "Please enter an integer."},
        {{"regular", "C6H12O6 "}, "Formula Entry Error"},
        {{"regular", ""}, "Formula Entry Error"},
        {{"regular", "C6H12O\xc3\xa9"}, "Formula Entry Error"},
        {{"regular", std::string(1000000, 'C')}, "Please enter no more than 128 characters."},
        {{"regular", "C65501"}, "Maximum number of atoms of an element (65500) exceeded."},
        {{"regular", "NaF"}, "The ion must contain at least one polyisotopic element."},
        {{"regular", "C6Jx"}, "Jx needs isotope data: give it with --user-element Jx=LIGHT"},
        {{"regular", "C6Jx", "--user-element", "Jx=12.0,1:0.6,2:0.5"}, "Total FA of heavy isotopes exceeds 0.999999"},
        {{"regular", "C6Jx", "--user-element", "Jy=12.0"}, "Jx needs isotope data"},
        {{"regular", "JxJz", "--user-element", "Jx=12.0"}, "Jz needs isotope data"},
        {{"regular", "C6Jx", "--user-element", "Ab=12.0"}, "'Ab' is not a user element"},
        {{"regular", "C6H12O6", "--bogus"}, "unknown option '--bogus'"},
        {{"regular", "C6H12O6", "--charge"}, "--charge needs a value"},
        {{"regular"}, "a formula is needed"},
        {{"regular", "C6", "H12"}, "only one formula may be given"},
    };
    for (const auto& c : cases) {
        const Result r = runCli(c.args);
        const std::string shown = c.args.back().substr(0, 40);
        EXPECT_EQ(r.status, kExitRefused) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << " -> " << r.err;
    }
}

TEST(CliRegular, HelpDescribesEveryOption) {
    const Result r = runCli({"regular", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--charge", "--stop-fa", "--components", "--max-ions", "--user-element", "--no-progress"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    const Result top = runCli({"--help"});
    EXPECT_NE(top.out.find("regular"), std::string::npos);
}

}  // namespace
}  // namespace mv::cli
