#include "cli/cli.h"
#include "tests/support/cli_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace mv::cli {
namespace {

using Outcome = test::CliResult;
inline Outcome cli(const std::vector<std::string>& args) { return test::runCli(args); }
inline std::vector<std::string> lines(const std::string& text) { return test::crlfLines(text); }

// One peak table of a data-set file: the FA column of its lines and its total line.
struct Table {
    std::vector<std::string> fa;
    std::string total;
};

// The tables of a file in order, each starting after a column heading line.
std::vector<Table> tables(const std::string& file) {
    std::vector<Table> result;
    Table* open = nullptr;
    for (const std::string& line : lines(file)) {
        if (line.find(", FA, Rel Int") != std::string::npos) {
            result.emplace_back();
            open = &result.back();
        } else if (open && line.rfind("A+", 0) == 0) {
            const size_t second = line.find(", ", line.find(", ") + 2);
            open->fa.push_back(line.substr(second + 2, line.find(", ", second + 2) - second - 2));
        } else if (open && line.rfind("Total fractional abundance: ", 0) == 0) {
            open->total = line;
            open = nullptr;
        }
    }
    return result;
}

TEST(ProductCommand, ChlorineTriangleFile) {
    // 35Cl 34.96885 (0.7576), 37Cl (0.2424); electron 0.000054858. Precursor [A+0] mass
    // 2 x 34.96885 - 0.000054858 = 69.937645142, product 34.968795142. FAs: 0.7576^2 = 0.57395776,
    // 35Cl37Cl 2 x 0.7576 x 0.2424 = 0.36728448 shared evenly by the two products, 0.2424^2 = 0.05875776.
    const Outcome r = cli({"product", "Cl2", "--product", "Cl", "--max-precursor-peak", "4"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Data for product ion mass spectra\r\n"
              "Precursor Ion Formula: Cl2; Mass of [A+0]: 69.9376; Charge: 1\r\n"
              "Product Ion Formula: Cl; Mass of [A+0]: 34.9688; Charge: 1\r\n"
              "\r\nFor the Product Ion(s) of m/z 69.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 5.739578E-001, 100.000\r\n"
              "Sum of the fractional abundances in this spectrum is 5.739578E-001.\r\n"
              "\r\nFor the Product Ion(s) of m/z 70.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 0.000000E+000, 0.000\r\n"
              "A+1, 35.97, 0.000000E+000, 0.000\r\n"
              "Sum of the fractional abundances in this spectrum is 0.000000E+000.\r\n"
              "\r\nFor the Product Ion(s) of m/z 71.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 1.836422E-001, 100.000\r\n"
              "A+1, 35.97, 0.000000E+000, 0.000\r\n"
              "A+2, 36.97, 1.836422E-001, 100.000\r\n"
              "Sum of the fractional abundances in this spectrum is 3.672845E-001.\r\n"
              "\r\nFor the Product Ion(s) of m/z 72.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 0.000000E+000, 0.000\r\n"
              "A+1, 35.97, 0.000000E+000, 0.000\r\n"
              "A+2, 36.97, 0.000000E+000, 0.000\r\n"
              "A+3, 37.97, 0.000000E+000, 0.000\r\n"
              "Sum of the fractional abundances in this spectrum is 0.000000E+000.\r\n"
              "\r\nFor the Product Ion(s) of m/z 73.94\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 34.97, 0.000000E+000, 0.000\r\n"
              "A+1, 35.97, 0.000000E+000, 0.000\r\n"
              "A+2, 36.97, 5.875776E-002, 100.000\r\n"
              "A+3, 37.97, 0.000000E+000, 0.000\r\n"
              "A+4, 38.97, 0.000000E+000, 0.000\r\n"
              "Sum of the fractional abundances in this spectrum is 5.875776E-002.\r\n"
              "The total fractional abundance for this calculation is 1.000000\r\n");
}

// Peak lines per spectrum, the spectra's sum lines, and the grand total line of a Product file.
struct Spectra {
    std::vector<int> peakLines;
    std::vector<std::string> sums;
    std::string total;
};

Spectra spectra(const std::string& file) {
    Spectra result;
    for (const auto& line : lines(file)) {
        if (line.rfind("F Ion", 0) == 0) result.peakLines.push_back(0);
        if (line.rfind("A+", 0) == 0) ++result.peakLines.back();
        if (line.rfind("Sum of the fractional abundances in this spectrum is ", 0) == 0) result.sums.push_back(line.substr(53));
        if (line.rfind("The total fractional abundance for this calculation is ", 0) == 0) result.total = line.substr(55);
    }
    return result;
}

TEST(ProductCommand, SpectraStopAtTheHeaviestPeakOrOnceTheTotalIsReached) {
    // C6H12O6, heaviest precursor peak 3, given or by default. The pass visits the species of up to
    // two heavy atoms (then its total exceeds 0.9999); summed by shift, exactly (python fractions):
    // [A+0] 0.922633, [A+1] 0.06325579, [A+2] 0.01322018, [A+3] 0.0007756081, together 0.999885,
    // below the stop value, so all four spectra are written, with 1, 2, 3 and 4 peak lines.
    for (const auto& args :
         {std::vector<std::string>{"product", "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "3"},
          std::vector<std::string>{"product", "C6H12O6", "--product", "C6H10O5"}}) {
        SCOPED_TRACE(args.size());
        const Outcome r = cli(args);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Spectra s = spectra(r.out);
        EXPECT_EQ(s.peakLines, (std::vector<int>{1, 2, 3, 4}));
        EXPECT_EQ(s.sums, (std::vector<std::string>{"9.226330E-001.", "6.325579E-002.", "1.322018E-002.",
                                                    "7.756081E-004."}));
        EXPECT_EQ(s.total, "0.999885");
    }

    // Cl2 up to [A+3]: the pass holds 0.57395776 + 0.36728448 = 0.94124224, below the stop value, so
    // its reported total is lowered to 0.94124124; the grand total passes that with the [A+2]
    // spectrum, and the empty [A+3] spectrum is not written.
    Outcome r = cli({"product", "Cl2", "--product", "Cl", "--max-precursor-peak", "3"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const Spectra cl = spectra(r.out);
    EXPECT_EQ(cl.peakLines, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(cl.total, "0.941242");

    // Heaviest peak 0: one spectrum of the lightest species.
    r = cli({"product", "Cl2", "--product", "Cl", "--max-precursor-peak", "0"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(spectra(r.out).peakLines, (std::vector<int>{1}));
    EXPECT_EQ(spectra(r.out).total, "0.573958");

    // Stop value 0.9: [A+0] of C6H12O6 alone, 0.9893^6 x 0.999885^12 x 0.99757^6 = 0.922633, is
    // already above it, so one spectrum is written whatever the heaviest peak asked for.
    // Masses: 6 x 12 + 12 x 1.007825 + 6 x 15.99491 - 0.000054858 = 180.063305142, product 162.052745142.
    r = cli({"product", "C6H12O6", "--product", "C6H10O5", "--stop-fa", "0.9", "--max-precursor-peak", "5"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "Data for product ion mass spectra\r\n"
              "Precursor Ion Formula: C6H12O6; Mass of [A+0]: 180.0633; Charge: 1\r\n"
              "Product Ion Formula: C6H10O5; Mass of [A+0]: 162.0527; Charge: 1\r\n"
              "\r\nFor the Product Ion(s) of m/z 180.06\r\n"
              "F Ion, m/z, FA, Rel Int\r\n"
              "A+0, 162.05, 9.226330E-001, 100.000\r\n"
              "Sum of the fractional abundances in this spectrum is 9.226330E-001.\r\n"
              "The total fractional abundance for this calculation is 0.922633\r\n");
}

TEST(TwoPassCommands, TablesAreTheRegularClustersOfFragmentAndProduct) {
    const struct {
        const char* precursor;
        const char* product;
        const char* loss;
    } pairs[] = {
        {"C6H12O6", "C6H10O5", "H2O"},
        {"C6H11ClO5S", "C6H10O5", "HClS"},
        {"C10H14BrN2O4S", "C8H10N2O2", "C2H4BrO2S"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(std::string(p.precursor) + " -> " + p.product);
        const Outcome loss = cli({"regular", p.loss});
        const Outcome product = cli({"regular", p.product});
        const Outcome precursor = cli({"precursor", p.precursor, "--product", p.product});
        const Outcome neutralLoss = cli({"neutral-loss", p.precursor, "--product", p.product});
        for (const Outcome* o : {&loss, &product, &precursor, &neutralLoss}) ASSERT_EQ(o->status, kExitOk) << o->err;

        const std::vector<Table> lossTables = tables(loss.out), productTables = tables(product.out);
        const std::vector<Table> precursorTables = tables(precursor.out), nlTables = tables(neutralLoss.out);
        ASSERT_EQ(lossTables.size(), 1u);
        ASSERT_EQ(productTables.size(), 1u);
        ASSERT_EQ(precursorTables.size(), 2u);
        ASSERT_EQ(nlTables.size(), 2u);
        EXPECT_GT(lossTables[0].fa.size(), 2u);
        // Precursor: the neutral fragment, then the product ion; Neutral Loss the other way round.
        EXPECT_EQ(precursorTables[0].fa, lossTables[0].fa);
        EXPECT_EQ(precursorTables[0].total, lossTables[0].total);
        EXPECT_EQ(precursorTables[1].fa, productTables[0].fa);
        EXPECT_EQ(precursorTables[1].total, productTables[0].total);
        EXPECT_EQ(nlTables[0].fa, productTables[0].fa);
        EXPECT_EQ(nlTables[0].total, productTables[0].total);
        EXPECT_EQ(nlTables[1].fa, lossTables[0].fa);
        EXPECT_EQ(nlTables[1].total, lossTables[0].total);
    }
}

TEST(TwoPassCommands, HeadingsCarryBothIonsAndTheirCharges) {
    Outcome r = cli({"precursor", "C6H12O6", "--charge", "2", "--product", "C6H10O5", "--product-charge", "-1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::string> file = lines(r.out);
    ASSERT_GT(file.size(), 12u);
    EXPECT_EQ(file[0], "Data for precursor ion MS/MS spectra");
    EXPECT_EQ(file[1], "Precursor Ion Formula: C6H12O6; Product Ion Formula: C6H10O5");
    // 180.06336 - 2 electrons = 180.063250284, 162.0528 + 1 electron = 162.052854858.
    EXPECT_EQ(file[2], "A+0 Precursor Ion Mass: 180.0633; A+0 Product Ion Mass: 162.0529");
    EXPECT_EQ(file[3], "Precursor Ion Charge: 2; Product Ion Charge: -1");
    EXPECT_EQ(file[8], "A+0, 90.03, 9.973406E-001, 100.000");  // water's [A+0] at the precursor's m/z

    r = cli({"neutral-loss", "C6H12O6", "--charge=-1", "--product", "C6H10O5", "--product-charge", "-1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    file = lines(r.out);
    EXPECT_EQ(file[0], "Data for neutral loss MS/MS spectra");
    // 180.063305142 + 0.000054858 = 180.06336; fragment 180.06336 - 162.0528 = 18.01056.
    EXPECT_EQ(file[2], "A+0 Precursor Ion Mass: 180.0634; 'A+0' Neutral Fragment Mass: 18.0106");
    EXPECT_EQ(file[3], "Precursor and Product Ion Charge: -1");
}

TEST(NeutralLossCommand, ComponentsAreListedForTheProductIonOnly) {
    const Outcome r = cli({"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--components", "0:2", "--max-ions", "12"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::string& out = r.out;
    const size_t section = out.find("\r\nIndividual components for peaks within a spectrum:\r\n");
    ASSERT_NE(section, std::string::npos);
    EXPECT_EQ(out.find("Total fractional abundance", section), std::string::npos) << "section not last";
    const std::vector<std::string> listed = lines(out.substr(section + 2));
    int components = 0;
    for (const auto& line : listed) {
        if (line.rfind("(", 0) != 0) continue;
        ++components;
        // Every component is a C6H10O5 isotopologue, none the water of the second pass.
        EXPECT_NE(line.find("C)"), std::string::npos) << line;
    }
    EXPECT_GT(components, 3);
    // 6 x 12 + 10 x 1.007825 + 5 x 15.99491 - 0.000054858 = 162.052745142
    EXPECT_NE(out.find("\r\n[A+0] Peak\r\n(12C)6(1H)10(16O)5, 162.0527, "), std::string::npos);
    EXPECT_NE(out.find("\r\n[A+2] Peak\r\n"), std::string::npos);
    EXPECT_EQ(out.find("(1H)2(16O)"), std::string::npos);
}

TEST(TandemCommands, ProductIonChecksRefuseWithTheirMessage) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"precursor", "C6H12O6", "--product", "C6H12O6"},
         "(Neutral) Fragment must contain at least one polyisotopic element!\n"},
        {{"neutral-loss", "C6H11F2O6", "--product", "C6H11FO6"},
         "(Neutral) Fragment must contain at least one polyisotopic element!\n"},
        {{"product", "C6H12O6", "--product", "C5H10N"}, "Element mismatch between product ion and precursor ion!\n"},
        {{"precursor", "C6H12O6", "--product", "C5H10FO"}, "Element mismatch between product ion and precursor ion!\n"},
        {{"neutral-loss", "C6H12O6", "--product", "C6H10NO5"},
         "Element mismatch between product ion and precursor ion!\n"},
        {{"product", "C6H12O6", "--product", "C7H10O5"}, "Product ion has more atoms of an element than Precursor!\n"},
        {{"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--product-charge", "2"},
         "For NL scans, Precursor and Product ions must have equal charges!\n"},
        {{"neutral-loss", "C6H12O6", "--charge", "-1", "--product", "C6H10O5"},
         "For NL scans, Precursor and Product ions must have equal charges!\n"},
        {{"precursor", "C6H12O6", "--product", "C6H10O5", "--product-charge", "0"}, "Product ion charge cannot be zero!\n"},
        {{"product", "C6H12O6", "--product", "C6H10O5", "--product-charge=0"}, "Product ion charge cannot be zero!\n"},
        {{"product", "C6H12O6", "--charge", "0", "--product", "C6H10O5"}, "Precursor ion charge cannot be zero!\n"},
        // Nobody answers Retry on the command line.
        {{"neutral-loss", "C6H12O6", "--product", "C6h10O5"}, "Formula Entry Error\n"},
        {{"neutral-loss", "C6H12O6", "--product", "C6H10O5", "--components", "200:321"},
         "Last individual component peak index exceeds the maximum allowable value!\n"},
        {{"precursor", "Jx2C6H12O6", "--product", "C6H10O5"},
         "Jx needs isotope data: give it with --user-element Jx=LIGHT[,HEAVY:FA]... (HEAVY is its mass-number "
         "increment over the lightest isotope).\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Outcome r = cli(c.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

TEST(TandemCommands, AcceptedChargesAndUserElements) {
    const std::vector<std::string> accepted[] = {
        {"precursor", "C6H12O6", "--product", "C6H10O5", "--product-charge", "2"},
        {"product", "C6H12O6", "--product", "C6H10O5", "--product-charge", "-1"},
        {"product", "C6H12O6", "--charge", "3", "--product", "C6H10O5", "--product-charge=-2"},
        {"neutral-loss", "C6H12O6", "--charge", "-2", "--product", "C6H10O5", "--product-charge", "-2"},
        // A user element in the precursor (and lost with the fragment).
        {"precursor", "JxC6H12O6", "--product", "C6H10O5", "--user-element", "Jx=50.0,1:0.25"},
        {"neutral-loss", "Jx2C6H12O6", "--product", "JxC6H10O5", "--user-element", "Jx=50.0,1:0.25"},
    };
    for (const auto& args : accepted) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome r = cli(args);
        EXPECT_EQ(r.status, kExitOk);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(r.out.empty());
    }
    // Fragment Jx H2O: [A+1] is the heavy Jx, 0.25 of it, times the light water 0.999885^2 x 0.99757.
    const Outcome r = cli({"precursor", "JxC6H12O6", "--product", "C6H10O5", "--user-element", "Jx=50.0,1:0.25"});
    const std::vector<Table> t = tables(r.out);
    ASSERT_EQ(t.size(), 2u);
    ASSERT_GT(t[0].fa.size(), 1u);
    EXPECT_EQ(t[0].fa[0], "7.480054E-001");  // 0.75 x 0.9973405721
    EXPECT_EQ(t[0].fa[1].substr(0, 4), "2.49");
}

TEST(TandemCommands, HostileArgumentsAreRefusedClearly) {
    const std::string nl = "neutral-loss", pr = "precursor", pd = "product";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{pr, "C6H12O6"}, "marvolen-cli precursor: --product is needed: --product FORMULA (see --help)\n"},
        {{nl, "C6H12O6", "--charge", "--product"},
         "marvolen-cli neutral-loss: --product is needed: --product FORMULA (see --help)\n"},
        {{pd, "C6H12O6", "--product"}, "marvolen-cli product: --product needs a value FORMULA\n"},
        {{pd, "--product", "C6H10O5"}, "marvolen-cli product: a formula is needed (see --help)\n"},
        {{pr, "", "--product", "C6H10O5"}, "Formula Entry Error\n"},
        {{pr, "C6H12O6", "--product", ""}, "Formula Entry Error\n"},
        {{pr, "C\xE2\x82\x86H12O6", "--product", "C6H10O5"}, "Formula Entry Error\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5\xC3\xA9"}, "Formula Entry Error\n"},
        {{pd, "C6H12O6", "--charge", "99999999999", "--product", "C6H10O5"},
         "Please enter an integer.\n(the value of --charge: '99999999999')\n"},
        {{nl, "C6H12O6", "--product", "C6H10O5", "--product-charge", "99999999999"},
         "Please enter an integer.\n(the value of --product-charge: '99999999999')\n"},
        {{pr, "C6H12O6", "--product", "C6H10O5", "--product-charge", "1.5"},
         "Please enter an integer.\n(the value of --product-charge: '1.5')\n"},
        {{pr, "C6H12O6", "--product", "C6H10O5", "--stop-fa", "nan"},
         "Please enter a number.\n(the value of --stop-fa: 'nan')\n"},
        {{nl, "C6H12O6", "--product", "C6H10O5", "--stop-fa", "inf"},
         "Please enter a number.\n(the value of --stop-fa: 'inf')\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5", "--stop-fa", "0.9x"},
         "Please enter a number.\n(the value of --stop-fa: '0.9x')\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5", "--stop-fa", "1"},
         "Please enter a number between 0.5 and 0.99999.\n(the value of --stop-fa: '1')\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "35"},
         "Please enter an integer between 0 and 34.\n(the value of --max-precursor-peak: '35')\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "-1"},
         "Please enter an integer between 0 and 34.\n(the value of --max-precursor-peak: '-1')\n"},
        {{pd, "C6H12O6", "--product", "C6H10O5", "--components", "0:3"},
         "marvolen-cli product: unknown option '--components' (see --help)\n"},
        {{pr, "C6H12O6", "--product", "C6H10O5", "--max-precursor-peak", "3"},
         "marvolen-cli precursor: unknown option '--max-precursor-peak' (see --help)\n"},
        {{pr, "C6H12O6", "C6H10O5", "--product", "H2O"},
         "marvolen-cli precursor: only one formula may be given ('C6H10O5' is extra)\n"},
        // The precursor scan's formula field holds 256 characters, the others 128.
        {{pr, std::string(257, 'C'), "--product", "C"}, "Please enter no more than 256 characters.\n(the value of FORMULA: '" + std::string(257, 'C') + "')\n"},
        {{nl, std::string(129, 'C'), "--product", "C"}, "Please enter no more than 128 characters.\n(the value of FORMULA: '" + std::string(129, 'C') + "')\n"},
        {{pd, "C6H12O6", "--product", std::string(129, 'C')},
         "Please enter no more than 128 characters.\n(the value of --product: '" + std::string(129, 'C') + "')\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Outcome r = cli(c.args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    // 256 carbons (and a product within them) fit the precursor scan's field.
    const Outcome r = cli({pr, std::string(256, 'C'), "--product", "C"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
}

TEST(TandemCommands, HelpDescribesEveryOption) {
    const struct {
        const char* command;
        std::vector<std::string> options;
    } commands[] = {
        {"precursor", {"--product FORMULA", "--charge Z", "--product-charge Z", "--stop-fa F", "--user-element DATA"}},
        {"neutral-loss",
         {"--product FORMULA", "--charge Z", "--product-charge Z", "--stop-fa F", "--components FIRST:LAST",
          "--max-ions N", "--user-element DATA"}},
        {"product",
         {"--product FORMULA", "--charge Z", "--product-charge Z", "--stop-fa F", "--max-precursor-peak S",
          "--user-element DATA"}},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.command);
        const Outcome r = cli({c.command, "--help"});
        EXPECT_EQ(r.status, kExitOk);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind(std::string("Usage: marvolen-cli ") + c.command + " FORMULA --product FORMULA", 0), 0u);
        for (const auto& o : c.options) EXPECT_NE(r.out.find("\n  " + o + " "), std::string::npos) << o;
        EXPECT_EQ(cli({c.command, "-h", "--product"}).status, kExitOk);
    }
    const Outcome usage = cli({"--help"});
    for (const char* name : {"\n  precursor ", "\n  neutral-loss ", "\n  product "})
        EXPECT_NE(usage.out.find(name), std::string::npos) << name;
}

// Ctrl+C stops the running part of a two-pass scan; the next part starts afresh and is stopped by
// the next Ctrl+C. The process keeps SIGINT ignored outside the calculation, so a late signal
// cannot kill it while it writes.
TEST(TandemCommands, InterruptStopsEachPartAndStillWritesTheDataSet) {
    char outPath[] = "/tmp/marvolen-tandem-out-XXXXXX";
    char errPath[] = "/tmp/marvolen-tandem-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    ASSERT_GE(outFd, 0);
    ASSERT_GE(errFd, 0);
    // Both passes of this pair run for well over a minute when left alone.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        std::signal(SIGINT, SIG_IGN);
        execl(MARVOLEN_CLI, MARVOLEN_CLI, "precursor", "C3000H5000N500O1000S200Cl100Br100Si50", "--product",
              "C1500H2500N250O500S100Cl50Br50Si25", "--stop-fa", "0.99999", "--no-progress", nullptr);
        _exit(127);
    }
    close(outFd);
    close(errFd);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    int interrupts = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "the calculation did not stop after " << interrupts << " interrupts";
        }
        kill(pid, SIGINT);
        ++interrupts;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    std::ifstream outFile(outPath, std::ios::binary), errFile(errPath, std::ios::binary);
    const std::string out((std::istreambuf_iterator<char>(outFile)), {});
    const std::string err((std::istreambuf_iterator<char>(errFile)), {});
    std::remove(outPath);
    std::remove(errPath);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitOk) << err;
    EXPECT_EQ(err, "");
    EXPECT_GE(interrupts, 2);
    const std::vector<Table> t = tables(out);
    ASSERT_EQ(t.size(), 2u);
    for (const Table& table : t) {
        // Each part reports what it reached, below the stop value, and holds at least its lightest species.
        ASSERT_FALSE(table.fa.empty());
        EXPECT_NE(table.fa[0], "0.000000E+000");
        const double total = std::strtod(table.total.substr(table.total.find(": ") + 2).c_str(), nullptr);
        EXPECT_LT(total, 0.99999) << table.total;
    }
}

}  // namespace
}  // namespace mv::cli
