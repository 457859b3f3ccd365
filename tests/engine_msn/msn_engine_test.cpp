#include "brute_force.h"

#include "cli/calc_command.h"
#include "cli/cli.h"
#include "control/workers.h"
#include "engine/msn_engine.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>

namespace mv {
namespace {

// Sets the workspace up through the MSn command's own forms and checks, stopping just before the
// calculation would start.
class MsnRunTest : public ::testing::Test {
protected:
    void SetUp() override { cli::setStopBeforeCalculation(true); }
    void TearDown() override { cli::setStopBeforeCalculation(false); }

    CalcWorkspace& prepare(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"msn"};
        argv.insert(argv.end(), args.begin(), args.end());
        argv.push_back("--no-progress");
        std::ostringstream out, err;
        const int status = cli::run(argv, out, err);
        EXPECT_EQ(status, cli::kExitOk) << err.str();
        return workspace();
    }
};

Composition parsed(const std::string& formula) {
    test::ScriptedPrompter prompter;
    Composition c;
    EXPECT_EQ(parseFormula(formula, c, prompter), ParseResult::Parsed) << formula;
    return c;
}

long double abundance(const char* symbol, int isotope) {
    const ElementTable& t = elementTable();
    const int e = *elementIndex(symbol);
    return static_cast<long double>(t.abundance[t.firstAbundance[e] + isotope]);
}

void expectRelative(long double actual, long double expected, long double tolerance, const std::string& what) {
    EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected) + 1e-30L)
        << what << ": " << static_cast<double>(actual) << " vs " << static_cast<double>(expected);
}

// The peaks of each generation add up to the parent peak they come from.
void expectGenerationSums(const CalcWorkspace& ws) {
    const int i = ws.precursorPeakIndex, j = ws.product1PeakIndex, k = ws.product2PeakIndex;
    long double g1 = 0, g2 = 0, g3 = 0;
    for (int g = 0; g <= i; ++g) g1 += ws.peakFA[g];
    expectRelative(g1, ws.totalFA, 1e-15L, "[1G] sum");
    if (ws.msSteps >= 3) {
        for (int g = 0; g <= j; ++g) g2 += ws.peakFA[i + 1 + g];
        expectRelative(g2, ws.peakFA[j], 1e-15L, "[2G] sum");
    }
    if (ws.msSteps == 4) {
        for (int g = 0; g <= k; ++g) g3 += ws.peakFA[i + j + 2 + g];
        expectRelative(g3, ws.peakFA[i + 1 + k], 1e-15L, "[3G] sum");
    }
}

// The isotope-resolved formula of a last-generation species, written from the element table.
std::string formulaOf(const std::vector<int>& elements, const std::vector<std::vector<int>>& heavy,
                      const Composition& product) {
    const ElementTable& t = elementTable();
    std::string text;
    auto group = [&](const std::string& label, int count) {
        if (count == 0) return;
        text += "(" + label + ")";
        if (count != 1) text += std::to_string(count);
    };
    for (int e = 0; e < kElementCount; ++e) {
        if (product.count[e] == 0 && t.heavyIsotopeCount[e] > 0) continue;
        const std::string sym = ElementTable::symbol(e);
        if (t.heavyIsotopeCount[e] == 0) {
            if (product.count[e] > 0) group(sym, static_cast<int>(product.count[e]));
            continue;
        }
        size_t x = 0;
        while (x < elements.size() && elements[x] != e) ++x;
        int light = static_cast<int>(product.count[e]);
        for (int c : heavy[x]) light -= c;
        group(std::to_string(t.nominalMass[e]) + sym, light);
        for (size_t h = 0; h < heavy[x].size(); ++h)
            group(std::to_string(t.nominalMass[e] + t.heavyDeltaA[t.firstHeavy[e] + static_cast<int>(h)]) + sym,
                  heavy[x][h]);
    }
    return text;
}

struct BruteCase {
    std::vector<std::string> formulas;  // precursor, then the products
    int i, j, k;
    int first, last;  // listed peaks of the last generation
};

void PrintTo(const BruteCase& c, std::ostream* os) {
    for (const std::string& f : c.formulas) *os << f << ' ';
    *os << "i=" << c.i << " j=" << c.j << " k=" << c.k;
}

class BruteForceComparison : public MsnRunTest, public ::testing::WithParamInterface<BruteCase> {};

TEST_P(BruteForceComparison, AllGenerationsAndComponentsAgree) {
    const BruteCase& c = GetParam();
    const int steps = static_cast<int>(c.formulas.size());
    std::vector<std::string> args{c.formulas[0], "--steps", std::to_string(steps), "--precursor-peak",
                                  std::to_string(c.i), "--product", c.formulas[1]};
    if (steps >= 3) {
        args.insert(args.end(), {"--product1-peak", std::to_string(c.j), "--product2", c.formulas[2]});
    }
    if (steps == 4) {
        args.insert(args.end(), {"--product2-peak", std::to_string(c.k), "--product3", c.formulas[3]});
    }
    const int rows = c.last - c.first + 1;
    args.insert(args.end(), {"--components", std::to_string(c.first) + ":" + std::to_string(c.last), "--max-ions",
                             std::to_string(2000 / rows > 500 ? 500 : 2000 / rows)});
    CalcWorkspace& ws = prepare(args);
    ASSERT_EQ(msnWorker(ws, {}), 0);

    test::BruteInput in;
    in.precursor = parsed(c.formulas[0]);
    for (int g = 1; g < steps; ++g) in.products.push_back(parsed(c.formulas[static_cast<size_t>(g)]));
    in.steps = steps;
    in.i = c.i;
    in.j = c.j;
    in.k = c.k;
    const test::BruteResult expected = test::BruteForceMsn(in).run();

    EXPECT_EQ(ws.levelsDone, c.i);
    expectRelative(ws.totalFA, expected.selectedPrecursorFA, 1e-13L, "FA of [P+i]");
    const int offsets[3] = {0, c.i + 1, c.i + c.j + 2};
    for (int g = 0; g < steps - 1; ++g) {
        ASSERT_FALSE(expected.generation[g].empty());
        for (size_t p = 0; p < expected.generation[g].size(); ++p)
            expectRelative(ws.peakFA[offsets[g] + static_cast<int>(p)], expected.generation[g][p], 1e-13L,
                           "generation " + std::to_string(g + 1) + " peak " + std::to_string(p));
    }
    expectGenerationSums(ws);

    // Components: every last-generation species of a listed peak, once, with its FA and mass.
    const Composition& lastProduct = in.products.back();
    const ElementTable& t = elementTable();
    double monoMass = 0;
    for (int e = 0; e < kElementCount; ++e)
        if (t.heavyIsotopeCount[e] == 0) monoMass += lastProduct.count[e] * t.lightMass[e];
    monoMass -= kElectronMass;
    std::map<std::string, std::pair<long double, double>> wanted[kMaxListedRows];
    for (const auto& [key, fa] : expected.lastSpecies) {
        const int row = key.first - c.first;
        if (row < 0 || row >= rows) continue;
        double mass = monoMass;
        for (size_t x = 0; x < expected.elements.size(); ++x) {
            const int e = expected.elements[x];
            int light = static_cast<int>(lastProduct.count[e]);
            for (size_t h = 0; h < key.second[x].size(); ++h) {
                light -= key.second[x][h];
                mass += key.second[x][h] * t.heavyMass[t.firstHeavy[e] + static_cast<int>(h)];
            }
            mass += light * t.lightMass[e];
        }
        wanted[row][formulaOf(expected.elements, key.second, lastProduct)] = {fa, mass};
    }
    size_t components = 0;
    for (int r = 0; r < rows; ++r) {
        ASSERT_EQ(ws.peakCompCount[r], static_cast<int32_t>(wanted[r].size())) << "row " << r;
        for (int q = 0; q < ws.peakCompCount[r]; ++q) {
            const int e = r * ws.maxIonsPerPeak + q;
            const auto it = wanted[r].find(ws.compFormulas[e]);
            ASSERT_NE(it, wanted[r].end()) << ws.compFormulas[e];
            expectRelative(ws.compFAs[e], it->second.first, 1e-12L, ws.compFormulas[e]);
            EXPECT_NEAR(ws.compMasses[e], it->second.second, 1e-9) << ws.compFormulas[e];
            ++components;
        }
    }
    EXPECT_GT(components, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    SmallIons, BruteForceComparison,
    ::testing::Values(
        // Two steps: C, H, O, S and Cl; the loss CH2O holds no S and no Cl.
        BruteCase{{"C4H8O2SCl", "C3H6OSCl"}, 3, 0, 0, 0, 3},
        // Two steps with Br and N, a loss holding N and Br.
        BruteCase{{"C3H5BrN2O", "C2H3NO"}, 4, 0, 0, 1, 4},
        // Three steps.
        BruteCase{{"C5H9NO3S", "C4H7NO2S", "C3H5NOS"}, 3, 2, 0, 0, 2},
        // Three steps with j = i: only the loss-1 splits of shift 0 reach the second step.
        BruteCase{{"C4H6O2Cl2", "C3H4OCl2", "C3H4Cl"}, 2, 2, 0, 0, 2},
        // Four steps, the last product with monoisotopic fluorine.
        BruteCase{{"C4H6O3FCl", "C3H4O2FCl", "C2H2OFCl", "CFCl"}, 3, 2, 1, 0, 1},
        // Four steps with sulfur throughout.
        BruteCase{{"C6H10O4SCl", "C5H8O3SCl", "C4H6O2SCl", "C3H4OSCl"}, 4, 3, 2, 0, 2}));

TEST_F(MsnRunTest, ChlorineTwoStepEdgeCase) {
    CalcWorkspace& ws = prepare({"Cl2", "--steps", "2", "--precursor-peak", "4", "--product", "Cl"});
    ASSERT_EQ(msnWorker(ws, {}), 0);
    const long double a37 = abundance("Cl", 1);
    expectRelative(ws.totalFA, a37 * a37, 1e-17L, "total");
    EXPECT_EQ(ws.peakFA[2], ws.totalFA);
    for (int g : {0, 1, 3, 4}) EXPECT_EQ(ws.peakFA[g], 0.0L) << g;
    EXPECT_EQ(ws.levelsDone, 4);
}

TEST_F(MsnRunTest, ZeroPrecursorIndexGivesTheAllLightestSpecies) {
    for (int steps : {2, 4}) {
        std::vector<std::string> args{"C2H5Cl", "--steps", std::to_string(steps), "--precursor-peak", "0",
                                      "--product", "C2H4Cl", "--components", "0:0"};
        if (steps == 4)
            args.insert(args.end(), {"--product1-peak", "0", "--product2", "CH2Cl", "--product2-peak", "0",
                                     "--product3", "CCl"});
        CalcWorkspace& ws = prepare(args);
        ASSERT_EQ(msnWorker(ws, {}), 0);
        const long double fa0 =
            std::pow(abundance("C", 0), 2) * std::pow(abundance("H", 0), 5) * abundance("Cl", 0);
        for (int s = 0; s < 3; ++s) expectRelative(ws.peakFA[s], fa0, 1e-17L, "slot " + std::to_string(s));
        EXPECT_EQ(ws.levelsDone, 0);
        ASSERT_EQ(ws.peakCompCount[0], 1);
        EXPECT_STREQ(ws.compFormulas[0], steps == 2 ? "(12C)2(35Cl)(1H)4" : "(12C)(35Cl)");
        EXPECT_EQ(ws.compFAs[0], static_cast<double>(ws.peakFA[0]));
    }
}

TEST_F(MsnRunTest, CancelStopsAtTheFirstProcessedSpecies) {
    CalcWorkspace& ws = prepare({"Cl2", "--steps", "2", "--precursor-peak", "4", "--product", "Cl"});
    ws.cancelRequest.store(true);
    bool reported = false;
    bool reportedCancelled = false;
    CalcCallbacks callbacks;
    callbacks.complete = [&](bool cancelled) {
        reported = true;
        reportedCancelled = cancelled;
    };
    EXPECT_EQ(msnWorker(ws, callbacks), 1);
    EXPECT_TRUE(reported);
    EXPECT_TRUE(reportedCancelled);
    EXPECT_TRUE(ws.cancelFlag);
    // The only species of [P+4] has two heavy atoms: pass 2 was stopped, one pass completed.
    EXPECT_EQ(ws.levelsDone, 1);
    const long double a37 = abundance("Cl", 1);
    expectRelative(ws.totalFA, a37 * a37, 1e-17L, "total");
    for (int g = 0; g <= 4; ++g) EXPECT_EQ(ws.peakFA[g], 0.0L);
    ws.cancelRequest.store(false);
}

TEST_F(MsnRunTest, LargeIonsStayFiniteAndAddUp) {
    // Thousands of atoms make the split weights leave the extended range; the scale carries them.
    CalcWorkspace& ws = prepare({"C20000H30000", "--steps", "3", "--precursor-peak", "2", "--product",
                                 "C10000H15000", "--product1-peak", "1", "--product2", "C5000H7000"});
    ASSERT_EQ(msnWorker(ws, {}), 0);
    for (int s = 0; s <= 4; ++s) EXPECT_TRUE(std::isfinite(static_cast<double>(ws.peakFA[s]))) << s;
    expectGenerationSums(ws);
    // Carbon alone at [P+2] with two 13C: the product keeps 0, 1 or 2 of them hypergeometrically.
    EXPECT_GT(ws.peakFA[1], 0.0L);
}

TEST_F(MsnRunTest, RefusedInputsStoreNothing) {
    CalcWorkspace& ws = prepare({"C6H12O6", "--steps", "2", "--precursor-peak", "2", "--product", "C6H10O5"});
    ws.precursorPeakIndex = 700;  // beyond what the checks allow
    EXPECT_EQ(msnWorker(ws, {}), 0);
    for (int s = 0; s < kPeakSlotCount; ++s) ASSERT_EQ(ws.peakFA[s], 0.0L) << s;
    EXPECT_EQ(ws.levelsDone, 0);
}

}  // namespace
}  // namespace mv
