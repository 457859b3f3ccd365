#include "control/parameter_entry.h"
#include "control/workers.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>

namespace mv {
namespace {

class AlwaysReady : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

// Sets up a scan of formula (and product, for tandem scans) as the command handler does.
void setUpScan(ScanType scan, const std::string& formula, const std::string& productFormula = "",
               double stop = 0.9999) {
    CalcWorkspace& ws = workspace();
    resetUserElements();
    CalcSession session;
    test::ScriptedPrompter prompter;
    prompter.fillForm = [&](Form& f) {
        for (auto& field : f.fields) {
            if (field.label.find("Formula") != std::string::npos)
                field.text = f.resourceId == 133 ? productFormula : formula;
            if (field.kind == FieldKind::Number) field.text = std::to_string(stop);
            if (field.kind == FieldKind::Check && field.label.find("List") != std::string::npos) field.checked = false;
        }
        return true;
    };
    beginCommand(ws, scan);
    AlwaysReady target;
    ASSERT_TRUE(enterIonParameters(session, ws, target, prompter)) << ::testing::PrintToString(prompter.messages);
    if (scan != ScanType::Regular) {
        ASSERT_TRUE(enterTandemParameters(session, ws, prompter));
    }
    prepareRun(ws);
}

TEST(Workers, CancelBeforeTheFirstLevelKeepsOnlyTheLightestSpecies) {
    setUpScan(ScanType::Regular, "C6H12O6");
    CalcWorkspace& ws = workspace();
    ws.cancelRequest = true;
    bool reported = false, cancelled = false;
    EXPECT_EQ(regularWorker(ws, {nullptr, [&](bool c) { reported = true, cancelled = c; }}), 1);
    EXPECT_TRUE(reported);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(ws.levelsDone, 0);
    // 0.9893^6 x 0.999885^12 x 0.99757^6, the all-light species only.
    const double a0 = std::pow(0.9893, 6) * std::pow(0.999885, 12) * std::pow(0.99757, 6);
    EXPECT_NEAR(static_cast<double>(ws.peakFA[0]), a0, 1e-15);
    EXPECT_EQ(ws.peakFA[1], 0);
    EXPECT_NEAR(ws.reportedFA, a0 - 0.000001, 1e-15);
    EXPECT_LT(ws.reportedFA, ws.stopFA);
}

TEST(Workers, CompletePassReportsTheStopValue) {
    setUpScan(ScanType::Regular, "C6H12O6");
    CalcWorkspace& ws = workspace();
    EXPECT_EQ(regularWorker(ws, {}), 0);
    EXPECT_DOUBLE_EQ(ws.reportedFA, 0.9999);
    EXPECT_GT(ws.clusterFAIon, 0.9999);
}

TEST(Workers, PartTwoRunsAfterACancelledFirstPart) {
    setUpScan(ScanType::Precursor, "C6H12O6", "C6H10O5");
    CalcWorkspace& ws = workspace();
    ws.cancelRequest = true;
    int partTwoCalls = 0;
    bool cancelled = false;
    CalcCallbacks cb;
    cb.partTwo = [&] {
        ++partTwoCalls;
        resetCancelForPartTwo(ws);
    };
    cb.complete = [&](bool c) { cancelled = c; };
    EXPECT_EQ(precursorWorker(ws, cb), 1);
    EXPECT_EQ(partTwoCalls, 1);
    EXPECT_TRUE(cancelled);
    EXPECT_LT(ws.reportedFA, 0.9999);         // the neutral loss (H2O) stopped at its lightest species
    EXPECT_DOUBLE_EQ(ws.reportedFA2, 0.9999);  // the product ran to its end
    EXPECT_GT(ws.clusterFAProduct, 0.9999);
    EXPECT_GT(ws.peakFA[321], 0);  // the product's [A+1] lies in the second half
}

TEST(CalcRunner, RefusesASecondCalculationWhileOneRuns) {
    setUpScan(ScanType::NeutralLoss, "C6H12O6", "C6H10O5");
    CalcWorkspace& ws = workspace();
    std::mutex m;
    std::condition_variable cv;
    bool inPartTwo = false, release = false;
    std::promise<bool> done;
    CalcCallbacks cb;
    cb.partTwo = [&] {
        std::unique_lock lock(m);
        inPartTwo = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
        resetCancelForPartTwo(ws);
    };
    cb.complete = [&](bool c) { done.set_value(c); };
    CalcRunner runner;
    ASSERT_TRUE(runner.start(ws, cb));
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return inPartTwo; });
    }
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(runner.start(ws, {}));  // the worker is held in part two
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_FALSE(done.get_future().get());
    runner.join();
    EXPECT_FALSE(runner.running());
    // A finished runner takes the next calculation.
    prepareRun(ws);
    std::promise<bool> again;
    ASSERT_TRUE(runner.start(ws, {nullptr, [&](bool c) { again.set_value(c); }}));
    EXPECT_FALSE(again.get_future().get());
    runner.join();
}

TEST(CalcRunner, ProgressReadsOnlyPublishedWholeTotals) {
    // A pass large enough to be read while it runs: every value seen is a total the pass reached.
    setUpScan(ScanType::Regular, "C254H377N65O75S6", "", 0.99999);
    CalcWorkspace& ws = workspace();
    ws.publishedTotalFA = 0;
    std::atomic<bool> finished{false};
    CalcRunner runner;
    ASSERT_TRUE(runner.start(ws, {nullptr, [&](bool) { finished = true; }}));
    double last = 0;
    int reads = 0;
    while (!finished) {
        const double v = ws.publishedTotalFA.load(std::memory_order_relaxed);
        EXPECT_GE(v, last);
        EXPECT_LE(v, 1.0 + 1e-12);
        last = v;
        ++reads;
    }
    runner.join();
    EXPECT_GT(reads, 0);
    EXPECT_GT(ws.publishedTotalFA.load(), 0.99999);
}

}  // namespace
}  // namespace mv
