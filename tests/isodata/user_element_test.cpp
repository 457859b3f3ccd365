#include "isodata/formula.h"
#include "isodata/user_element.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mv {
namespace {

constexpr int Jx = 84, Jy = 85, Jz = 86, Qz = 89;

// One used row of the dialog: its row number (1..9), delta or accurate mass, and FA.
struct Row {
    int row;
    double value;
    double fa;
};

const int kAccurateValueIds[] = {1050, 1054, 1058, 1062, 1066, 1052, 1056, 1060, 1064};
const int kAccurateFAIds[] = {1051, 1055, 1059, 1063, 1067, 1053, 1057, 1061, 1065};

// Fills the form as a user would type it.
std::function<bool(Form&)> typing(double light, std::vector<Row> rows) {
    return [light, rows](Form& form) {
        const bool accurate = form.resourceId == 138;
        form.field(accurate ? 1049 : 1026).text = formatFrameworkNumber(light);
        for (const Row& r : rows) {
            const int valueId = accurate ? kAccurateValueIds[r.row - 1] : 1026 + r.row;
            const int faId = accurate ? kAccurateFAIds[r.row - 1] : 1035 + r.row;
            form.field(valueId).text = formatFrameworkNumber(r.value);
            form.field(faId).text = formatFrameworkNumber(r.fa);
        }
        return true;
    };
}

class UserElement : public ::testing::Test {
protected:
    void TearDown() override { resetUserElements(); }

    bool enter(int element, bool accurate, double light, std::vector<Row> rows) {
        prompter.fillForm = typing(light, std::move(rows));
        return enterUserElement(element, accurate, cursors, prompter);
    }

    std::vector<int> deltas(int element) const {
        std::vector<int> d;
        for (int i = 0; i < t.heavyIsotopeCount[element]; ++i) d.push_back(t.heavyDeltaA[t.firstHeavy[element] + i]);
        return d;
    }
    std::vector<double> abundances(int element) const {
        std::vector<double> a;
        for (int i = 0; i <= t.heavyIsotopeCount[element]; ++i) a.push_back(t.abundance[t.firstAbundance[element] + i]);
        return a;
    }

    const ElementTable& t = elementTable();
    UserElementCursors cursors;
    test::ScriptedPrompter prompter;
};

TEST(UserElementForm, DeltaMassForm) {
    const Form form = userElementForm(Jx, false);
    EXPECT_EQ(form.resourceId, 136);
    EXPECT_EQ(form.caption, "Data for User ELEMENT Jx");
    ASSERT_EQ(form.fields.size(), 19u);
    EXPECT_EQ(form.fields[0].id, 1026);
    EXPECT_EQ(form.fields[0].kind, FieldKind::Number);
    EXPECT_EQ(form.fields[0].min, 1);
    EXPECT_EQ(form.fields[0].max, 300);
    for (int k = 1; k <= 9; ++k) {
        const Field& delta = form.fields[2 * k - 1];
        const Field& fa = form.fields[2 * k];
        EXPECT_EQ(delta.id, 1026 + k);
        EXPECT_EQ(delta.kind, FieldKind::Integer);
        EXPECT_TRUE(delta.ranged);
        EXPECT_EQ(delta.max, 25);
        EXPECT_EQ(fa.id, 1035 + k);
        EXPECT_EQ(fa.kind, FieldKind::Number);
        EXPECT_EQ(fa.max, 0.99999);
    }
    for (const Field& f : form.fields) EXPECT_EQ(f.text, "0") << f.id;
    EXPECT_EQ(form.texts[0], "Accurate Mass of the lightest isotope:");
    EXPECT_EQ(form.texts[1], "     Heavy          Delta              Fractional           Heavy            Delta   "
                             "           Fractional");
    EXPECT_EQ(form.texts[2], "Isotope #        Mass             Abundance        Isotope #        Mass             "
                             "Abundance");
    EXPECT_EQ(form.texts.back(), "9");
    // The lightest mass starts at 0, below its range: OK alone is refused by the framework.
    ASSERT_TRUE(validateForm(form));
    EXPECT_EQ(validateForm(form)->message, "Please enter a number between 1 and 300.");
}

TEST(UserElementForm, AccurateMassFormAndTitles) {
    const Form form = userElementForm(Jy, true);
    EXPECT_EQ(form.resourceId, 138);
    std::vector<int> ids;
    for (const Field& f : form.fields) {
        ids.push_back(f.id);
        EXPECT_EQ(f.kind, FieldKind::Number);
        EXPECT_EQ(f.text, "0");
    }
    EXPECT_EQ(ids, (std::vector<int>{1049, 1050, 1051, 1054, 1055, 1058, 1059, 1062, 1063, 1066, 1067, 1052, 1053,
                                     1056, 1057, 1060, 1061, 1064, 1065}));
    EXPECT_EQ(form.field(1050).max, 300);
    EXPECT_EQ(form.field(1065).max, 0.99999);
    EXPECT_EQ(form.texts[0], "Accurate mass of the lightest isotope:");
    EXPECT_EQ(form.texts[1], "   Heavy          Accurate               Fractional       Heavy              Accurate"
                             "              Fractional");
    EXPECT_EQ(form.texts[2], "Isotope #           Mass                 Abundance    Isotope#              Mass       "
                             "         Abundance");
    const char* titles[] = {"Data for User ELEMENT Jx", "Data for User Element Jy", "Data for User Element Jz",
                            "Data for User Element Qx", "Data for User Element Qy", "Data for User Element Qz"};
    for (int e = Jx; e <= Qz; ++e) {
        EXPECT_EQ(userElementForm(e, false).caption, titles[e - Jx]);
        EXPECT_EQ(userElementForm(e, true).caption, titles[e - Jx]);
        EXPECT_EQ(userElementForm(e, true).subject, e);
    }
}

TEST_F(UserElement, WithoutHeavyIsotopesItIsMonoisotopic) {
    // An FA typed into a row without a mass does not make the row used.
    ASSERT_TRUE(enter(Jx, false, 12.0, {{3, 0, 0.4}}));
    EXPECT_EQ(t.lightMass[Jx], 12.0);
    EXPECT_EQ(t.heavyIsotopeCount[Jx], 0);
    EXPECT_EQ(t.firstHeavy[Jx], 0);
    EXPECT_EQ(t.firstAbundance[Jx], 0);
    EXPECT_EQ(cursors.heavy, 204);
    EXPECT_EQ(cursors.abundance, 266);
    EXPECT_TRUE(prompter.messages.empty());

    Composition comp;
    comp.count[Jx] = 2;
    comp.count[*elementIndex("C")] = 1;
    IonDefinition ion;
    int32_t polyTotal = 0;
    const double mass = checkComposition(comp, 1, kElectronMass, ScanType::Regular, ion, polyTotal, prompter);
    EXPECT_NEAR(mass, 36.0 - 0.000054858, 1e-12);
    EXPECT_EQ(ion.polyElemCount, 1);
    ASSERT_EQ(ion.monoElemCount, 1);
    EXPECT_EQ(ion.monoElem[0], Jx);
    EXPECT_EQ(ion.monoCount[0], 2);
}

TEST_F(UserElement, HeavyIsotopesStoredByDescendingAbundance) {
    ASSERT_TRUE(enter(Jx, false, 50.0, {{1, 2, 0.1}, {2, 1, 0.3}}));
    EXPECT_EQ(t.heavyIsotopeCount[Jx], 2);
    EXPECT_EQ(t.firstHeavy[Jx], 204);
    EXPECT_EQ(t.firstAbundance[Jx], 266);
    EXPECT_EQ(deltas(Jx), (std::vector<int>{1, 2}));
    const auto a = abundances(Jx);
    EXPECT_DOUBLE_EQ(a[0], 0.6);
    EXPECT_EQ(a[1], 0.3);
    EXPECT_EQ(a[2], 0.1);
    EXPECT_EQ(t.lightMass[Jx], 50.0);
    EXPECT_EQ(t.nominalMass[Jx], 0);  // the delta form leaves it alone
    EXPECT_EQ(cursors.heavy, 206);
    EXPECT_EQ(cursors.abundance, 269);
}

TEST_F(UserElement, EqualAbundancesKeepRowOrder) {
    ASSERT_TRUE(enter(Jy, false, 50.0, {{4, 3, 0.2}, {7, 5, 0.25}, {8, 1, 0.2}}));
    EXPECT_EQ(deltas(Jy), (std::vector<int>{5, 3, 1}));
    EXPECT_DOUBLE_EQ(abundances(Jy)[0], 0.35);
}

TEST_F(UserElement, AccurateFormStoresMassesAndIncrements) {
    // Rows 6 and 1 sit in different columns of the dialog.
    ASSERT_TRUE(enter(Jx, true, 100.6, {{6, 102.58, 0.1}, {1, 101.62, 0.2}}));
    EXPECT_EQ(t.nominalMass[Jx], 101);
    EXPECT_EQ(deltas(Jx), (std::vector<int>{1, 2}));
    EXPECT_EQ(t.heavyMass[204], 101.62);
    EXPECT_EQ(t.heavyMass[205], 102.58);
    EXPECT_DOUBLE_EQ(abundances(Jx)[0], 0.7);
}

TEST_F(UserElement, RefusedEntries) {
    const struct {
        const char* name;
        bool accurate;
        double light;
        std::vector<Row> rows;
        std::string message;
    } cases[] = {
        {"FA 0 in a used row", false, 50, {{1, 1, 0.5}, {2, 2, 0}}, "Each FA must be greater than 0.0."},
        {"increment rounds to 0", true, 100.0, {{1, 100.4, 0.1}}, "Delta mass cannot be less than or equal to zero."},
        {"heavy below light", true, 100.0, {{2, 98.0, 0.1}}, "Delta mass cannot be less than or equal to zero."},
        {"equal increments from masses", true, 100.0, {{1, 101.49, 0.1}, {2, 101.2, 0.2}},
         "Delta masses for two isotopes cannot be equal."},
        {"equal deltas", false, 50, {{1, 4, 0.1}, {9, 4, 0.2}}, "Delta masses for two isotopes cannot be equal."},
        {"lightest below 0.000001", false, 50, {{1, 1, 0.5}, {2, 2, 0.4999995}},
         "Total FA of heavy isotopes exceeds 0.999999"},
        {"heavy FAs above 1", false, 50, {{1, 1, 0.9}, {2, 2, 0.9}}, "Total FA of heavy isotopes exceeds 0.999999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.messages.clear();
        cursors = {};
        EXPECT_FALSE(enter(Jz, c.accurate, c.light, c.rows));
        EXPECT_EQ(prompter.messages, std::vector<std::string>{c.message});
    }
    // Just inside the limit.
    prompter.messages.clear();
    cursors = {};
    EXPECT_TRUE(enter(Jz, false, 50, {{1, 1, 0.5}, {2, 2, 0.49999}}));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(UserElement, CancelLeavesEverythingAsItWas) {
    prompter.fillForm = [](Form& form) {
        form.field(1026).text = "20";
        return false;
    };
    EXPECT_FALSE(enterUserElement(Jx, false, cursors, prompter));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(std::memcmp(&t, &initialElementTable(), sizeof t), 0);
    EXPECT_EQ(cursors.heavy, 204);
    EXPECT_EQ(cursors.abundance, 266);
}

TEST_F(UserElement, EachUserElementOfAFormulaInTurn) {
    // Jx2Jz with components off: Jx's dialog, then Jz's, Jz's entries right after Jx's.
    test::ScriptedPrompter p;
    Composition comp;
    ASSERT_EQ(parseFormula("Jx2JzC6", comp, p), ParseResult::Parsed);
    p.fillForm = [](Form& form) {
        if (form.caption == "Data for User ELEMENT Jx") return typing(30.0, {{1, 1, 0.2}, {2, 2, 0.1}})(form);
        return typing(40.0, {{1, 2, 0.05}})(form);
    };
    UserElementCursors c;
    for (int e = Jx; e <= Qz; ++e) {
        if (comp.count[e] != 0) {
            ASSERT_TRUE(enterUserElement(e, false, c, p));
        }
    }
    ASSERT_EQ(p.formsShown.size(), 2u);
    EXPECT_EQ(p.formsShown[0].caption, "Data for User ELEMENT Jx");
    EXPECT_EQ(p.formsShown[1].caption, "Data for User Element Jz");
    EXPECT_EQ(p.formsShown[1].resourceId, 136);
    EXPECT_EQ(t.firstHeavy[Jx], 204);
    EXPECT_EQ(t.firstAbundance[Jx], 266);
    EXPECT_EQ(t.firstHeavy[Jz], 206);
    EXPECT_EQ(t.firstAbundance[Jz], 269);
    EXPECT_EQ(deltas(Jz), std::vector<int>{2});
    EXPECT_DOUBLE_EQ(abundances(Jz)[0], 0.95);
    EXPECT_EQ(c.heavy, 207);
    EXPECT_EQ(c.abundance, 271);
}

TEST_F(UserElement, SixFullUserElementsFillTheReservedEntriesExactly) {
    std::vector<Row> nine;
    for (int k = 1; k <= 9; ++k) nine.push_back({k, static_cast<double>(k), 0.01 * k});
    for (int e = Jx; e <= Qz; ++e) ASSERT_TRUE(enter(e, false, 100.0 + e, nine)) << e;
    EXPECT_EQ(cursors.heavy, kHeavyEntryCount);
    EXPECT_EQ(cursors.abundance, kAbundanceEntryCount);
    EXPECT_EQ(deltas(Qz), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_DOUBLE_EQ(abundances(Qz)[0], 0.55);

    // A caller that did not restart the cursors is refused instead of writing past the table.
    EXPECT_FALSE(enter(Jx, false, 10.0, {{1, 1, 0.1}}));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"No room left for the isotope data of user element Jx."});
    EXPECT_EQ(prompter.formsShown.size(), 6u);
}

TEST_F(UserElement, OnlyUserElementsTakeData) {
    EXPECT_FALSE(enter(*elementIndex("C"), false, 12.0, {}));
    EXPECT_FALSE(enter(kElementCount, false, 12.0, {}));
    EXPECT_EQ(prompter.messages.size(), 2u);
    EXPECT_TRUE(prompter.formsShown.empty());
    EXPECT_EQ(std::memcmp(&t, &initialElementTable(), sizeof t), 0);
}

}  // namespace
}  // namespace mv
