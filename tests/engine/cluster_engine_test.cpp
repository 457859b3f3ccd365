#include "engine/cluster_engine.h"

#include "engine/components.h"
#include "isodata/element_table.h"
#include "tests/engine/engine_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace mv {
namespace {

using test::freshWorkspace;
using test::makeComposition;
using test::makeIon;

constexpr int kC = 10, kCa = 11, kCl = 14, kH = 27, kMg = 40, kO = 49, kS = 61;

double slot(const CalcWorkspace& ws, int i) { return static_cast<double>(ws.peakFA[i]); }

// Compares in extended precision, where a double would already round away the difference.
void expectExtendedNear(Extended got, Extended want, Extended tolerance) {
    EXPECT_LE(std::fabs(got - want), tolerance) << static_cast<double>(got) << " vs " << static_cast<double>(want);
}

Extended peakSum(const CalcWorkspace& ws, int from, int to) {
    Extended sum = 0;
    for (int i = from; i < to; ++i) sum += ws.peakFA[i];
    return sum;
}

// --- Regular passes: the worked values -------------------------------------------------------

struct WorkedCase {
    const char* formula;
    int levelsDone;
    std::vector<const char*> peaks;  // as printed: each value good to half a unit of its last digit
};

// Half a unit of the last decimal digit written in text, e.g. 0.0020495 -> 5e-8.
double halfLastDigit(const char* text) {
    const std::string t(text);
    const size_t point = t.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(t.size() - point - 1);
    return 0.5 * std::pow(10.0, -decimals);
}

TEST(ClusterPass, WorkedRegularValues) {
    const WorkedCase cases[] = {
        {"C2H6", 2, {"0.978039", "0.0218313", "0.000129205"}},
        {"H2O", 1, {"0.997341", "0.000609327", "0.0020495"}},
        {"C6H12O6", 2, {"0.922633", "0.0632558", "0.0132202", "0.000775608", "0.0000584442"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formula);
        auto ws = freshWorkspace();
        const IonDefinition ion = makeIon(c.formula);
        const double stored = runClusterPass(*ws, ion, nullptr, 0);
        EXPECT_EQ(ws->levelsDone, c.levelsDone);
        for (size_t i = 0; i < c.peaks.size(); ++i)
            EXPECT_NEAR(slot(*ws, static_cast<int>(i)), std::stod(c.peaks[i]), halfLastDigit(c.peaks[i])) << "A+" << i;
        EXPECT_EQ(peakSum(*ws, static_cast<int>(c.peaks.size()), kPeakSlotCount), 0.0L);
        EXPECT_DOUBLE_EQ(stored, static_cast<double>(peakSum(*ws, 0, kPeakSlotCount)));
        EXPECT_DOUBLE_EQ(stored, static_cast<double>(ws->storedFA));
        EXPECT_EQ(ws->beyondSlotsCount, 0);
        EXPECT_FALSE(ws->cancelFlag);
        // The role keeps its composition for later passes and the listing.
        EXPECT_EQ(ion.comp.count[kH], makeIon(c.formula).comp.count[kH]);
    }
    // [A+0] of ethane is the plain product of the lightest abundances (as the table's doubles).
    auto ws = freshWorkspace();
    runClusterPass(*ws, makeIon("C2H6"), nullptr, 0);
    expectExtendedNear(ws->peakFA[0], std::pow(static_cast<Extended>(0.9893), 2) * std::pow(static_cast<Extended>(0.999885), 6),
                       1e-18L);
}

TEST(ClusterPass, PositionsInDescendingExpectedHeavyAtoms) {
    auto ws = freshWorkspace();
    runClusterPass(*ws, makeIon("C6H12O6"), nullptr, 0);
    EXPECT_EQ(ws->posElem[0], kC);
    EXPECT_EQ(ws->posElem[1], kO);
    EXPECT_EQ(ws->posElem[2], kH);
    EXPECT_EQ(ws->posHeavyCount[1], 2);
    EXPECT_EQ(ws->heavyDelta[1], 2);  // 18O is stored before 17O
    EXPECT_EQ(ws->heavyDelta[2], 1);
}

// Exact values from fractions over the multinomial (all levels visited, stop value 1):
//   from fractions import Fraction as F; from math import comb
//   ab = {'C': [(F('0.9893'),0),(F('0.0107'),1)], 'H': [(F('0.999885'),0),(F('0.000115'),1)],
//         'O': [(F('0.99757'),0),(F('0.00205'),2),(F('0.00038'),1)]}
//   def comps(n,k): (all count vectors of n atoms over k isotopes)
//       if k==1: yield (n,); return
//       for i in range(n,-1,-1):
//           for r in comps(n-i,k-1): yield (i,)+r
//   def dist(el,n):   # shift -> probability for n atoms of el
//       d={}
//       for c in comps(n,len(ab[el])):
//           m=F(1); rest=n
//           for ci,(a,_) in zip(c,ab[el]): m*=comb(rest,ci)*a**ci; rest-=ci
//           s=sum(ci*dl for ci,(_,dl) in zip(c,ab[el])); d[s]=d.get(s,0)+m
//       return d
//   then the convolution of dist('C',6), dist('H',12), dist('O',6), printed as repr(float(...)).
TEST(ClusterPass, GlucoseMatchesExactMultinomial) {
    const double exact[] = {0.922632979050372,     0.06325579304153775,   0.01322017696430998,
                            0.0008052668154446275, 8.117239032473139e-05, 4.321222340403732e-06,
                            2.773155196333864e-07, 1.2606741689073543e-08, 5.712431860565672e-10};
    auto ws = freshWorkspace(ScanType::Regular, 1.0);
    const double stored = runClusterPass(*ws, makeIon("C6H12O6"), nullptr, 0);
    EXPECT_EQ(ws->levelsDone, 24);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(slot(*ws, i), exact[i], exact[i] * 1e-14) << "A+" << i;
    EXPECT_NEAR(stored, 1.0, 1e-15);
}

// --- The successor visits every valid vector once -------------------------------------------

struct Isotope {
    int massNumber;
    long double abundance;
    int delta;
};

// Independent isotope data (lightest first, heavy isotopes in stored order) for the brute force.
const std::map<int, std::vector<Isotope>>& isotopeData() {
    static const std::map<int, std::vector<Isotope>> data = {
        {kO, {{16, 0.99757L, 0}, {18, 0.00205L, 2}, {17, 0.00038L, 1}}},
        {kS, {{32, 0.9499L, 0}, {34, 0.0425L, 2}, {33, 0.0075L, 1}, {36, 0.0001L, 4}}},
        {kCa, {{40, 0.96941L, 0}, {44, 0.02086L, 4}, {42, 0.00647L, 2}, {48, 0.00187L, 8},
               {43, 0.00135L, 3}, {46, 0.00004L, 6}}},
        {kMg, {{24, 0.7899L, 0}, {26, 0.1101L, 2}, {25, 0.1L, 1}}},
        {kCl, {{35, 0.7576L, 0}, {37, 0.2424L, 2}}},
    };
    return data;
}

const char* symbolOf(int e) {
    switch (e) {
        case kO: return "O";
        case kS: return "S";
        case kCa: return "Ca";
        case kMg: return "Mg";
        case kCl: return "Cl";
    }
    return "?";
}

struct Species {
    std::string formula;
    long double probability;
    int shift;
};

void countVectors(int n, int k, std::vector<int>& cur, std::vector<std::vector<int>>& out) {
    if (k == 1) {
        cur.push_back(n);
        out.push_back(cur);
        cur.pop_back();
        return;
    }
    for (int i = n; i >= 0; --i) {
        cur.push_back(i);
        countVectors(n - i, k - 1, cur, out);
        cur.pop_back();
    }
}

// Every species of a composition with its isotope counts per element (elements in index order, as
// std::map keeps them; isotopes lightest first).
struct CountedSpecies {
    std::map<int, std::vector<int>> counts;
    long double probability;
    int shift;
};

std::vector<CountedSpecies> countedSpecies(const std::map<int, int>& atoms) {
    std::vector<CountedSpecies> all{{{}, 1.0L, 0}};
    for (const auto& [e, n] : atoms) {
        const auto& iso = isotopeData().at(e);
        std::vector<std::vector<int>> vectors;
        std::vector<int> cur;
        countVectors(n, static_cast<int>(iso.size()), cur, vectors);
        std::vector<CountedSpecies> next;
        for (const auto& s : all) {
            for (const auto& v : vectors) {
                CountedSpecies t = s;
                int rest = n;
                for (size_t i = 0; i < iso.size(); ++i) {
                    long double c = 1;
                    for (int j = 0; j < v[i]; ++j) c = c * (rest - j) / (j + 1);
                    t.probability *= c * std::pow(iso[i].abundance, v[i]);
                    rest -= v[i];
                    t.shift += v[i] * iso[i].delta;
                }
                t.counts[e] = v;
                next.push_back(t);
            }
        }
        all = std::move(next);
    }
    return all;
}

// The same species with their formulas.
std::vector<Species> bruteForce(const std::map<int, int>& atoms) {
    std::vector<Species> all;
    for (const auto& c : countedSpecies(atoms)) {
        Species t{"", c.probability, c.shift};
        for (const auto& [e, v] : c.counts) {
            const auto& iso = isotopeData().at(e);
            for (size_t i = 0; i < iso.size(); ++i) {
                if (v[i] == 0) continue;
                t.formula += "(" + std::to_string(iso[i].massNumber) + symbolOf(e) + ")";
                if (v[i] != 1) t.formula += std::to_string(v[i]);
            }
        }
        all.push_back(std::move(t));
    }
    return all;
}

TEST(ClusterPass, SuccessorVisitsEveryValidVectorExactlyOnce) {
    const std::vector<std::pair<const char*, std::map<int, int>>> cases = {
        {"O2S", {{kO, 2}, {kS, 1}}},
        {"CaS2", {{kCa, 1}, {kS, 2}}},
        {"MgO2S3", {{kMg, 1}, {kO, 2}, {kS, 3}}},
        {"Cl3Mg2O", {{kCl, 3}, {kMg, 2}, {kO, 1}}},
    };
    for (const auto& [formula, atoms] : cases) {
        SCOPED_TRACE(formula);
        const std::vector<Species> expected = bruteForce(atoms);
        int maxShift = 0;
        for (const auto& s : expected) maxShift = std::max(maxShift, s.shift);
        std::map<int, int> perShift;
        for (const auto& s : expected) perShift[s.shift]++;
        int widest = 0;
        for (const auto& [shift, n] : perShift) widest = std::max(widest, n);

        // Record every visited species: rows for all shifts, never full.
        auto ws = freshWorkspace(ScanType::Regular, 1.0);
        ws->listComponents = true;
        ws->firstListedPeak = 0;
        ws->lastListedPeak = maxShift;
        ws->maxIonsPerPeak = widest + 1;
        ASSERT_GT(listedRowCount(*ws), 0);
        runClusterPass(*ws, makeIon(formula), nullptr, 0);

        std::map<std::string, double> visited;
        for (int r = 0; r <= maxShift; ++r) {
            for (int k = 0; k < ws->peakCompCount[r]; ++k) {
                const int e = r * ws->maxIonsPerPeak + k;
                EXPECT_TRUE(visited.emplace(ws->compFormulas[e], ws->compFAs[e]).second)
                    << "visited twice: " << ws->compFormulas[e];
            }
        }
        EXPECT_EQ(visited.size(), expected.size());
        for (const auto& s : expected) {
            auto it = visited.find(s.formula);
            ASSERT_NE(it, visited.end()) << "never visited: " << s.formula;
            EXPECT_NEAR(it->second, static_cast<double>(s.probability), static_cast<double>(s.probability) * 1e-13)
                << s.formula;
        }
        EXPECT_NEAR(static_cast<double>(ws->storedFA), 1.0, 1e-15);
    }
}

TEST(ClusterPass, OxygenSulfurMatchesExactMultinomial) {
    // Same fractions script as above with ab['S'] = [(F('0.9499'),0),(F('0.0425'),2),(F('0.0075'),1),
    // (F('0.0001'),4)], convolution of dist('O',2) and dist('S',1).
    const double exact[] = {0.94528909506451, 0.00818376401143, 0.04618465041911, 6.43778157e-05, 0.00027735093974,
                            1.7354907e-07,    5.8762439e-07,    1.558e-10,        4.2025e-10};
    auto ws = freshWorkspace(ScanType::Regular, 1.0);
    runClusterPass(*ws, makeIon("O2S"), nullptr, 0);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(slot(*ws, i), exact[i], exact[i] * 1e-13) << "A+" << i;
    EXPECT_EQ(slot(*ws, 9), 0.0);
    EXPECT_EQ(ws->levelsDone, 3);
}

// --- Slots, level limit, cancel ---------------------------------------------------------------

TEST(ClusterPass, SpeciesBeyondTheLastSlotCountInTotalOnly) {
    // U170: 238U is +4, so the cluster lies near A+680. P(shift < 640) from the fractions script with
    // ab['U'] = [(F('0.00005'),0),(F('0.99275'),4),(F('0.0072'),1)]: sum of dist('U',170) below 640.
    const double exactBelow640 = 4.464893565776759e-11;
    auto ws = freshWorkspace();
    const double stored = runClusterPass(*ws, makeIon("U170"), nullptr, 0);
    EXPECT_EQ(ws->beyondSlotsCount, 1);
    EXPECT_EQ(ws->levelsDone, 170);
    EXPECT_NEAR(stored, exactBelow640, exactBelow640 * 1e-12);
    // The double abundances sum to 1 only up to their rounding, raised to the 170th power.
    EXPECT_NEAR(static_cast<double>(ws->totalFA), 1.0, 1e-14);
    EXPECT_DOUBLE_EQ(stored, static_cast<double>(peakSum(*ws, 0, kPeakSlotCount)));
}

TEST(ClusterPass, SecondPassWritesFromItsOffsetAndWarnsBeyondItsHalf) {
    auto ws = freshWorkspace(ScanType::Precursor);
    const double first = runClusterPass(*ws, makeIon("H2O"), nullptr, 0);
    EXPECT_EQ(ws->beyondSlotsCount, 0);
    const double second = runClusterPass(*ws, makeIon("C6H12O6"), nullptr, kHalfPeakSlotCount);
    EXPECT_NEAR(slot(*ws, 0), 0.997341, 1e-6);
    EXPECT_NEAR(slot(*ws, 320), 0.922633, 1e-6);
    EXPECT_NEAR(slot(*ws, 322), 0.0132202, 1e-7);
    EXPECT_DOUBLE_EQ(first, static_cast<double>(peakSum(*ws, 0, 320)));
    EXPECT_DOUBLE_EQ(second, static_cast<double>(peakSum(*ws, 320, 640)));

    // U90 lies near A+360, beyond the 320 slots of a half.
    auto beyond = freshWorkspace(ScanType::NeutralLoss);
    runClusterPass(*beyond, makeIon("U90"), nullptr, kHalfPeakSlotCount);
    EXPECT_EQ(beyond->beyondSlotsCount, 1);
    EXPECT_EQ(peakSum(*beyond, 0, 320), 0.0L);
}

TEST(ClusterPass, StopValueNeverReachedEndsAtTheAtomTotal) {
    for (double stop : {1.0, 2.0}) {
        auto ws = freshWorkspace(ScanType::Regular, stop);
        const double stored = runClusterPass(*ws, makeIon("H2O"), nullptr, 0);
        EXPECT_EQ(ws->levelsDone, 3);
        EXPECT_NEAR(stored, 1.0, 1e-15);
    }
}

TEST(ClusterPass, CancelBeforeTheFirstLevelKeepsOnlyTheLightestSpecies) {
    auto ws = freshWorkspace();
    ws->cancelRequest = true;
    const double stored = runClusterPass(*ws, makeIon("C6H12O6"), nullptr, 0);
    EXPECT_TRUE(ws->cancelFlag);
    EXPECT_EQ(ws->levelsDone, 0);
    EXPECT_NEAR(stored, 0.922633, 1e-6);
    EXPECT_EQ(peakSum(*ws, 1, kPeakSlotCount), 0.0L);
}

// Probability that the whole ion holds at most t heavy atoms: each element's heavy count is binomial.
std::vector<long double> heavyAtomDistribution(const std::vector<std::pair<int, long double>>& elements, int upTo) {
    std::vector<long double> d(upTo + 1, 0.0L);
    d[0] = 1.0L;
    for (const auto& [n, heavyShare] : elements) {
        std::vector<long double> b(upTo + 1, 0.0L);
        for (int k = 0; k <= std::min(n, upTo); ++k)
            b[k] = std::exp(std::lgamma(n + 1.0L) - std::lgamma(k + 1.0L) - std::lgamma(n - k + 1.0L) +
                            k * std::log(heavyShare) + (n - k) * std::log1p(-heavyShare));
        std::vector<long double> c(upTo + 1, 0.0L);
        for (int i = 0; i <= upTo; ++i)
            for (int j = 0; i + j <= upTo; ++j) c[i + j] += d[i] * b[j];
        d = c;
    }
    return d;
}

TEST(ClusterPass, CancelDuringALevelFinishesThatLevelAndPublishesTornFreeTotals) {
    const char* formula = "C1200H1900N330O350S12";
    auto ws = freshWorkspace();
    std::atomic<bool> done{false};
    std::atomic<long> reads{0};
    std::atomic<bool> badRead{false};
    std::atomic<double> lastSeen{0.0};
    std::thread reader([&] {
        double previous = 0.0;
        while (!done.load()) {
            const double v = ws->publishedTotalFA.load(std::memory_order_relaxed);
            ++reads;
            if (!(v >= previous && v <= 1.0 + 1e-12)) badRead = true;
            previous = v;
            lastSeen = v;
            if (v > 0.02) ws->cancelRequest.store(true, std::memory_order_relaxed);
            std::this_thread::yield();
        }
    });
    runClusterPass(*ws, makeIon(formula), nullptr, 0);
    done = true;
    reader.join();

    EXPECT_FALSE(badRead.load());
    EXPECT_GT(reads.load(), 0);
    EXPECT_TRUE(ws->cancelFlag);
    const int t = ws->levelsDone;
    ASSERT_GT(t, 0);
    // The totals hold exactly the complete levels 0..t.
    const auto d = heavyAtomDistribution(
        {{1200, 0.0107L}, {1900, 0.000115L}, {330, 0.00364L}, {350, 0.00243L}, {12, 0.0501L}}, t + 1);
    long double upToT = 0;
    for (int i = 0; i <= t; ++i) upToT += d[i];
    EXPECT_NEAR(static_cast<double>(ws->totalFA), static_cast<double>(upToT), 1e-12);
    EXPECT_LT(static_cast<double>(ws->totalFA), 0.9999);
    EXPECT_EQ(ws->publishedTotalFA.load(), static_cast<double>(ws->totalFA));
}

// --- Product passes ---------------------------------------------------------------------------

TEST(ProductPass, ChlorineTriangle) {
    auto ws = freshWorkspace(ScanType::Product);
    ws->maxPrecursorPeak = 4;
    const IonDefinition ion = makeIon("Cl2", ScanType::Product);
    const Composition loss = makeComposition("Cl");
    ws->product = makeIon("Cl", ScanType::Product);
    const double stored = runClusterPass(*ws, ion, &loss, 0);
    const double expected[15] = {0.573958, 0, 0, 0.183642, 0, 0.183642, 0, 0, 0, 0, 0, 0, 0.0587578, 0, 0};
    for (int i = 0; i < 15; ++i) EXPECT_NEAR(slot(*ws, i), expected[i], 1e-6) << "slot " << i;
    // Exactly: 0.7576², 0.7576 × 0.2424 each way, 0.2424².
    EXPECT_NEAR(slot(*ws, 0), 0.57395776, 1e-15);
    EXPECT_NEAR(slot(*ws, 3), 0.18364224, 1e-15);
    EXPECT_NEAR(slot(*ws, 5), 0.18364224, 1e-15);
    EXPECT_NEAR(slot(*ws, 12), 0.05875776, 1e-15);
    EXPECT_EQ(ws->levelsDone, 2);
    EXPECT_NEAR(stored, 1.0, 1e-15);
    EXPECT_EQ(ws->posAtoms2[0], 1);
    EXPECT_EQ(ws->posProduct1Atoms[0], 1);
}

long double choose(int n, int k) {
    if (k < 0 || k > n) return 0;
    long double c = 1;
    for (int j = 0; j < k; ++j) c = c * (n - j) / (j + 1);
    return c;
}

TEST(ProductPass, TriangleMatchesMultivariateHypergeometricSplit) {
    // The loss takes a random subset of each element's atoms: for precursor isotope counts v and loss
    // counts l, the chance is the product over elements of prod_i C(v_i, l_i) / C(N, L).
    const std::map<int, int> precursor = {{kO, 3}, {kS, 2}, {kMg, 1}};
    const std::map<int, int> lossAtoms = {{kO, 2}, {kS, 1}};
    const int maxPeak = 6;
    std::vector<long double> expected((maxPeak + 1) * (maxPeak + 2) / 2, 0.0L);
    for (const auto& sp : countedSpecies(precursor)) {
        if (sp.shift > maxPeak) continue;
        // All loss vectors element by element: (probability, shift) pairs, convolved.
        std::vector<std::pair<long double, int>> splits{{1.0L, 0}};
        for (const auto& [e, l] : lossAtoms) {
            const auto& iso = isotopeData().at(e);
            const auto& v = sp.counts.at(e);
            std::vector<std::vector<int>> vectors;
            std::vector<int> cur;
            countVectors(l, static_cast<int>(iso.size()), cur, vectors);
            std::vector<std::pair<long double, int>> next;
            for (const auto& [p, shift] : splits) {
                for (const auto& lv : vectors) {
                    long double w = 1;
                    int lossShift = 0;
                    for (size_t i = 0; i < iso.size(); ++i) {
                        w *= choose(v[i], lv[i]);
                        lossShift += lv[i] * iso[i].delta;
                    }
                    if (w == 0) continue;
                    next.emplace_back(p * w / choose(precursor.at(e), l), shift + lossShift);
                }
            }
            splits = std::move(next);
        }
        for (const auto& [p, lossShift] : splits) {
            const int q = sp.shift - lossShift;
            expected[sp.shift * (sp.shift + 1) / 2 + q] += sp.probability * p;
        }
    }

    auto ws = freshWorkspace(ScanType::Product, 1.0);
    ws->maxPrecursorPeak = maxPeak;
    const Composition loss = makeComposition("O2S");
    runClusterPass(*ws, makeIon("O3S2Mg", ScanType::Product), &loss, 0);
    for (size_t i = 0; i < expected.size(); ++i) {
        const double want = static_cast<double>(expected[i]);
        EXPECT_NEAR(slot(*ws, static_cast<int>(i)), want, want * 1e-12 + 1e-300) << "slot " << i;
    }
    int nonZero = 0;  // row 6 holds products of several shifts
    for (int q = 0; q <= 6; ++q) nonZero += slot(*ws, 21 + q) > 0;
    EXPECT_GE(nonZero, 3);
}

TEST(ProductPass, MaxPrecursorPeakZeroStoresOnlyTheLightestSpecies) {
    auto ws = freshWorkspace(ScanType::Product);
    ws->maxPrecursorPeak = 0;
    const Composition loss = makeComposition("H2O");
    const double stored = runClusterPass(*ws, makeIon("C6H12O6", ScanType::Product), &loss, 0);
    EXPECT_EQ(ws->levelsDone, 0);
    EXPECT_NEAR(stored, 0.922633, 1e-6);
    EXPECT_EQ(stored, slot(*ws, 0));
    EXPECT_EQ(peakSum(*ws, 1, kPeakSlotCount), 0.0L);
}

TEST(ProductPass, RowSumsEqualThePrecursorPeaks) {
    struct Case {
        const char* precursor;
        const char* loss;
        int maxPeak;
    };
    const Case cases[] = {{"C6H12O6", "H2O", 3}, {"C6H12O6", "C2H4O2", 3}, {"C20H30O5S2Cl2", "CH3SCl", 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.precursor) + " - " + c.loss);
        auto regular = freshWorkspace(ScanType::Regular, 0.99999);
        runClusterPass(*regular, makeIon(c.precursor), nullptr, 0);

        auto ws = freshWorkspace(ScanType::Product, 0.99999);
        ws->maxPrecursorPeak = c.maxPeak;
        const Composition loss = makeComposition(c.loss);
        runClusterPass(*ws, makeIon(c.precursor, ScanType::Product), &loss, 0);
        for (int s = 0; s <= c.maxPeak; ++s) {
            const Extended row = peakSum(*ws, s * (s + 1) / 2, s * (s + 1) / 2 + s + 1);
            EXPECT_NEAR(static_cast<double>(row), slot(*regular, s), slot(*regular, s) * 1e-15) << "row " << s;
        }
        const int filled = (c.maxPeak + 1) * (c.maxPeak + 2) / 2;
        EXPECT_EQ(peakSum(*ws, filled, kPeakSlotCount), 0.0L);
    }
}

// Row s of a single-element precursor C_N losing C_L: the precursor peak P(s) split over the
// loss's share of the s heavy atoms, hypergeometric: the loss takes j of them with probability
// (L)_j (N−L)_(s−j) C(s, j) / (N)_s, falling factorials.
void expectHypergeometricRows(int n, int l, int maxPeak, const CalcWorkspace& ws) {
    const long double a0 = 0.9893L, a1 = 0.0107L;
    for (int s = 0; s <= maxPeak; ++s) {
        const long double precursor = std::exp(std::lgamma(n + 1.0L) - std::lgamma(s + 1.0L) -
                                               std::lgamma(n - s + 1.0L) + (n - s) * std::log(a0) + s * std::log(a1));
        for (int j = 0; j <= s; ++j) {
            long double share = 1;
            for (int i = 0; i < j; ++i) share *= static_cast<long double>(l - i);
            for (int i = 0; i < s - j; ++i) share *= static_cast<long double>(n - l - i);
            for (int i = 0; i < s; ++i) share /= static_cast<long double>(n - i);
            long double choose = 1;
            for (int i = 0; i < j; ++i) choose = choose * (s - i) / (i + 1);
            const long double expected = precursor * share * choose;
            const int q = s - j;  // the product keeps the other heavy atoms
            const long double got = ws.peakFA[s * (s + 1) / 2 + q];
            ASSERT_TRUE(std::isfinite(static_cast<double>(got))) << "s " << s << " q " << q;
            EXPECT_NEAR(static_cast<double>(got / expected), 1.0, 1e-9) << "s " << s << " q " << q;
        }
    }
}

TEST(ProductPass, LargePrecursorWeightsStayInRange) {
    // C(20000, 10000) and C(30000, 20000) are far above the extended range (about 2^16384).
    const std::pair<int, int> cases[] = {{20000, 10000}, {30000, 20000}, {65500, 32750}, {200, 120}};
    for (const auto& [n, l] : cases) {
        SCOPED_TRACE(n);
        auto ws = freshWorkspace(ScanType::Product);
        ws->maxPrecursorPeak = 3;
        const std::string precursor = "C" + std::to_string(n);
        const Composition loss = makeComposition("C" + std::to_string(l));
        const double stored = runClusterPass(*ws, makeIon(precursor, ScanType::Product), &loss, 0);
        EXPECT_TRUE(std::isfinite(stored));
        expectHypergeometricRows(n, l, 3, *ws);
        EXPECT_TRUE(std::isfinite(ws->lossWeightSum));
    }
}

TEST(ProductPass, MaxPrecursorPeakAboveTheAtomTotalStopsAtTheTotal) {
    // With a stop value the totals never exceed, levels 3..6 would have no species of their own.
    auto ws = freshWorkspace(ScanType::Product, 1.0);
    ws->maxPrecursorPeak = 6;
    const Composition loss = makeComposition("Cl");
    const double stored = runClusterPass(*ws, makeIon("Cl2", ScanType::Product), &loss, 0);
    EXPECT_EQ(ws->levelsDone, 2);
    EXPECT_NEAR(stored, 1.0, 1e-15);
    EXPECT_NEAR(slot(*ws, 12), 0.05875776, 1e-15);
    EXPECT_NEAR(static_cast<double>(peakSum(*ws, 0, kPeakSlotCount)), 1.0, 1e-15);
}

TEST(ProductPass, SplitWeightIsTheNumberOfWaysToPickTheLoss) {
    // Precursor Cl10 with three 37Cl, loss Cl4 with one 37Cl: C(7, 3) × C(3, 1) = 105.
    auto ws = freshWorkspace(ScanType::Product);
    Composition comp = makeComposition("Cl10");
    const Composition loss = makeComposition("Cl4");
    ASSERT_EQ(prepareElements(*ws, 1, comp, &loss), 1);
    EXPECT_EQ(comp.count[kCl], 0u);  // prepareElements consumes its composition
    ws->heavyCount[0] = 3;
    ws->lossHeavyCount[0] = 1;
    const SplitWeight w = lossSplitWeight(*ws, 1);
    EXPECT_EQ(w.scale, 0);
    EXPECT_EQ(w.mantissa, 105.0L);
    EXPECT_EQ(ws->lossShift, 2);
}

// --- Element order -----------------------------------------------------------------------------

class UserElements : public ::testing::Test {
protected:
    void TearDown() override { resetUserElements(); }
    // Defines a user element with one heavy isotope of mass number +1.
    static void define(int element, int heavyIndex, int abundanceIndex, double heavyAbundance) {
        ElementTable& t = elementTable();
        t.nominalMass[element] = 300;
        t.lightMass[element] = 300.0;
        t.heavyIsotopeCount[element] = 1;
        t.firstHeavy[element] = heavyIndex;
        t.firstAbundance[element] = abundanceIndex;
        t.heavyDeltaA[heavyIndex] = 1;
        t.heavyMass[heavyIndex] = 301.0;
        t.abundance[abundanceIndex] = 1.0 - heavyAbundance;
        t.abundance[abundanceIndex + 1] = heavyAbundance;
    }
};

TEST_F(UserElements, EqualKeysGoToTheLowerElementIndexAndKeyZeroStillGetsAPosition) {
    define(85, kFirstUserHeavy, kFirstUserAbundance, 0.25);          // Jy
    define(84, kFirstUserHeavy + 1, kFirstUserAbundance + 2, 0.25);  // Jx
    define(86, kFirstUserHeavy + 2, kFirstUserAbundance + 4, 1e-8);  // Jz: key rounds to 0
    auto ws = freshWorkspace(ScanType::Regular, 1.0);
    const IonDefinition ion = makeIon("Jy2Jx2Jz3");
    ASSERT_EQ(ion.polyElemCount, 3);
    const double stored = runClusterPass(*ws, ion, nullptr, 0);
    EXPECT_EQ(ws->posElem[0], 84);
    EXPECT_EQ(ws->posElem[1], 85);
    EXPECT_EQ(ws->posElem[2], 86);
    EXPECT_NEAR(stored, 1.0, 1e-15);
    // [A+0] = 0.75^4 × (1 − 1e-8)^3
    expectExtendedNear(ws->peakFA[0], std::pow(0.75L, 4) * std::pow(static_cast<Extended>(1.0 - 1e-8), 3), 1e-18L);
}

TEST(ClusterPass, MonoisotopicElementsLeftInTheCompositionTakeNoPosition) {
    // Product-type roles keep their monoisotopic counts; they must not become positions.
    auto ws = freshWorkspace(ScanType::Product);
    ws->maxPrecursorPeak = 2;
    const IonDefinition ion = makeIon("C2H5F", ScanType::Product);
    ASSERT_EQ(ion.comp.count[22], 1u);
    const Composition loss = makeComposition("HF");
    runClusterPass(*ws, ion, &loss, 0);
    EXPECT_EQ(ws->posElem[0], kC);
    EXPECT_EQ(ws->posElem[1], kH);
    expectExtendedNear(ws->peakFA[0], std::pow(static_cast<Extended>(0.9893), 2) * std::pow(static_cast<Extended>(0.999885), 5), 1e-18L);
}

TEST(ClusterPass, InputsOutsideTheEngineLimitsAreRefusedWithoutTouchingThePeaks) {
    struct Case {
        const char* what;
        std::function<void(IonDefinition&, Composition&, int32_t&)> spoil;
    };
    const Case cases[] = {
        {"no polyisotopic element", [](IonDefinition& ion, Composition&, int32_t&) { ion.comp = Composition{}; }},
        {"too many atoms", [](IonDefinition& ion, Composition&, int32_t&) { ion.comp.count[kC] = 70000; }},
        {"slot offset", [](IonDefinition&, Composition&, int32_t& offset) { offset = 640; }},
        {"loss not part of the precursor", [](IonDefinition&, Composition& loss, int32_t&) { loss.count[kO] = 9; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto ws = freshWorkspace(ScanType::Product);
        IonDefinition ion = makeIon("C6H12O6", ScanType::Product);
        Composition loss = makeComposition("H2O");
        int32_t offset = 0;
        c.spoil(ion, loss, offset);
        EXPECT_EQ(runClusterPass(*ws, ion, &loss, offset), 0.0);
        EXPECT_EQ(peakSum(*ws, 0, kPeakSlotCount), 0.0L);
        EXPECT_EQ(ws->levelsDone, 0);
    }
}

}  // namespace
}  // namespace mv
