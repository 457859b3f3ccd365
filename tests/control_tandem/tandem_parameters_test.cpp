#include "control/parameter_entry.h"
#include "control/parameter_forms.h"
#include "control/workers.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>

namespace mv {
namespace {

const char* const kNoPolyLoss = "(Neutral) Fragment must contain at least one polyisotopic element!";
const char* const kMismatch = "Element mismatch between product ion and precursor ion!";
const char* const kMoreAtoms = "Product ion has more atoms of an element than Precursor!";
const char* const kNLCharges = "For NL scans, Precursor and Product ions must have equal charges!";
const char* const kZeroCharge = "Product ion charge cannot be zero!";

constexpr double kElectron = 0.000054858;

class AlwaysReady : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

struct IonIds {
    int formula, charge;
};

IonIds ionIds(ScanType scan) {
    switch (scan) {
    case ScanType::Precursor: return {1077, 1073};
    case ScanType::Product: return {1003, 1004};
    default: return {1000, 1001};
    }
}

const char* scanName(ScanType scan) {
    switch (scan) {
    case ScanType::Precursor: return "precursor";
    case ScanType::NeutralLoss: return "neutral loss";
    case ScanType::Product: return "product";
    default: return "other";
    }
}

// One tandem command as the view runs it: the precursor dialog, then the product ion dialog, each
// showing of the product dialog answered by the next entry of productFills (by field id).
class TandemParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ws = &workspace();
        resetStoredParameters(*ws);
        resetUserElements();
    }

    bool enter(ScanType scan, const std::string& formula, int charge, std::deque<std::map<int, std::string>> productFills) {
        beginCommand(*ws, scan);
        const IonIds ids = ionIds(scan);
        prompter.fillForm = [=, fills = std::move(productFills)](Form& form) mutable {
            if (form.resourceId == kDaughtDlg) {
                if (fills.empty()) return true;
                for (const auto& [id, text] : fills.front()) form.field(id).text = text;
                fills.pop_front();
            } else {
                form.field(ids.formula).text = formula;
                form.setInt(ids.charge, charge);
            }
            return true;
        };
        AlwaysReady target;
        if (!enterIonParameters(session, *ws, target, prompter)) {
            ADD_FAILURE() << "precursor refused: " << ::testing::PrintToString(prompter.messages);
            return false;
        }
        return enterTandemParameters(session, *ws, prompter);
    }

    CalcWorkspace* ws = nullptr;
    CalcSession session;
    test::ScriptedPrompter prompter;
};

TEST_F(TandemParameters, RefusalsShowTheirOneMessageAndKeepTheEntries) {
    const struct {
        ScanType scan;
        const char* precursor;
        int charge;
        const char* product;
        const char* productCharge;
        const char* message;
    } cases[] = {
        // Nothing polyisotopic is lost.
        {ScanType::Precursor, "C6H12O6", 1, "C6H12O6", "1", kNoPolyLoss},
        {ScanType::Product, "C6H11F2O6", 1, "C6H11FO6", "1", kNoPolyLoss},
        {ScanType::NeutralLoss, "C6H11NaO6", 1, "C6H11O6", "1", kNoPolyLoss},
        // An element the precursor lacks: more polyisotopic elements, one more in place of another,
        // and a monoisotopic one.
        {ScanType::NeutralLoss, "C6H12O6", 1, "C6H10NO5", "1", kMismatch},
        {ScanType::Precursor, "C6H12O6", 1, "C5H10N", "1", kMismatch},
        {ScanType::Product, "C6H12O6", 1, "C5H10FO", "1", kMismatch},
        {ScanType::Precursor, "C6H12O6", 1, "C7H10O5", "1", kMoreAtoms},
        {ScanType::Product, "C6H11NaO6", 1, "C6H10Na2O5", "1", kMoreAtoms},
        // Neutral Loss scans keep one charge for precursor and product, sign included.
        {ScanType::NeutralLoss, "C6H12O6", 1, "C6H10O5", "2", kNLCharges},
        {ScanType::NeutralLoss, "C6H12O6", -1, "C6H10O5", "1", kNLCharges},
        // A zero charge is refused before the formula is read.
        {ScanType::Precursor, "C6H12O6", 1, "C6H10O5", "0", kZeroCharge},
        {ScanType::NeutralLoss, "C6H12O6", 1, "bad", "0", kZeroCharge},
        {ScanType::Product, "C6H12O6", 1, "C6H10O5", "0", kZeroCharge},
        // A formula error answered with Cancel ends the command.
        {ScanType::Product, "C6H12O6", 1, "C6H10O5 ", "1", "Formula Entry Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(scanName(c.scan)) + " " + c.precursor + " -> " + c.product + " z " +
                     c.productCharge);
        SetUp();
        session = CalcSession{};
        prompter = test::ScriptedPrompter{};
        EXPECT_FALSE(enter(c.scan, c.precursor, c.charge, {{{1011, c.product}, {1012, c.productCharge}}}));
        EXPECT_EQ(prompter.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(prompter.formsShown.size(), 2u);  // no second showing of the product dialog
        // What was typed stays for the next dialog.
        EXPECT_EQ(session.product1Formula, c.product);
        EXPECT_EQ(session.product1Charge, std::stoi(c.productCharge));
    }
}

TEST_F(TandemParameters, DifferentChargesAndNegativeChargesAreAccepted) {
    // [A+0] of C6H10O5: 6 x 12 + 10 x 1.007825 + 5 x 15.99491 = 162.0528 less charge x electron.
    const struct {
        ScanType scan;
        int charge;
        const char* productCharge;
        double productMass;
    } cases[] = {
        {ScanType::Precursor, 1, "2", 162.0528 - 2 * kElectron},
        {ScanType::Precursor, 1, "-1", 162.0528 + kElectron},
        {ScanType::Product, 2, "1", 162.0528 - kElectron},
        {ScanType::Product, 1, "-3", 162.0528 + 3 * kElectron},
        {ScanType::NeutralLoss, -2, "-2", 162.0528 + 2 * kElectron},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(scanName(c.scan)) + " z " + std::to_string(c.charge) + " / " + c.productCharge);
        SetUp();
        session = CalcSession{};
        prompter = test::ScriptedPrompter{};
        ASSERT_TRUE(enter(c.scan, "C6H12O6", c.charge, {{{1011, "C6H10O5"}, {1012, c.productCharge}}}))
            << ::testing::PrintToString(prompter.messages);
        EXPECT_TRUE(prompter.messages.empty());
        EXPECT_EQ(session.product1Charge, std::stoi(c.productCharge));
        EXPECT_NEAR(session.product1MassA0, c.productMass, 1e-9);
        EXPECT_EQ(session.product1FormulaText, "C6H10O5");
    }
}

TEST_F(TandemParameters, LossHoldsTheLostPolyisotopicAtomsAndMonoisotopicMass) {
    // C6H11NaO6 -> C6H9O5 loses H2 O (polyisotopic) and Na (monoisotopic, 22.98977).
    ASSERT_TRUE(enter(ScanType::Precursor, "C6H11NaO6", 1, {{{1011, "O5H9C6"}}}))
        << ::testing::PrintToString(prompter.messages);
    const int H = *elementIndex("H"), O = *elementIndex("O"), C = *elementIndex("C"), Na = *elementIndex("Na");
    for (int e = 0; e < kElementCount; ++e) {
        SCOPED_TRACE(ElementTable::symbol(e));
        EXPECT_EQ(ws->loss.comp.count[e], e == H ? 2u : e == O ? 1u : 0u);
    }
    EXPECT_EQ(ws->loss.polyElemCount, 2);
    EXPECT_EQ(ws->loss.polyAtomTotal, 3);  // 23 polyisotopic atoms less 20
    ASSERT_EQ(ws->loss.monoElemCount, 1);
    EXPECT_EQ(ws->loss.monoElem[0], Na);
    EXPECT_EQ(ws->loss.monoCount[0], 1);
    EXPECT_NEAR(ws->loss.monoMass, 22.98977, 1e-12);
    // The precursor's monoisotopic sodium has left its composition; its polyisotopic part stays.
    EXPECT_EQ(ws->ion.comp.count[Na], 0u);
    EXPECT_EQ(ws->ion.comp.count[C], 6u);
    EXPECT_EQ(ws->product.comp.count[H], 9u);
    EXPECT_EQ(ws->product.polyAtomTotal, 20);
    EXPECT_EQ(session.product1FormulaText, "C6H9O5");
    // 6 x 12 + 9 x 1.007825 + 5 x 15.99491 - 0.000054858
    EXPECT_NEAR(session.product1MassA0, 161.044920142, 1e-9);
}

TEST_F(TandemParameters, RetryAfterAProductFormulaErrorReopensTheDialogWithTheWrongFormula) {
    prompter.retryAnswers = {true};
    ASSERT_TRUE(enter(ScanType::NeutralLoss, "C6H12O6", 1, {{{1011, "C6h10O5"}}, {{1011, "C6H10O5"}}}));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Formula Entry Error"});
    ASSERT_EQ(prompter.formsShown.size(), 3u);
    const Form& again = prompter.formsShown[2];
    EXPECT_EQ(again.resourceId, kDaughtDlg);
    EXPECT_EQ(again.caption, "Product (Fragment) Ion Parameters");
    EXPECT_EQ(again.field(1011).text, "C6h10O5");
    EXPECT_EQ(session.product1Formula, "C6H10O5");
    EXPECT_EQ(ws->loss.polyAtomTotal, 3);
}

TEST_F(TandemParameters, CancelInTheProductDialogKeepsTheStoredProduct) {
    session.product1Formula = "C6H10O5";
    session.product1Charge = 2;
    beginCommand(*ws, ScanType::Precursor);
    prompter.fillForm = [](Form& form) {
        if (form.resourceId == kDaughtDlg) {
            form.field(1011).text = "H2O";
            return false;
        }
        form.field(1077).text = "C6H12O6";
        return true;
    };
    AlwaysReady target;
    ASSERT_TRUE(enterIonParameters(session, *ws, target, prompter));
    EXPECT_FALSE(enterTandemParameters(session, *ws, prompter));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(session.product1Formula, "C6H10O5");
    EXPECT_EQ(session.product1Charge, 2);
    // The dialog opened with the stored product.
    EXPECT_EQ(prompter.formsShown.at(1).field(1011).text, "C6H10O5");
    EXPECT_EQ(prompter.formsShown.at(1).field(1012).text, "2");
}

}  // namespace
}  // namespace mv
