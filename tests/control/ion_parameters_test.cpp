#include "control/parameter_entry.h"
#include "control/parameter_forms.h"
#include "control/workers.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <map>

namespace mv {
namespace {

class FakeTarget : public CalcTarget {
public:
    bool ready = true;
    int prepared = 0;
    bool readyForCalculation() const override { return ready; }
    void prepareForCalculation() override { ++prepared; }
};

// One command as the view runs it, with the dialogs answered from a table of field texts.
class IonParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ws = &workspace();
        resetStoredParameters(*ws);
        resetUserElements();
    }

    bool enter(ScanType scan, std::map<int, std::string> fields) {
        beginCommand(*ws, scan);
        prompter.fillForm = [fields](Form& form) {
            for (const auto& [id, text] : fields) {
                if (Field* f = form.find(id)) {
                    if (f->kind == FieldKind::Check)
                        f->checked = text == "1";
                    else
                        f->text = text;
                }
            }
            return true;
        };
        return enterIonParameters(session, *ws, target, prompter);
    }

    std::string lastMessage() const { return prompter.messages.empty() ? "" : prompter.messages.back(); }

    CalcWorkspace* ws = nullptr;
    CalcSession session;
    FakeTarget target;
    test::ScriptedPrompter prompter;
};

TEST_F(IonParameters, AcceptedRegularIonFillsTheIonRole) {
    ASSERT_TRUE(enter(ScanType::Regular, {{1000, "C6H12O6"}, {1002, "0.999"}}));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(session.ionFormulaText, "C6H12O6");
    EXPECT_EQ(ws->ion.polyAtomTotal, 24);
    EXPECT_EQ(ws->ion.polyElemCount, 3);
    EXPECT_DOUBLE_EQ(ws->stopFA, 0.999);
    EXPECT_DOUBLE_EQ(ws->reportedFA, 0.999);
    EXPECT_DOUBLE_EQ(ws->reportedFA2, 0.999);
    // 6 x 12 + 12 x 1.007825 + 6 x 15.99491 - 0.000054858
    EXPECT_NEAR(session.ionMassA0, 180.063305142, 1e-9);
    EXPECT_EQ(target.prepared, 1);
    // The dialog opened with the initial values.
    const Form& shown = prompter.formsShown.at(0);
    EXPECT_EQ(shown.resourceId, kParDlg);
    EXPECT_EQ(shown.caption, "Ion or Precursor Ion Parameters");
    EXPECT_EQ(shown.field(1001).text, "1");
    EXPECT_EQ(shown.field(1002).text, "0.9999");
    EXPECT_EQ(shown.field(1068).text, "25");
    EXPECT_EQ(shown.field(1071).text, "20");
    EXPECT_FALSE(shown.field(1068).enabled);  // the component fields follow the check box
}

TEST_F(IonParameters, HeldDataSetRefusesBeforeAnyDialog) {
    target.ready = false;
    EXPECT_FALSE(enter(ScanType::Regular, {{1000, "H2O"}}));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Click 'File, New' (Ctrl+N) before another calculation!"});
    EXPECT_TRUE(prompter.formsShown.empty());
}

TEST_F(IonParameters, CancelKeepsTheStoredParameters) {
    session.ionFormula = "CH4";
    prompter.fillForm = [](Form& f) {
        f.field(1000).text = "C2H6";
        return false;
    };
    beginCommand(*ws, ScanType::Regular);
    EXPECT_FALSE(enterIonParameters(session, *ws, target, prompter));
    EXPECT_EQ(session.ionFormula, "CH4");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(IonParameters, RefusalsWithTheirMessages) {
    struct Case {
        ScanType scan;
        std::map<int, std::string> fields;
        const char* message;  // nullptr: accepted
    };
    const char* kFirst = "First individual component peak index cannot be greater than the last!";
    const char* kTooMany = "The number of individual peak indices requested is too large (>166)!";
    const char* kLastHigh = "Last individual component peak index exceeds the maximum allowable value!";
    const char* kIons = "The maximum number of individual peaks to be listed is too large!";
    const Case cases[] = {
        {ScanType::Regular, {{1000, "H2O"}, {1001, "0"}}, "Precursor ion charge cannot be zero!"},
        {ScanType::Regular, {{1000, "H2O"}, {1001, "-2"}}, nullptr},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "5"}, {1071, "4"}}, kFirst},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "0"}, {1071, "165"}, {1068, "12"}}, nullptr},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "0"}, {1071, "166"}, {1068, "12"}}, kTooMany},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "0"}, {1071, "19"}, {1068, "100"}}, nullptr},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "0"}, {1071, "19"}, {1068, "101"}}, kIons},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "500"}, {1071, "640"}, {1068, "14"}}, nullptr},
        {ScanType::Regular, {{1000, "C60"}, {1048, "1"}, {1070, "500"}, {1071, "640"}, {1068, "15"}}, kIons},
        {ScanType::NeutralLoss, {{1000, "C60"}, {1048, "1"}, {1070, "300"}, {1071, "321"}}, kLastHigh},
        {ScanType::NeutralLoss, {{1000, "C60"}, {1048, "1"}, {1070, "300"}, {1071, "320"}}, nullptr},
        // The limits apply only when components are asked for.
        {ScanType::Regular, {{1000, "C60"}, {1070, "5"}, {1071, "4"}}, nullptr},
        {ScanType::MSn, {{1007, "C60"}, {1009, "3"}, {1048, "1"}, {1072, "0"}, {1073, "4"}}, kLastHigh},
        {ScanType::MSn, {{1007, "C60"}, {1009, "3"}, {1048, "1"}, {1072, "0"}, {1073, "3"}}, nullptr},
        {ScanType::MSn, {{1007, "C2"}, {1009, "3"}}, "Precursor ion index number exceeds maximum possible value!"},
        {ScanType::MSn, {{1007, "C2"}, {1009, "2"}}, nullptr},
        {ScanType::Regular, {{1000, "NaF"}}, "The ion must contain at least one polyisotopic element."},
    };
    for (const auto& c : cases) {
        SetUp();
        prompter = test::ScriptedPrompter{};
        const bool accepted = enter(c.scan, c.fields);
        if (c.message) {
            EXPECT_FALSE(accepted) << c.message;
            EXPECT_EQ(prompter.messages, std::vector<std::string>{c.message});
        } else {
            EXPECT_TRUE(accepted) << (prompter.messages.empty() ? "" : prompter.messages[0]);
        }
    }
}

TEST_F(IonParameters, RefusedEntriesAreKeptForTheNextDialog) {
    EXPECT_FALSE(enter(ScanType::Regular, {{1000, "C6H12O6"}, {1001, "0"}}));
    prompter = test::ScriptedPrompter{};
    EXPECT_FALSE(enter(ScanType::Regular, {}));
    EXPECT_EQ(prompter.formsShown.at(0).field(1000).text, "C6H12O6");
    EXPECT_EQ(prompter.formsShown.at(0).field(1001).text, "0");
}

TEST_F(IonParameters, StopValueLimitsAreTheDialogsOwn) {
    const std::pair<const char*, bool> cases[] = {{"0.49999", false}, {"1", false}, {"0.5", true}, {"0.99999", true}};
    for (const auto& [text, ok] : cases) {
        prompter = test::ScriptedPrompter{};
        EXPECT_EQ(enter(ScanType::Regular, {{1000, "H2O"}, {1002, text}}), ok) << text;
        if (!ok) {
            EXPECT_EQ(prompter.validationMessages.at(0), "Please enter a number between 0.5 and 0.99999.");
        }
    }
}

TEST_F(IonParameters, PrecursorAndProductScansSwitchTheListingOff) {
    ASSERT_TRUE(enter(ScanType::Regular, {{1000, "C60"}, {1048, "1"}}));
    EXPECT_TRUE(ws->listComponentsOption);
    ASSERT_TRUE(enter(ScanType::Product, {{1003, "C60"}}));
    EXPECT_FALSE(ws->listComponentsOption);
    prompter = test::ScriptedPrompter{};
    ASSERT_TRUE(enter(ScanType::Regular, {}));
    EXPECT_FALSE(prompter.formsShown.at(0).field(1048).checked);
}

TEST_F(IonParameters, MSnDialogOpensWithTheLastIndexAtThePrecursorPeak) {
    ws->precursorPeakIndex = 7;
    ws->lastListedPeak = 20;
    ASSERT_TRUE(enter(ScanType::MSn, {{1007, "C60"}, {1048, "1"}}));
    EXPECT_EQ(prompter.formsShown.at(0).field(1073).text, "7");
    EXPECT_EQ(ws->lastListedPeak, 7);
    EXPECT_EQ(ws->maxIonsPerPeak, 25);
}

TEST_F(IonParameters, RetryReopensTheDialogWithTheWrongFormula) {
    prompter.retryAnswers = {true, false};
    int shown = 0;
    prompter.fillForm = [&](Form& f) {
        if (shown++ == 0) f.field(1000).text = "C6h12";
        return true;
    };
    beginCommand(*ws, ScanType::Regular);
    EXPECT_FALSE(enterIonParameters(session, *ws, target, prompter));
    ASSERT_EQ(prompter.formsShown.size(), 2u);
    EXPECT_EQ(prompter.formsShown[1].field(1000).text, "C6h12");
    EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Formula Entry Error", "Formula Entry Error"}));
}

TEST_F(IonParameters, UserElementsAreAskedInTableOrderFromTheFirstReservedEntries) {
    ASSERT_TRUE(enter(ScanType::Regular, {{1000, "C2JzJx"}, {1026, "12"}}));
    ASSERT_EQ(prompter.formsShown.size(), 3u);
    EXPECT_EQ(prompter.formsShown[1].caption, "Data for User ELEMENT Jx");
    EXPECT_EQ(prompter.formsShown[2].caption, "Data for User Element Jz");
}

TEST(CommandStart, ProductKeepsThePreviousSlotCount) {
    CalcWorkspace& ws = workspace();
    beginCommand(ws, ScanType::Precursor);
    EXPECT_EQ(ws.peakSlotCount, 320);
    beginCommand(ws, ScanType::Product);
    EXPECT_EQ(ws.peakSlotCount, 320);
    beginCommand(ws, ScanType::Regular);
    beginCommand(ws, ScanType::Product);
    EXPECT_EQ(ws.peakSlotCount, 640);
}

}  // namespace
}  // namespace mv
