#include "isodata/formula.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace mv {
namespace {

const std::string kEntryError = "Formula Entry Error";
const std::string kTooMany = "Maximum number of atoms of an element (65500) exceeded.";

int idx(const char* symbol) { return *elementIndex(symbol); }

std::map<std::string, uint32_t> countsOf(const Composition& comp) {
    std::map<std::string, uint32_t> m;
    for (int e = 0; e < kElementCount; ++e)
        if (comp.count[e] != 0) m[ElementTable::symbol(e)] = comp.count[e];
    return m;
}

Composition compositionOf(const std::map<std::string, uint32_t>& counts) {
    Composition comp;
    for (const auto& [symbol, n] : counts) comp.count[idx(symbol.c_str())] = n;
    return comp;
}

TEST(ParseFormula, ReadsGroupsAndAddsRepeatedElements) {
    const struct {
        std::string text;
        std::map<std::string, uint32_t> counts;
    } cases[] = {
        {"C6H12O6", {{"C", 6}, {"H", 12}, {"O", 6}}},
        {"CH3CH2OH", {{"C", 2}, {"H", 6}, {"O", 1}}},
        {"Br", {{"Br", 1}}},
        {"B", {{"B", 1}}},
        {"Jx2Cl", {{"Jx", 2}, {"Cl", 1}}},
        {"HeHfHgHo", {{"He", 1}, {"Hf", 1}, {"Hg", 1}, {"Ho", 1}}},
        {"QzYbY2", {{"Qz", 1}, {"Yb", 1}, {"Y", 2}}},
        {"C65500", {{"C", 65500}}},
        {"C30000C35500", {{"C", 65500}}},
        {"C000012", {{"C", 12}}},
        {"C" + std::string(40, '0') + "7H", {{"C", 7}, {"H", 1}}},
        {"C0H2O", {{"H", 2}, {"O", 1}}},  // C written with 0 counts as absent
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        test::ScriptedPrompter prompter;
        Composition comp;
        EXPECT_EQ(parseFormula(c.text, comp, prompter), ParseResult::Parsed);
        EXPECT_EQ(countsOf(comp), c.counts);
        EXPECT_TRUE(prompter.messages.empty());
    }
}

TEST(ParseFormula, MalformedTextOffersRetry) {
    const std::string cases[] = {
        "", "6C", "c6", "C6H12O6 ", " C6", "BR", "Cx", "Ab", "A", "G", "J", "Q", "CL", "C6(OH)2", "H2O+",
        "C-2", "C6.H", "C\xc3\xa9", "\xc3\x89", std::string("H2\0O", 4), std::string("\0", 1), "Qa", "Z{", "Z\x7f",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        for (const bool retry : {true, false}) {
            test::ScriptedPrompter prompter;
            prompter.retryAnswers = {retry};
            Composition comp;
            EXPECT_EQ(parseFormula(text, comp, prompter), retry ? ParseResult::Retry : ParseResult::Failed);
            EXPECT_EQ(prompter.messages, std::vector<std::string>{kEntryError});
        }
    }
}

TEST(ParseFormula, EveryByteAfterAnElementIsHandled) {
    // No byte may be taken for part of a symbol or count it is not, nor read past the lookup string.
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        test::ScriptedPrompter prompter;
        Composition comp;
        const ParseResult r = parseFormula(std::string("Q") + c, comp, prompter);
        EXPECT_EQ(r, c == 'x' || c == 'y' || c == 'z' ? ParseResult::Parsed : ParseResult::Failed) << b;
        const ParseResult r2 = parseFormula(std::string(1, c) + "H", comp, prompter);
        const bool oneLetter = std::string("BCFHIKNOPSUVWY").find(c) != std::string::npos && c != '\0';
        EXPECT_EQ(r2, oneLetter ? ParseResult::Parsed : ParseResult::Failed) << b;
    }
}

TEST(ParseFormula, TooManyAtomsIsRefusedWithoutRetry) {
    const std::string cases[] = {
        "C65501",
        "C40000C30000",
        "H2C65500C",
        "C999999",
        "C4294967297",                    // 2^32 + 1: would wrap to 1 in 32 bits
        "C18446744073709551617",          // 2^64 + 1
        "C0000000000000000000000065501",  // leading zeros do not hide the value
        "C" + std::string(300, '9'),
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        test::ScriptedPrompter prompter;
        prompter.retryAnswers = {true};
        Composition comp;
        EXPECT_EQ(parseFormula(text, comp, prompter), ParseResult::Failed);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{kTooMany});
    }
}

struct Checked {
    double mass = 0;
    IonDefinition ion;
    int32_t lastPolyAtomTotal = -1;
    test::ScriptedPrompter prompter;
};

Checked check(Composition& comp, int charge = 1, ScanType scan = ScanType::Regular) {
    Checked r;
    r.mass = checkComposition(comp, charge, kElectronMass, scan, r.ion, r.lastPolyAtomTotal, r.prompter);
    return r;
}

TEST(CheckComposition, MassOfTheLightestSpeciesLessTheElectrons) {
    Composition water = compositionOf({{"H", 2}, {"O", 1}});
    const long double expected = 2 * 1.007825L + 15.99491L;
    for (const int charge : {1, -1, 3}) {
        SCOPED_TRACE(charge);
        Composition comp = water;
        const Checked r = check(comp, charge);
        EXPECT_NEAR(r.mass, static_cast<double>(expected - charge * 0.000054858L), 1e-12);
        EXPECT_TRUE(r.prompter.messages.empty());
        EXPECT_EQ(r.ion.polyElemCount, 2);
        EXPECT_EQ(r.ion.polyAtomTotal, 3);
        EXPECT_EQ(r.lastPolyAtomTotal, 3);
        EXPECT_EQ(r.ion.monoElemCount, 0);
        EXPECT_NEAR(r.ion.monoMass, -charge * 0.000054858, 1e-15);
    }
}

TEST(CheckComposition, MonoisotopicElementsAreSplitOffAndClearedForARegularScan) {
    const Composition input = compositionOf({{"C", 6}, {"H", 11}, {"Na", 1}, {"O", 6}, {"I", 2}});
    for (const ScanType scan : {ScanType::Regular, ScanType::Precursor, ScanType::MSn}) {
        SCOPED_TRACE(static_cast<int>(scan));
        Composition comp = input;
        const Checked r = check(comp, 1, scan);
        ASSERT_TRUE(r.prompter.messages.empty());
        EXPECT_EQ(r.ion.polyElemCount, 3);
        EXPECT_EQ(r.ion.polyAtomTotal, 23);
        ASSERT_EQ(r.ion.monoElemCount, 2);
        EXPECT_EQ(r.ion.monoElem[0], idx("I"));
        EXPECT_EQ(r.ion.monoCount[0], 2);
        EXPECT_EQ(r.ion.monoElem[1], idx("Na"));
        EXPECT_EQ(r.ion.monoCount[1], 1);
        EXPECT_NEAR(r.ion.monoMass, 2 * 126.90447 + 22.98977 - 0.000054858, 1e-9);
        EXPECT_NEAR(r.mass, 6 * 12.0 + 11 * 1.007825 + 22.98977 + 6 * 15.99491 + 2 * 126.90447 - 0.000054858, 1e-9);
        const bool cleared = scan == ScanType::Regular;
        EXPECT_EQ(comp.count[idx("Na")], cleared ? 0u : 1u);
        EXPECT_EQ(comp.count[idx("I")], cleared ? 0u : 2u);
        EXPECT_EQ(comp.count[idx("C")], 6u);
    }
}

TEST(CheckComposition, LimitsOfTheEngine) {
    const std::string noPoly = "The ion must contain at least one polyisotopic element.";
    const std::string atoms = "Total number of polyisotopic atoms cannot exceed 131000.";
    const std::string heavy = "The number of heavy isotopes (88) has been exceeded.";
    const std::string elements = "The number of polyisotopic elements cannot exceed 18.";
    // Heavy isotopes: Sn 9, Xe 8, Cd 7, Te 7, nine elements of 6, then Ar 2 or Ce 3, then B 1.
    std::map<std::string, uint32_t> heavy87 = {{"Sn", 1}, {"Xe", 1}, {"Cd", 1}, {"Te", 1}, {"Ba", 1},
                                               {"Dy", 1}, {"Gd", 1}, {"Hg", 1}, {"Mo", 1}, {"Nd", 1},
                                               {"Os", 1}, {"Ru", 1}, {"Sm", 1}, {"Ar", 1}};
    auto heavy88 = heavy87, heavy89 = heavy87;
    heavy88["B"] = 1;
    heavy89.erase("Ar");
    heavy89["Ce"] = 1;
    heavy89["B"] = 1;
    // 19 elements of one heavy isotope each.
    std::map<std::string, uint32_t> nineteen;
    for (const char* s : {"B", "C", "H", "N", "La", "Li", "Lu", "Ta", "V", "Ag", "Br", "Cl", "Cu", "Eu", "Ga",
                          "In", "Ir", "Rb", "Re"})
        nineteen[s] = 1;
    auto eighteen = nineteen;
    eighteen.erase("Re");

    const struct {
        const char* name;
        std::map<std::string, uint32_t> counts;
        std::string message;  // empty: accepted
        int32_t lastPolyAtomTotal;
    } cases[] = {
        {"NaF", {{"Na", 1}, {"F", 1}}, noPoly, 0},
        {"131000 atoms", {{"C", 65500}, {"H", 65500}, {"Na", 65500}}, "", 131000},
        {"131001 atoms", {{"C", 65500}, {"H", 65500}, {"N", 1}}, atoms, -1},
        {"88 heavy", heavy88, "", 15},
        {"89 heavy", heavy89, heavy, 15},
        {"Sn and Xe count 17", {{"Sn", 1}, {"Xe", 1}}, "", 2},
        {"18 elements", eighteen, "", 18},
        {"19 elements", nineteen, elements, 19},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Composition comp = compositionOf(c.counts);
        const Checked r = check(comp);
        if (c.message.empty()) {
            EXPECT_GT(r.mass, 0);
            EXPECT_TRUE(r.prompter.messages.empty());
            EXPECT_EQ(r.ion.polyAtomTotal, c.lastPolyAtomTotal);
        } else {
            EXPECT_EQ(r.mass, 0);
            EXPECT_EQ(r.prompter.messages, std::vector<std::string>{c.message});
        }
        EXPECT_EQ(r.lastPolyAtomTotal, c.lastPolyAtomTotal);
    }
}

class WithUserElements : public ::testing::Test {
protected:
    void TearDown() override { resetUserElements(); }
};

TEST_F(WithUserElements, TwentyEightMonoisotopicElementsFitTheList) {
    // Every monoisotopic natural element plus all six user elements defined without heavy isotopes.
    for (int e = kFirstUserElement; e < kElementCount; ++e) {
        elementTable().lightMass[e] = 10.0 + e;
        elementTable().nominalMass[e] = 10 + e;
    }
    Composition comp;
    std::vector<int> monos;
    for (int e = 0; e < kElementCount; ++e)
        if (elementTable().heavyIsotopeCount[e] == 0) {
            comp.count[e] = static_cast<uint32_t>(e + 1);
            monos.push_back(e);
        }
    ASSERT_EQ(monos.size(), 28u);
    comp.count[idx("C")] = 1;
    const Checked r = check(comp, 1, ScanType::Product);
    ASSERT_TRUE(r.prompter.messages.empty());
    ASSERT_EQ(r.ion.monoElemCount, 28);
    long double monoMass = 0;
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(r.ion.monoElem[i], monos[i]);
        EXPECT_EQ(r.ion.monoCount[i], monos[i] + 1);
        monoMass += static_cast<long double>(monos[i] + 1) * elementTable().lightMass[monos[i]];
    }
    EXPECT_NEAR(r.ion.monoMass, static_cast<double>(monoMass - 0.000054858L), 1e-9);
    EXPECT_NEAR(r.mass, static_cast<double>(monoMass + 12 - 0.000054858L), 1e-9);
}

TEST(FormatComposition, TableOrderWithCountsFromTwo) {
    test::ScriptedPrompter prompter;
    Composition comp;
    ASSERT_EQ(parseFormula("O6NH12C6", comp, prompter), ParseResult::Parsed);
    EXPECT_EQ(formatComposition(comp), "C6H12NO6");
    ASSERT_EQ(parseFormula("Jx2ClC0Qz65500", comp, prompter), ParseResult::Parsed);
    EXPECT_EQ(formatComposition(comp), "ClJx2Qz65500");
    EXPECT_EQ(formatComposition(Composition{}), "");
}

TEST(FormatComposition, LongTextIsCutAtAGroupWithinTheBuffer) {
    // 17 two-letter groups of 7 characters fill exactly 119 characters.
    Composition exact;
    std::string full;
    for (int e = 0, n = 0; n < 17; ++e) {
        if (ElementTable::symbol(e).size() != 2) continue;
        exact.count[e] = 65500;
        full += ElementTable::symbol(e) + "65500";
        ++n;
    }
    ASSERT_EQ(full.size(), 119u);
    EXPECT_EQ(formatComposition(exact), full);

    Composition longer = exact;
    longer.count[idx("Zr")] = 2;  // "Zr2" no longer fits
    const std::string cut = formatComposition(longer);
    EXPECT_EQ(cut, full.substr(0, 112) + "...");

    Composition all;
    for (int e = 0; e < kElementCount; ++e) all.count[e] = 4294967295u;
    const std::string text = formatComposition(all);
    EXPECT_LE(text.size(), static_cast<size_t>(kFormulaTextSize - 1));
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), "...");
    EXPECT_EQ(text.substr(0, 14), "Ag4294967295Al");
    const std::string body = text.substr(0, text.size() - 3);
    EXPECT_TRUE(body.back() >= '0' && body.back() <= '9');  // ends after a whole count
}

}  // namespace
}  // namespace mv
