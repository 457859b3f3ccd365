#include "cli/cli.h"
#include "tests/support/cli_run.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace mv::cli {
namespace {

using Result = test::CliResult;
using test::runCli;

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = text.find('\n', start)) != std::string::npos; start = p + 1)
        lines.push_back(text.substr(start, p - start));
    return lines;
}

TEST(CliListing, RegularPrintsTheListingAsOnScreen) {
    const Result r = runCli({"regular", "C6H12O6", "--format", "listing", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const auto l = splitLines(r.out);
    // Five peaks ([A+4] takes the total past 0.9999): three rows, then the total.
    ASSERT_EQ(l.size(), 8u) << r.out;
    EXPECT_EQ(l[0], "                 ***** RESULTS for Simple Mass Spectra *****");
    EXPECT_EQ(l[1], "Ion Formula: C6H12O6");
    EXPECT_EQ(l[2], "Mass of [A+0] ion: 180.0633, Ion Charge: 1");
    EXPECT_EQ(l[3], " Ion      m/z          FA        Rel %      Ion      m/z          FA        Rel %");
    // 0.9893^6 x 0.999885^12 x 0.99757^6 = 0.922633...
    EXPECT_EQ(l[4].rfind("A+0       180.06  9.22633E-001  100.000    A+3       183.06  ", 0), 0u) << l[4];
    EXPECT_EQ(l[5].rfind("A+1       181.06  6.32558E-002    6.856    A+4       184.06  ", 0), 0u) << l[5];
    EXPECT_EQ(l[6].rfind("A+2       182.06  ", 0), 0u) << l[6];
    EXPECT_TRUE(std::regex_match(l[7], std::regex(R"(Total fractional abundance: 0\.999\d\d)"))) << l[7];
}

TEST(CliListing, ComponentFormulasMarkTheirRaisedAndLoweredDigits) {
    const Result r = runCli({"regular", "C6H12O6", "--components", "0:1", "--format=listing", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = splitLines(r.out);
    const auto heading = std::find(l.begin(), l.end(), "Individual peak components:");
    ASSERT_NE(heading, l.end());
    ASSERT_GE(l.end() - heading, 3);
    EXPECT_EQ(heading[-1], "");
    EXPECT_EQ(heading[1].rfind("[A+0] Peak     Mass         FA        Rel %", 0), 0u) << heading[1];
    EXPECT_EQ(heading[2].rfind("^12C_6^1H_12^16O_6 ", 0), 0u) << heading[2];
    EXPECT_NE(heading[2].find("180.0633  9.22633E-001  100.000"), std::string::npos) << heading[2];
}

TEST(CliListing, FormatIsCheckedAndDocumented) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"regular", "C6H12O6", "--format", "pdf"}, "--format is data or listing, not 'pdf'"},
        {{"regular", "C6H12O6", "--format"}, "--format needs a value"},
    };
    for (const Case& k : cases) {
        const Result r = runCli(k.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Result help = runCli({"regular", "--help"});
    EXPECT_NE(help.out.find("--format data|listing"), std::string::npos);
    // The data-set file stays the default.
    const Result data = runCli({"regular", "C6H12O6", "--format", "data", "--no-progress"});
    EXPECT_EQ(data.out.rfind("Data for a simple mass spectrum\r\n", 0), 0u);
}

TEST(CliListing, TandemCommandsShareTheOption) {
    const Result r = runCli({"precursor", "C6H12O6", "--product", "C6H10O5", "--format", "listing", "--no-progress"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = splitLines(r.out);
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l[0], "          ***** RESULTS for Precursor Ion Tandem Mass Spectra *****");
    EXPECT_EQ(l[1], "Precursor Ion: C6H12O6, Product Ion: C6H10O5");
    EXPECT_NE(std::find(l.begin(), l.end(), "F Ion     m/z          FA        Rel %     F Ion     m/z          FA        Rel %"),
              l.end());
}

}  // namespace
}  // namespace mv::cli
