#include "cli/calc_command.h"
#include "cli/cli.h"
#include "tests/support/cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace mv::cli {
namespace {

using Outcome = test::CliResult;

Outcome cli(std::vector<std::string> args) {
    args.push_back("--no-progress");
    return test::runCli(args);
}

inline std::vector<std::string> lines(const std::string& text) { return test::crlfLines(text); }

// The FA column of the peak lines that follow each "F Ion" heading, and each table's total line.
struct Table {
    std::vector<double> fa;
    double total = -1;
};

std::vector<Table> tables(const std::string& file) {
    std::vector<Table> result;
    bool open = false;
    for (const std::string& line : lines(file)) {
        if (line == "F Ion, m/z, FA, Rel Int") {
            result.emplace_back();
            open = true;
        } else if (open && line.rfind("A+", 0) == 0) {
            const size_t second = line.find(", ", line.find(", ") + 2);
            result.back().fa.push_back(std::strtod(line.c_str() + second + 2, nullptr));
        } else if (open && line.rfind("Total fractional abundance in this spectrum: ", 0) == 0) {
            result.back().total = std::strtod(line.c_str() + 45, nullptr);
            open = false;
        }
    }
    return result;
}

void expectClose(double actual, double expected, double relative, const std::string& what) {
    EXPECT_NEAR(actual, expected, relative * std::abs(expected)) << what;
}

TEST(MsnCommand, TwoStepFileOfDichlorine) {
    const Outcome r = cli({"msn", "Cl2", "--steps", "2", "--precursor-peak", "4", "--product", "Cl"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // Masses from 35Cl 34.96885 less the electron constant 0.000054858; the only species of [P+4]
    // is 37Cl2 (0.2424² = 0.05875776), and it gives 37Cl, peak [1G+2], with certainty.
    EXPECT_EQ(r.out,
              "Data for MSn product ion mass spectra\r\n"
              "\r\nData for the precursor ion:\r\n"
              "Formula: Cl2; [A+0] Mass: 69.9376; Charge: 1\r\n"
              "Data for the first generation product ion:\r\n"
              "Formula: Cl; [A+0] Mass: 34.9688; Charge: 1\r\n"
              "\r\nFirst generation product ion(s) of [P+4]; m/z 73.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 0.000000E+000, 0.000\r\n"
              "A+1, 35.97, 0.000000E+000, 0.000\r\n"
              "A+2, 36.97, 5.875776E-002, 100.000\r\n"
              "A+3, 37.97, 0.000000E+000, 0.000\r\n"
              "A+4, 38.97, 0.000000E+000, 0.000\r\n"
              "Total fractional abundance in this spectrum: 5.87578E-002\r\n");
}

TEST(MsnCommand, TwoStepTableEqualsTheProductScanOfThatPeak) {
    // The Product scan splits every precursor species by the same model in its own engine.
    const Outcome msn = cli({"msn", "C6H12O6", "--steps", "2", "--precursor-peak", "2", "--product", "C6H10O5"});
    const Outcome product = cli({"product", "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "2"});
    ASSERT_EQ(msn.status, kExitOk) << msn.err;
    ASSERT_EQ(product.status, kExitOk) << product.err;
    const std::vector<Table> m = tables(msn.out);
    const std::vector<Table> p = tables(product.out);
    ASSERT_EQ(m.size(), 1u);
    ASSERT_EQ(p.size(), 3u);
    ASSERT_EQ(m[0].fa.size(), 3u);
    for (size_t g = 0; g < 3; ++g) expectClose(m[0].fa[g], p[2].fa[g], 1e-6, "[1G+" + std::to_string(g) + "]");
    // And the table adds up to the precursor's [A+2], 0.0132202 for glucose.
    expectClose(m[0].total, 0.0132202, 1e-5, "total");
}

TEST(MsnCommand, ThreeAndFourStepFilesChainTheirTables) {
    struct Case {
        std::vector<std::string> args;
        size_t tableCount;
        std::vector<std::string> headings;
    };
    const Case cases[] = {
        {{"msn", "C6H12O6", "--steps", "3", "--precursor-peak", "2", "--product", "C6H10O5", "--product1-peak", "1",
          "--product2", "C5H8O4", "--product2-charge", "-1"},
         2,
         {"Data for the second generation product ion:", "Formula: C5H8O4; [A+0] Mass: 132.0423; Charge: -1",
          "Second generation product ion(s) of [1G+1]; m/z 163.05"}},
        {{"msn", "C43H66N12O12S2", "--steps", "4", "--precursor-peak", "3", "--product", "C40H61N11O11S2",
          "--product1-peak", "2", "--product2", "C30H50N9O8S", "--product2-peak", "1", "--product3", "C20H30N5O5",
          "--charge", "2", "--product-charge", "2"},
         3,
         {"Data for the third generation product ion:", "Third generation product ion(s) of [2G+1]; m/z 697.35"}},
    };
    for (const Case& c : cases) {
        const Outcome r = cli(c.args);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const std::vector<std::string> ls = lines(r.out);
        for (const std::string& h : c.headings)
            EXPECT_NE(std::find(ls.begin(), ls.end(), h), ls.end()) << h << "\n" << r.out;
        const std::vector<Table> t = tables(r.out);
        ASSERT_EQ(t.size(), c.tableCount);
        // Peak indices I, J, K of the case (the values after --precursor-peak, --product1-peak and
        // --product2-peak): the table sizes, and each table adds up to its parent peak.
        const size_t selected[3] = {std::stoul(c.args[5]), std::stoul(c.args[9]),
                                    c.tableCount == 3 ? std::stoul(c.args[13]) : 0};
        for (size_t g = 0; g < c.tableCount; ++g) {
            ASSERT_EQ(t[g].fa.size(), selected[g] + 1) << "table " << g;
            double sum = 0;
            for (double fa : t[g].fa) sum += fa;
            expectClose(sum, t[g].total, 2e-5, "table total");
            if (g > 0) expectClose(t[g].total, t[g - 1].fa[selected[g]], 2e-5, "table " + std::to_string(g) + " sum");
        }
    }
}

TEST(MsnCommand, ComponentSectionOfTheLastGeneration) {
    const Outcome r = cli({"msn", "C6H12O6", "--steps", "3", "--precursor-peak", "2", "--product", "C6H10O5",
                           "--product1-peak", "1", "--product2", "C5H8O4", "--components", "1:1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::string heading =
        "\r\nIndividual peak components for product ions of the [P+2] precursor ion:\r\n"
        "\r\nIon Formula, Mass, FA, Rel. Int.\r\n[A+1] Peak\r\n";
    const size_t at = r.out.find(heading);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("[A+0] Peak"), std::string::npos);  // LAST replaces the precursor index
    const std::vector<std::string> ls = lines(r.out.substr(at + heading.size()));
    // The three species of [2G+1] in ascending mass: 13C, 17O, 2H.
    ASSERT_EQ(ls.size(), 4u) << r.out;
    EXPECT_EQ(ls[0].rfind("(12C)4(13C)(1H)8(16O)4, 133.04", 0), 0u) << ls[0];
    EXPECT_EQ(ls[1].rfind("(12C)5(1H)8(16O)3(17O), 133.04", 0), 0u) << ls[1];
    EXPECT_EQ(ls[2].rfind("(12C)5(1H)7(2H)(16O)4, 133.04", 0), 0u) << ls[2];
    EXPECT_EQ(ls[3].rfind("Total FA for the components in the peak listed above: ", 0), 0u);
    // The components make up the whole [2G+1] peak.
    const std::vector<Table> t = tables(r.out);
    ASSERT_EQ(t.size(), 2u);
    expectClose(std::strtod(ls[3].c_str() + 54, nullptr), t[1].fa[1], 2e-5, "components total");
}

TEST(MsnCommand, Refusals) {
    const std::vector<std::string> glucose2{"msn", "C6H12O6", "--steps", "2", "--precursor-peak", "2", "--product",
                                            "C6H10O5"};
    auto with = [](std::vector<std::string> base, const std::vector<std::string>& more) {
        base.insert(base.end(), more.begin(), more.end());
        return base;
    };
    const std::vector<std::string> glucose3{"msn", "C6H12O6", "--steps", "3", "--precursor-peak", "2", "--product",
                                            "C6H10O5", "--product2", "C5H8O4"};
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"msn", "C6H12O6", "--precursor-peak", "2", "--product", "C6H10O5"}, "--steps is needed"},
        {{"msn", "C6H12O6", "--steps", "2", "--product", "C6H10O5"}, "--precursor-peak is needed"},
        {{"msn", "C6H12O6", "--steps", "2", "--precursor-peak", "2"}, "--product is needed"},
        {with(glucose2, {"--product2", "C5H8O4"}), "--product2 belongs to runs of 3 or 4 steps, not 2"},
        {with(glucose3, {}), "a run of 3 steps needs --product1-peak"},
        {with(glucose3, {"--product1-peak", "1", "--product3", "C4H6O3"}), "--product3 belongs to runs of 4 steps"},
        {with(glucose2, {"--steps=5"}), "(the value of --steps: '5')"},
        {{"msn", "C6H12O6", "--steps", "2", "--precursor-peak", "40", "--product", "C6H10O5"},
         "Precursor ion index number exceeds maximum possible value!"},
        {with(glucose3, {"--product1-peak", "3"}), "Index numbers for products cannot be larger than those of precursors!"},
        {with(glucose3, {"--product1-peak", "1", "--product2-charge", "0"}), "Product ion charge cannot be zero!"},
        {{"msn", "C6H12O6", "--steps", "2", "--precursor-peak", "2", "--product", "C7H10O5"},
         "Product ion has more atoms of an element than Precursor!"},
        {{"msn", "C6H12O6", "--steps", "3", "--precursor-peak", "2", "--product", "C", "--product1-peak", "2",
          "--product2", "C"},
         "2G precursor ion index number exceeds maximum possible value!"},
        {{"msn", "C6H12O6", "--steps", "3", "--precursor-peak", "2", "--product", "C6H10O5", "--product1-peak", "1",
          "--product2", "C5H8Q4"},
         "Formula Entry Error"},
        // Component ranges: beyond the precursor index, beyond the 1G index, reversed, too many ions.
        {with(glucose2, {"--components", "0:3"}), "Last individual component peak index exceeds the maximum allowable value!"},
        {with(glucose3, {"--product1-peak", "1", "--components", "0:2"}),
         "Last individual component peak index exceeds the maximum allowable value!"},
        {with(glucose2, {"--components", "2:1"}), "First individual component peak index cannot be greater than the last!"},
        {with(glucose2, {"--components", "0:2", "--max-ions", "700"}), "(the value of --max-ions: '700')"},
        {with(glucose2, {"--components", "0-2"}), "--components needs FIRST:LAST"},
        // Sums of the indices: 320 + 319 exceeds 638.
        {{"msn", "C400", "--steps", "3", "--precursor-peak", "320", "--product", "C399", "--product1-peak", "319",
          "--product2", "C398"},
         "The sum of the index numbers exceeds available memory storage!"},
        {{"msn", "C400", "--steps", "4", "--precursor-peak", "213", "--product", "C399", "--product1-peak", "213",
          "--product2", "C398", "--product2-peak", "212", "--product3", "C397"},
         "The sum of the index numbers exceeds available memory storage!"},
    };
    for (const Case& c : cases) {
        const Outcome r = cli(c.args);
        EXPECT_EQ(r.status, kExitRefused) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << "wanted: " << c.message << "\ngot: " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(MsnCommand, IndexSumsAtTheirLimitsAreAccepted) {
    setStopBeforeCalculation(true);
    const Outcome three = cli({"msn", "C400", "--steps", "3", "--precursor-peak", "319", "--product", "C399",
                               "--product1-peak", "319", "--product2", "C398"});
    const Outcome four = cli({"msn", "C400", "--steps", "4", "--precursor-peak", "212", "--product", "C399",
                              "--product1-peak", "212", "--product2", "C398", "--product2-peak", "212", "--product3",
                              "C397"});
    setStopBeforeCalculation(false);
    EXPECT_EQ(three.status, kExitOk) << three.err;
    EXPECT_EQ(four.status, kExitOk) << four.err;
}

}  // namespace
}  // namespace mv::cli
