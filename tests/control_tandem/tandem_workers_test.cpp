#include "control/parameter_entry.h"
#include "control/parameter_forms.h"
#include "control/workers.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace mv {
namespace {

class AlwaysReady : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

// The command handler's steps up to the start of the worker, the dialogs answered by field id.
void setUpScan(ScanType scan, std::map<int, std::string> ionFields, std::map<int, std::string> productFields) {
    CalcWorkspace& ws = workspace();
    resetStoredParameters(ws);
    resetUserElements();
    CalcSession session;
    test::ScriptedPrompter prompter;
    prompter.fillForm = [&](Form& form) {
        for (const auto& [id, text] : form.resourceId == kDaughtDlg ? productFields : ionFields)
            if (Field* f = form.find(id)) {
                if (f->kind == FieldKind::Check)
                    f->checked = text == "1";
                else
                    f->text = text;
            }
        return true;
    };
    beginCommand(ws, scan);
    AlwaysReady target;
    ASSERT_TRUE(enterIonParameters(session, ws, target, prompter)) << ::testing::PrintToString(prompter.messages);
    ASSERT_TRUE(enterTandemParameters(session, ws, prompter)) << ::testing::PrintToString(prompter.messages);
    prepareRun(ws);
}

double d(Extended x) { return static_cast<double>(x); }

// [A+0] of the water lost by C6H12O6 -> C6H10O5, and of that product: every atom its lightest isotope.
const double kWaterA0 = std::pow(0.999885, 2) * 0.99757;
const double kProductA0 = std::pow(0.9893, 6) * std::pow(0.999885, 10) * std::pow(0.99757, 5);

TEST(TandemWorkers, EachCancelledPassLowersItsOwnTotalAndPartTwoAlwaysRuns) {
    // Cancel requested before a pass starts: it stops at its first level with only the lightest
    // species, and its reported total becomes that FA less 0.000001.
    for (const ScanType scan : {ScanType::Precursor, ScanType::NeutralLoss}) {
        for (const bool cancelOne : {false, true}) {
            for (const bool cancelTwo : {false, true}) {
                SCOPED_TRACE(std::string(scan == ScanType::Precursor ? "precursor" : "neutral loss") +
                             (cancelOne ? ", part one cancelled" : "") + (cancelTwo ? ", part two cancelled" : ""));
                const std::map<int, std::string> ion = scan == ScanType::Precursor
                                                           ? std::map<int, std::string>{{1077, "C6H12O6"}}
                                                           : std::map<int, std::string>{{1000, "C6H12O6"}};
                setUpScan(scan, ion, {{1011, "C6H10O5"}});
                CalcWorkspace& ws = workspace();
                ws.cancelRequest = cancelOne;
                int partTwoCalls = 0;
                bool requestSeenAtPartTwo = false;
                bool completed = false, cancelled = false;
                CalcCallbacks cb;
                cb.partTwo = [&] {
                    ++partTwoCalls;
                    requestSeenAtPartTwo = ws.cancelRequest;
                    resetCancelForPartTwo(ws);
                    ws.cancelRequest = cancelTwo;  // the user cancels the second part as well
                };
                cb.complete = [&](bool c) { completed = true, cancelled = c; };
                const int worker = scan == ScanType::Precursor ? precursorWorker(ws, cb) : neutralLossWorker(ws, cb);

                EXPECT_EQ(partTwoCalls, 1);
                EXPECT_EQ(requestSeenAtPartTwo, cancelOne);
                EXPECT_EQ(ws.progressPhase, 2);
                EXPECT_TRUE(completed);
                EXPECT_EQ(cancelled, cancelOne || cancelTwo);
                EXPECT_EQ(worker, cancelOne || cancelTwo ? 1 : 0);

                // Precursor: the loss first in slots 0..319; Neutral Loss: the product first.
                const bool lossCancelled = scan == ScanType::Precursor ? cancelOne : cancelTwo;
                const bool productCancelled = scan == ScanType::Precursor ? cancelTwo : cancelOne;
                const int lossSlot = scan == ScanType::Precursor ? 0 : kHalfPeakSlotCount;
                const int productSlot = scan == ScanType::Precursor ? kHalfPeakSlotCount : 0;

                EXPECT_NEAR(d(ws.peakFA[lossSlot]), kWaterA0, 1e-15);
                EXPECT_NEAR(d(ws.peakFA[productSlot]), kProductA0, 1e-15);
                if (lossCancelled) {
                    EXPECT_EQ(ws.peakFA[lossSlot + 1], 0);
                    EXPECT_EQ(ws.peakFA[lossSlot + 2], 0);
                    EXPECT_NEAR(ws.clusterFALoss, kWaterA0, 1e-15);
                    EXPECT_NEAR(ws.reportedFA, kWaterA0 - 0.000001, 1e-15);
                } else {
                    // 18O water, the only species of shift 2 in the first level.
                    EXPECT_NEAR(d(ws.peakFA[lossSlot + 2]), std::pow(0.999885, 2) * 0.00205, 1e-15);
                    EXPECT_GT(ws.clusterFALoss, 0.9999);
                    EXPECT_EQ(ws.reportedFA, 0.9999);
                }
                if (productCancelled) {
                    EXPECT_EQ(ws.peakFA[productSlot + 1], 0);
                    EXPECT_NEAR(ws.clusterFAProduct, kProductA0, 1e-15);
                    EXPECT_NEAR(ws.reportedFA2, kProductA0 - 0.000001, 1e-15);
                } else {
                    EXPECT_GT(ws.peakFA[productSlot + 1], 0);
                    EXPECT_GT(ws.clusterFAProduct, 0.9999);
                    EXPECT_EQ(ws.reportedFA2, 0.9999);
                }
            }
        }
    }
}

TEST(TandemWorkers, WithoutAPartTwoHandlerTheCancelRequestIsStillCleared) {
    setUpScan(ScanType::Precursor, {{1077, "C6H12O6"}}, {{1011, "C6H10O5"}});
    CalcWorkspace& ws = workspace();
    ws.cancelRequest = true;
    EXPECT_EQ(precursorWorker(ws, {}), 1);
    EXPECT_NEAR(ws.reportedFA, kWaterA0 - 0.000001, 1e-15);
    EXPECT_EQ(ws.reportedFA2, 0.9999);
    EXPECT_GT(ws.peakFA[kHalfPeakSlotCount + 1], 0);
}

// Cl2 -> Cl: 35Cl 0.7576, 37Cl 0.2424. Precursor [A+0] 35Cl2, [A+2] 35Cl37Cl split evenly into the
// product 35Cl and 37Cl, [A+4] 37Cl2; nothing at odd shifts.
constexpr double kCl35 = 0.7576, kCl37 = 0.2424;

TEST(TandemWorkers, ProductTriangleOfChlorine) {
    setUpScan(ScanType::Product, {{1003, "Cl2"}, {1006, "4"}}, {{1011, "Cl"}});
    CalcWorkspace& ws = workspace();
    bool cancelled = true;
    EXPECT_EQ(productWorker(ws, {nullptr, [&](bool c) { cancelled = c; }}), 0);
    EXPECT_FALSE(cancelled);
    const double half = kCl35 * kCl37;  // 2 x 35Cl37Cl / 2
    const double expected[15] = {kCl35 * kCl35, 0, 0, half, 0, half, 0, 0, 0, 0, 0, 0, kCl37 * kCl37, 0, 0};
    for (int s = 0; s < 15; ++s) EXPECT_NEAR(d(ws.peakFA[s]), expected[s], 1e-15) << "slot " << s;
    EXPECT_EQ(ws.peakFA[15], 0);
    EXPECT_EQ(ws.levelsDone, 2);
    EXPECT_NEAR(ws.clusterFALoss, 1.0, 1e-15);
    EXPECT_EQ(ws.reportedFA, 0.9999);
}

TEST(TandemWorkers, ProductPassBelowTheStopValueLowersItsTotal) {
    // Peaks [A+0]..[A+3] of Cl2 hold 0.7576^2 + 2 x 0.7576 x 0.2424 = 0.94124224: a complete pass,
    // not cancelled, whose window holds less than the stop value.
    setUpScan(ScanType::Product, {{1003, "Cl2"}, {1006, "3"}}, {{1011, "Cl"}});
    CalcWorkspace& ws = workspace();
    bool cancelled = true;
    EXPECT_EQ(productWorker(ws, {nullptr, [&](bool c) { cancelled = c; }}), 0);
    EXPECT_FALSE(cancelled);
    EXPECT_NEAR(ws.clusterFALoss, 0.94124224, 1e-15);
    EXPECT_NEAR(ws.reportedFA, 0.94124224 - 0.000001, 1e-15);
    for (int s = 10; s < 15; ++s) EXPECT_EQ(ws.peakFA[s], 0) << "slot " << s;
}

TEST(TandemWorkers, CancelledProductPassKeepsThePrecursorsLightestSpecies) {
    setUpScan(ScanType::Product, {{1003, "Cl2"}, {1006, "4"}}, {{1011, "Cl"}});
    CalcWorkspace& ws = workspace();
    ws.cancelRequest = true;
    bool cancelled = false;
    EXPECT_EQ(productWorker(ws, {nullptr, [&](bool c) { cancelled = c; }}), 1);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(ws.levelsDone, 0);
    EXPECT_NEAR(d(ws.peakFA[0]), kCl35 * kCl35, 1e-15);
    for (int s = 1; s < 15; ++s) EXPECT_EQ(ws.peakFA[s], 0) << "slot " << s;
    EXPECT_NEAR(ws.reportedFA, kCl35 * kCl35 - 0.000001, 1e-15);
    EXPECT_EQ(ws.reportedFA2, 0.9999);
}

}  // namespace
}  // namespace mv
