#include "isodata/element_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace mv {
namespace {

const ElementTable& table() { return elementTable(); }

int lastHeavy(int e) { return table().firstHeavy[e] + table().heavyIsotopeCount[e]; }

// Per natural element, worked out from the published rows with exact fractions: the number of heavy
// isotopes, the plain sum of all its isotope masses, and the average atomic mass (sum of mass times
// abundance). A mistyped mass moves the first sum, a mistyped abundance the second.
struct ElementCheck {
    const char* symbol;
    int heavyCount;
    double massSum;
    double averageMass;
};
const ElementCheck kChecks[kNaturalElementCount] = {
    {"Ag", 1, 215.809850, 107.868151068700},
    {"Al", 0, 26.981540, 26.981540000000},
    {"Ar", 2, 113.892660, 39.947657643400},
    {"As", 0, 74.921600, 74.921600000000},
    {"Au", 0, 196.966550, 196.966550000000},
    {"B", 1, 21.022250, 10.811829466000},
    {"Ba", 6, 941.337180, 137.326904601900},
    {"Be", 0, 9.012180, 9.012180000000},
    {"Bi", 0, 208.980380, 208.980380000000},
    {"Br", 1, 159.834630, 79.903529145000},
    {"C", 1, 25.003350, 12.010735845000},
    {"Ca", 5, 262.741680, 40.078021674300},
    {"Cd", 7, 889.233110, 112.411554461000},
    {"Ce", 3, 555.627810, 140.115726857500},
    {"Cl", 1, 71.934750, 35.452934920000},
    {"Co", 0, 58.933200, 58.933200000000},
    {"Cr", 3, 208.766090, 51.996135464900},
    {"Cs", 0, 132.905450, 132.905450000000},
    {"Cu", 1, 127.857390, 63.546041615000},
    {"Dy", 6, 1123.485510, 162.499463631900},
    {"Er", 5, 996.588150, 167.259074934000},
    {"Eu", 1, 303.841080, 151.964370222000},
    {"F", 0, 18.998400, 18.998400000000},
    {"Fe", 3, 224.743230, 55.845148027700},
    {"Ga", 1, 139.850290, 69.723072939600},
    {"Gd", 6, 1091.460500, 157.252119362000},
    {"Ge", 4, 364.612370, 72.639845610000},
    {"H", 1, 3.021925, 1.007940721625},
    {"He", 1, 7.018630, 4.002598717459},
    {"Hf", 5, 1063.660730, 178.484972408000},
    {"Hg", 6, 1399.783530, 200.599151178000},
    {"Ho", 0, 164.930320, 164.930320000000},
    {"I", 0, 126.904470, 126.904470000000},
    {"In", 1, 227.807940, 114.818087722000},
    {"Ir", 1, 383.923510, 192.216651609000},
    {"K", 2, 119.889540, 39.098303510800},
    {"Kr", 5, 492.486530, 83.798021034200},
    {"La", 1, 276.813460, 138.905450684000},
    {"Li", 1, 13.031120, 6.940043216800},
    {"Lu", 1, 350.883450, 174.966719469000},
    {"Mg", 2, 74.953470, 24.305050255000},
    {"Mn", 0, 54.938050, 54.938050000000},
    {"Mo", 6, 671.341330, 95.937592335000},
    {"N", 1, 29.003180, 14.006699225600},
    {"Na", 0, 22.989770, 22.989770000000},
    {"Nb", 0, 92.906380, 92.906380000000},
    {"Nd", 6, 1017.391070, 144.239331475000},
    {"Ne", 2, 62.977680, 20.180046682000},
    {"Ni", 4, 304.653520, 58.693362606400},
    {"O", 2, 50.993200, 15.999400316100},
    {"Os", 6, 1315.696000, 190.224864209000},
    {"P", 0, 30.973760, 30.973760000000},
    {"Pa", 0, 231.035880, 231.035880000000},
    {"Pb", 3, 824.900000, 207.215292045000},
    {"Pd", 5, 634.427250, 106.415327132000},
    {"Pr", 0, 140.907650, 140.907650000000},
    {"Pt", 5, 1164.781210, 195.077757669300},
    {"Rb", 1, 171.820980, 85.467666420000},
    {"Re", 1, 371.908710, 186.206706540000},
    {"Rh", 0, 102.905500, 102.905500000000},
    {"Ru", 6, 699.338410, 101.064945066000},
    {"S", 3, 134.878480, 32.064786426000},
    {"Sb", 1, 243.808040, 121.759791160000},
    {"Sc", 0, 44.955910, 44.955910000000},
    {"Se", 5, 466.512130, 78.959387251000},
    {"Si", 2, 86.927190, 28.085501678800},
    {"Sm", 6, 1043.418100, 150.366345531000},
    {"Sn", 9, 1176.031490, 118.710113706000},
    {"Sr", 3, 344.637190, 87.616650840000},
    {"Ta", 1, 360.895470, 180.947879936400},
    {"Tb", 0, 158.925340, 158.925340000000},
    {"Te", 7, 997.232580, 127.603122922000},
    {"Th", 0, 232.038050, 232.038050000000},
    {"Ti", 4, 239.745000, 47.866751548000},
    {"Tl", 1, 407.946740, 204.383395984000},
    {"Tm", 0, 168.934210, 168.934210000000},
    {"U", 2, 707.135640, 238.028930116000},
    {"V", 1, 100.891120, 50.941468000000},
    {"W", 4, 914.750430, 183.841777684000},
    {"Xe", 8, 1169.143830, 131.292768973100},
    {"Y", 0, 88.905850, 88.905850000000},
    {"Yb", 6, 1203.561000, 173.037693367000},
    {"Zn", 4, 334.632500, 65.408734980900},
    {"Zr", 4, 462.529970, 91.223643836000},
};

TEST(ElementTable, DataAgreesWithThePublishedRows) {
    for (int e = 0; e < kNaturalElementCount; ++e) {
        const ElementCheck& c = kChecks[e];
        SCOPED_TRACE(c.symbol);
        ASSERT_EQ(ElementTable::symbol(e), c.symbol);
        ASSERT_EQ(table().heavyIsotopeCount[e], c.heavyCount);
        long double massSum = table().lightMass[e];
        long double average = c.heavyCount == 0 ? table().lightMass[e]
                                                : static_cast<long double>(table().lightMass[e]) *
                                                      table().abundance[table().firstAbundance[e]];
        for (int i = 0; i < c.heavyCount; ++i) {
            const int h = table().firstHeavy[e] + i;
            massSum += table().heavyMass[h];
            average += static_cast<long double>(table().heavyMass[h]) * table().abundance[table().firstAbundance[e] + 1 + i];
        }
        EXPECT_NEAR(static_cast<double>(massSum), c.massSum, 1e-7);
        EXPECT_NEAR(static_cast<double>(average), c.averageMass, 1e-9);
    }
}

TEST(ElementTable, AverageMassesMatchStandardAtomicWeights) {
    // IUPAC standard atomic weights (2001); the rounded isotope data reproduce them closely.
    const struct {
        const char* symbol;
        double weight;
    } weights[] = {{"H", 1.00794},  {"C", 12.0107},  {"N", 14.0067},  {"O", 15.9994},   {"Na", 22.98977},
                   {"Mg", 24.3050}, {"Si", 28.0855}, {"S", 32.065},   {"Cl", 35.453},   {"K", 39.0983},
                   {"Ca", 40.078},  {"Fe", 55.845},  {"Cu", 63.546},  {"Zn", 65.409},   {"Br", 79.904},
                   {"Sn", 118.710}, {"I", 126.90447}, {"Xe", 131.293}, {"Ba", 137.327}};
    for (const auto& w : weights) {
        SCOPED_TRACE(w.symbol);
        const int e = *elementIndex(w.symbol);
        double average = table().lightMass[e];
        if (table().heavyIsotopeCount[e] > 0) {
            average *= table().abundance[table().firstAbundance[e]];
            for (int i = 0; i < table().heavyIsotopeCount[e]; ++i)
                average += table().heavyMass[table().firstHeavy[e] + i] * table().abundance[table().firstAbundance[e] + 1 + i];
        }
        EXPECT_NEAR(average, w.weight, 0.001);
    }
}

TEST(ElementTable, AbundancesOfEachElementAddUpToExactlyOne) {
    // Every abundance is a decimal of at most seven places; in units of 1e-7 the sum is exact.
    for (int e = 0; e < kNaturalElementCount; ++e) {
        if (table().heavyIsotopeCount[e] == 0) continue;
        SCOPED_TRACE(ElementTable::symbol(e));
        long long units = 0;
        for (int i = 0; i <= table().heavyIsotopeCount[e]; ++i) {
            const double a = table().abundance[table().firstAbundance[e] + i];
            const long long k = std::llround(a * 1e7);
            EXPECT_EQ(static_cast<double>(k) / 1e7, a) << "not a seven-place decimal at isotope " << i;
            EXPECT_GT(k, 0);
            units += k;
        }
        EXPECT_EQ(units, 10000000);
    }
}

TEST(ElementTable, HeavyIsotopesInStrictlyDescendingAbundance) {
    for (int e = 0; e < kNaturalElementCount; ++e) {
        SCOPED_TRACE(ElementTable::symbol(e));
        for (int i = 1; i < table().heavyIsotopeCount[e]; ++i) {
            const int a = table().firstAbundance[e] + 1 + i;
            EXPECT_GT(table().abundance[a - 1], table().abundance[a]);
        }
    }
    // Mass order would be 42, 43, 44, 46, 48.
    const int ca = *elementIndex("Ca");
    int deltas[5];
    for (int i = 0; i < 5; ++i) deltas[i] = table().heavyDeltaA[table().firstHeavy[ca] + i];
    EXPECT_EQ((std::vector<int>(deltas, deltas + 5)), (std::vector<int>{4, 2, 8, 3, 6}));
}

TEST(ElementTable, MassNumbersAreTheRoundedMasses) {
    for (int e = 0; e < kNaturalElementCount; ++e) {
        SCOPED_TRACE(ElementTable::symbol(e));
        const int a0 = table().nominalMass[e];
        EXPECT_EQ(a0, std::lround(table().lightMass[e]));
        for (int h = table().firstHeavy[e]; h < lastHeavy(e); ++h) {
            EXPECT_GE(table().heavyDeltaA[h], 1);
            EXPECT_EQ(table().heavyDeltaA[h], std::lround(table().heavyMass[h]) - a0);
        }
    }
    // The lightest isotope is the reference even where it is rare.
    const int he = *elementIndex("He"), u = *elementIndex("U");
    EXPECT_EQ(table().nominalMass[he], 3);
    EXPECT_EQ(table().abundance[table().firstAbundance[he]], 0.0000013);
    EXPECT_EQ(table().nominalMass[u], 234);
    EXPECT_EQ(table().abundance[table().firstAbundance[u]], 0.00005);
}

TEST(ElementTable, RunsFollowOneAnotherInElementOrder) {
    int heavy = 0, abundance = 0, poly = 0, mostHeavy = 0;
    std::set<std::string> mono;
    for (int e = 0; e < kNaturalElementCount; ++e) {
        SCOPED_TRACE(ElementTable::symbol(e));
        const int n = table().heavyIsotopeCount[e];
        if (n == 0) {
            mono.insert(ElementTable::symbol(e));
            EXPECT_EQ(table().firstHeavy[e], 0);
            EXPECT_EQ(table().firstAbundance[e], 0);
            continue;
        }
        ++poly;
        mostHeavy = std::max(mostHeavy, n);
        EXPECT_EQ(table().firstHeavy[e], heavy);
        EXPECT_EQ(table().firstAbundance[e], abundance);
        heavy += n;
        abundance += n + 1;
    }
    EXPECT_EQ(heavy, kFirstUserHeavy);
    EXPECT_EQ(abundance, kFirstUserAbundance);
    EXPECT_EQ(poly, 62);
    EXPECT_EQ(mono, (std::set<std::string>{"Al", "As", "Au", "Be", "Bi", "Co", "Cs", "F", "Ho", "I", "Mn",
                                           "Na", "Nb", "P", "Pa", "Pr", "Rh", "Sc", "Tb", "Th", "Tm", "Y"}));
    EXPECT_EQ(mostHeavy, 9);
    EXPECT_EQ(table().heavyIsotopeCount[*elementIndex("Sn")], 9);
}

TEST(ElementTable, SymbolsInAsciiOrderOfPaddedSymbols) {
    ASSERT_EQ(std::strlen(ElementTable::symbols), 180u);
    for (int e = 0; e + 1 < kNaturalElementCount; ++e)
        EXPECT_LT(std::memcmp(ElementTable::symbols + 2 * e, ElementTable::symbols + 2 * e + 2, 2), 0) << e;
    EXPECT_EQ(ElementTable::symbol(5), "B");
    EXPECT_EQ(ElementTable::symbol(6), "Ba");
    EXPECT_EQ(ElementTable::symbol(10), "C");
    EXPECT_EQ(ElementTable::symbol(11), "Ca");
    EXPECT_EQ(ElementTable::symbol(83), "Zr");
    const char* users[] = {"Jx", "Jy", "Jz", "Qx", "Qy", "Qz"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ElementTable::symbol(kFirstUserElement + i), users[i]);
    EXPECT_EQ(ElementTable::symbol(-1), "");
    EXPECT_EQ(ElementTable::symbol(kElementCount), "");
}

TEST(ElementTable, SymbolIndexAgreesWithSymbols) {
    ASSERT_EQ(std::strlen(ElementTable::symbolIndex), 116u);
    for (char c = 'A'; c <= 'Z'; ++c) EXPECT_NE(std::strchr(ElementTable::symbolIndex, c), nullptr) << c;
    // Every capital with every possible second character: exactly the 90 symbols are found, each
    // at its own index.
    int found = 0;
    for (char capital = 'A'; capital <= 'Z'; ++capital) {
        for (int second = -1; second < 256; ++second) {
            std::string s(1, capital);
            if (second >= 0) s += static_cast<char>(second);
            const auto e = elementIndex(s);
            if (!e) continue;
            ++found;
            EXPECT_EQ(ElementTable::symbol(*e), s);
        }
    }
    EXPECT_EQ(found, kElementCount);
    for (int e = 0; e < kElementCount; ++e) EXPECT_EQ(elementIndex(ElementTable::symbol(e)), e);
}

TEST(ElementTable, SymbolLookupRefusesAnyOtherText) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c >= 'A' && c <= 'Z' && std::string("BCFHIKNOPSUVWY").find(c) != std::string::npos) continue;
        EXPECT_FALSE(elementIndex(std::string(1, c))) << b;
    }
    for (const std::string& s : {std::string(), std::string("B "), std::string("Cl "), std::string("CL"),
                                std::string("C\0", 2), std::string("\0C", 2), std::string("Q{"),
                                std::string("Z\xff"), std::string("J\x80"), std::string("Ca\0", 3)})
        EXPECT_FALSE(elementIndex(s)) << s;
}

class UserSlots : public ::testing::Test {
protected:
    void TearDown() override { resetUserElements(); }
};

TEST_F(UserSlots, StartEmptyAndResetRestoresThem) {
    for (int e = kFirstUserElement; e < kElementCount; ++e) {
        EXPECT_EQ(table().nominalMass[e], 0);
        EXPECT_EQ(table().lightMass[e], 0);
        EXPECT_EQ(table().heavyIsotopeCount[e], 0);
        EXPECT_EQ(table().firstHeavy[e], 0);
        EXPECT_EQ(table().firstAbundance[e], 0);
    }
    ElementTable& t = elementTable();
    const ElementTable before = t;
    for (int e = kFirstUserElement; e < kElementCount; ++e) {
        t.nominalMass[e] = 50;
        t.lightMass[e] = 50.1;
        t.heavyIsotopeCount[e] = 9;
        t.firstHeavy[e] = 204;
        t.firstAbundance[e] = 266;
    }
    for (int h = kFirstUserHeavy; h < kHeavyEntryCount; ++h) t.heavyDeltaA[h] = 3, t.heavyMass[h] = 53.0;
    for (int a = kFirstUserAbundance; a < kAbundanceEntryCount; ++a) t.abundance[a] = 0.25;
    resetUserElements();
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
    EXPECT_EQ(std::memcmp(&t, &initialElementTable(), sizeof t), 0);
}

}  // namespace
}  // namespace mv
