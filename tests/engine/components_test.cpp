#include "engine/components.h"

#include "engine/cluster_engine.h"
#include "tests/engine/engine_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace mv {
namespace {

using test::freshWorkspace;
using test::makeIon;

std::vector<std::string> rowFormulas(const CalcWorkspace& ws, int row) {
    std::vector<std::string> out;
    for (int k = 0; k < ws.peakCompCount[row]; ++k) out.emplace_back(ws.compFormulas[row * ws.maxIonsPerPeak + k]);
    return out;
}

std::unique_ptr<CalcWorkspace> listedPass(const char* formula, int first, int last, int maxIons, double stop = 0.9999) {
    auto ws = freshWorkspace(ScanType::Regular, stop);
    ws->listComponents = ws->listComponentsOption = true;
    ws->firstListedPeak = first;
    ws->lastListedPeak = last;
    ws->maxIonsPerPeak = maxIons;
    runClusterPass(*ws, makeIon(formula), nullptr, 0);
    return ws;
}

TEST(ComponentFormula, IsotopeResolvedText) {
    struct Case {
        const char* formula;
        int peak;
        std::set<std::string> row;
    };
    const Case cases[] = {
        {"C2H6", 1, {"(12C)(13C)(1H)6", "(12C)2(1H)5(2H)"}},
        {"C2H5F", 1, {"(12C)(13C)(F)(1H)5", "(12C)2(F)(1H)4(2H)"}},
        {"O2", 2, {"(16O)(18O)", "(17O)2"}},
        {"O2", 1, {"(16O)(17O)"}},
        {"SnCl4", 0, {"(35Cl)4(112Sn)"}},
        {"NaCl", 0, {"(35Cl)(Na)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formula);
        auto ws = listedPass(c.formula, c.peak, c.peak, 25, 1.0);
        const auto got = rowFormulas(*ws, 0);
        EXPECT_EQ(std::set<std::string>(got.begin(), got.end()), c.row);
    }
}

TEST(ComponentFormula, HeavyIsotopesInStoredOrder) {
    // O3 at A+3 holds 16O 18O 17O: 18O is written before 17O.
    auto ws = listedPass("O3", 3, 3, 25, 1.0);
    const auto got = rowFormulas(*ws, 0);
    EXPECT_NE(std::find(got.begin(), got.end(), "(16O)(18O)(17O)"), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), "(17O)3"), got.end());
}

TEST(ComponentLists, GlucoseRows) {
    auto ws = listedPass("C6H12O6", 0, 20, 25);
    ASSERT_EQ(ws->levelsDone, 2);
    ASSERT_EQ(ws->peakCompCount[0], 1);
    EXPECT_STREQ(ws->compFormulas[0], "(12C)6(1H)12(16O)6");
    EXPECT_NEAR(ws->compMasses[0], 6 * 12.0 + 12 * 1.007825 + 6 * 15.99491 - kElectronMass, 1e-9);
    EXPECT_EQ(ws->compFAs[0], static_cast<double>(ws->peakFA[0]));
    EXPECT_EQ(ws->peakCompTotalFA[0], ws->compFAs[0]);
    EXPECT_EQ(ws->peakCompMaxFA[0], ws->compFAs[0]);

    for (int r = 0; r <= 20; ++r) {
        SCOPED_TRACE(r);
        const int n = ws->peakCompCount[r];
        if (r <= 4) {
            EXPECT_GT(n, 0);
        } else {
            EXPECT_EQ(n, 0);  // only levels 0..2 were visited: at most A+4 (two 18O)
        }
        double total = 0, max = 0;
        for (int k = 0; k < n; ++k) {
            const int e = r * 25 + k;
            if (k > 0) {
                EXPECT_LE(ws->compMasses[e - 1], ws->compMasses[e]);
            }
            total += ws->compFAs[e];
            max = std::max(max, ws->compFAs[e]);
        }
        if (n > 0) {
            EXPECT_DOUBLE_EQ(ws->peakCompTotalFA[r], total);
            EXPECT_EQ(ws->peakCompMaxFA[r], max);
            EXPECT_LE(ws->peakCompTotalFA[r], static_cast<double>(ws->peakFA[r]) * (1 + 1e-15));
        }
    }
    // A+1 at levels ≤ 2: 13C, 2H, 17O species.
    EXPECT_EQ(ws->peakCompCount[1], 3);
    EXPECT_EQ(ws->compLowIntensityOmitted, 0);
    EXPECT_EQ(ws->compHighMassMissing, 1);  // rows 3 and 4 lie above levelsDone 2
    EXPECT_EQ(ws->compFormulaTooLong, 0);
}

TEST(ComponentLists, FullRowsKeepTheMostAbundant) {
    // All species of A+2 of glucose up to level 4, then only the three most abundant.
    auto all = listedPass("C6H12O6", 2, 2, 200, 0.99999999);
    auto few = listedPass("C6H12O6", 2, 2, 3, 0.99999999);
    ASSERT_GT(all->peakCompCount[0], 3);
    EXPECT_EQ(all->compLowIntensityOmitted, 0);
    std::vector<std::pair<double, std::string>> ranked;
    for (int k = 0; k < all->peakCompCount[0]; ++k) ranked.emplace_back(all->compFAs[k], all->compFormulas[k]);
    std::sort(ranked.rbegin(), ranked.rend());
    ASSERT_EQ(few->peakCompCount[0], 3);
    EXPECT_EQ(few->compLowIntensityOmitted, 1);
    std::set<std::string> kept;
    for (int k = 0; k < 3; ++k) kept.insert(few->compFormulas[k]);
    EXPECT_EQ(kept, (std::set<std::string>{ranked[0].second, ranked[1].second, ranked[2].second}));
}

TEST(ComponentLists, ShiftsOutsideTheListedRangeAreIgnored) {
    auto ws = listedPass("C2H6", 2, 3, 25);
    EXPECT_EQ(ws->peakCompCount[0], 3);  // A+2: 13C2, 13C 2H, 2H2
    EXPECT_EQ(ws->peakCompCount[1], 0);
    EXPECT_GT(static_cast<double>(ws->peakFA[0]), 0.97);
    EXPECT_GT(static_cast<double>(ws->peakFA[1]), 0.02);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(ws->compMasses[k] - ws->compMasses[0], 0.0, 0.02);
}

int symbolChars(const std::string& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }));
}

TEST(ComponentLists, TooLongFormulasAreSkippedWithoutDisturbingTheWidths) {
    // The all-lightest text has 120 characters; two heavy atoms of different +1 elements make it 128.
    auto ws = freshWorkspace(ScanType::Regular, 1.0);
    ws->peakSlotCount = 3;  // levels 1..3 only: the cluster itself lies far above
    ws->listComponents = true;
    ws->firstListedPeak = 0;
    ws->lastListedPeak = 2;
    ws->maxIonsPerPeak = 600;
    runClusterPass(*ws, makeIon("Ag2B2Br2C2Cl2Cu2Eu2Ga2H2In2Ir2La2Li2Lu2N2Rb2Re2"), nullptr, 0);
    EXPECT_EQ(ws->compFormulaTooLong, 1);
    ASSERT_EQ(ws->peakCompCount[0], 1);
    EXPECT_EQ(std::strlen(ws->compFormulas[0]), 120u);

    // The widths are the largest symbol count and, among texts with it, the largest digit count.
    std::vector<std::pair<int, int>> widths;  // (symbols, digits) of every stored text
    for (int r = 0; r < 3; ++r) {
        for (const auto& f : rowFormulas(*ws, r)) {
            ASSERT_LE(f.size(), 127u);
            const int g = static_cast<int>(std::count(f.begin(), f.end(), '('));
            const int y = symbolChars(f);
            widths.emplace_back(y, static_cast<int>(f.size()) - 2 * g - y);
        }
    }
    const size_t stored = widths.size();
    int maxSymbols = 0, digitsAtMax = 0;
    for (const auto& [y, d] : widths) maxSymbols = std::max(maxSymbols, y);
    for (const auto& [y, d] : widths)
        if (y == maxSymbols) digitsAtMax = std::max(digitsAtMax, d);
    EXPECT_GT(stored, 1u);
    EXPECT_EQ(ws->compSymbolChars, maxSymbols);
    EXPECT_EQ(ws->compDigitChars, digitsAtMax);
}

TEST(ComponentLists, FinishingTwiceChangesNothing) {
    auto ws = listedPass("C6H12O6", 0, 6, 4, 0.999999);
    auto once = std::make_unique<CalcWorkspace>();
    std::memcpy(once->compFormulas, ws->compFormulas, sizeof ws->compFormulas);
    std::memcpy(once->compMasses, ws->compMasses, sizeof ws->compMasses);
    std::memcpy(once->compFAs, ws->compFAs, sizeof ws->compFAs);
    std::memcpy(once->peakCompTotalFA, ws->peakCompTotalFA, sizeof ws->peakCompTotalFA);
    std::memcpy(once->peakCompMaxFA, ws->peakCompMaxFA, sizeof ws->peakCompMaxFA);
    const int low = ws->compLowIntensityOmitted, high = ws->compHighMassMissing;
    EXPECT_EQ(low, 1);
    finishComponentLists(*ws);
    EXPECT_EQ(std::memcmp(once->compFormulas, ws->compFormulas, sizeof ws->compFormulas), 0);
    EXPECT_EQ(std::memcmp(once->compMasses, ws->compMasses, sizeof ws->compMasses), 0);
    EXPECT_EQ(std::memcmp(once->compFAs, ws->compFAs, sizeof ws->compFAs), 0);
    EXPECT_EQ(std::memcmp(once->peakCompTotalFA, ws->peakCompTotalFA, sizeof ws->peakCompTotalFA), 0);
    EXPECT_EQ(std::memcmp(once->peakCompMaxFA, ws->peakCompMaxFA, sizeof ws->peakCompMaxFA), 0);
    EXPECT_EQ(ws->compLowIntensityOmitted, low);
    EXPECT_EQ(ws->compHighMassMissing, high);
}

TEST(ComponentLists, HighMassWarningComparesTheRowIndexWithLevelsDone) {
    auto ws = freshWorkspace();
    ws->firstListedPeak = 10;
    ws->lastListedPeak = 40;
    ws->maxIonsPerPeak = 10;
    ws->levelsDone = 12;
    ws->peakCompCount[2] = 1;  // peak A+12
    ws->compFAs[20] = 0.25;
    finishComponentLists(*ws);
    EXPECT_EQ(ws->compHighMassMissing, 0);
    EXPECT_EQ(ws->peakCompTotalFA[2], 0.25);
    ws->peakCompCount[13] = 1;  // peak A+23
    finishComponentLists(*ws);
    EXPECT_EQ(ws->compHighMassMissing, 1);
    // Rows without components keep their totals.
    ws->peakCompTotalFA[5] = 7.0;
    finishComponentLists(*ws);
    EXPECT_EQ(ws->peakCompTotalFA[5], 7.0);
}

TEST(ComponentLists, KeepRuleOnAFullRow) {
    auto ws = freshWorkspace();
    ws->listComponents = true;
    ws->firstListedPeak = 0;
    ws->lastListedPeak = 0;
    ws->maxIonsPerPeak = 2;
    Composition comp = test::makeComposition("C4");
    ASSERT_EQ(prepareElements(*ws, 1, comp, nullptr), 1);
    const int32_t none[1] = {0};
    // The shift is held at 0 so that every species lands in the one row; the heavy count only
    // tells the species apart by their text.
    auto offer = [&](int heavy, Extended fa) {
        ws->heavyCount[0] = heavy;
        ws->speciesShift = 0;
        ws->speciesFA = fa;
        recordComponent(*ws, 1, 0, 0.0, none, none, ws->posAtoms);
    };
    offer(0, 0.5L);
    offer(1, 0.5L);
    EXPECT_EQ(ws->peakCompMinIndex[0], 0);  // the first of equal minima
    offer(2, 0.25L);                         // below the smallest: not kept
    EXPECT_STREQ(ws->compFormulas[0], "(12C)4");
    offer(3, 0.5L);  // equal to the smallest: the later species replaces entry 0
    EXPECT_EQ(ws->peakCompCount[0], 2);
    EXPECT_STREQ(ws->compFormulas[0], "(12C)(13C)3");
    EXPECT_STREQ(ws->compFormulas[1], "(12C)3(13C)");
    EXPECT_EQ(ws->peakCompMinIndex[0], 0);
    offer(4, 0.75L);  // replaces entry 0; entry 1 is now the smallest
    EXPECT_STREQ(ws->compFormulas[0], "(13C)4");
    EXPECT_EQ(ws->peakCompMinIndex[0], 1);
    EXPECT_EQ(ws->peakCompMinFA[0], 0.5);
    EXPECT_NEAR(ws->compMasses[0], 4 * 13.00335, 1e-12);
    EXPECT_NEAR(ws->compMasses[1], 3 * 12.0 + 13.00335, 1e-12);
}

TEST(ComponentLists, RangesTheTablesCannotHoldRecordNothing) {
    auto ws = freshWorkspace();
    ws->firstListedPeak = 0;
    ws->lastListedPeak = 199;  // 200 rows
    EXPECT_EQ(listedRowCount(*ws), 0);
    ws->lastListedPeak = 165;
    ws->maxIonsPerPeak = 13;  // 166 × 13 > 2000
    EXPECT_EQ(listedRowCount(*ws), 0);
    ws->maxIonsPerPeak = 12;
    EXPECT_EQ(listedRowCount(*ws), 166);
    ws->lastListedPeak = 199;
    ws->listComponents = true;
    runClusterPass(*ws, makeIon("C6H12O6"), nullptr, 0);
    for (int r = 0; r < kMaxListedRows; ++r) EXPECT_EQ(ws->peakCompCount[r], 0);
}

}  // namespace
}  // namespace mv
