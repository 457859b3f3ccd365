// Repeated start and cancel of every scan, as a person pressing Cancel again and again would do:
// each worker thread is joined, nothing leaks (the sanitizer builds check that), and each data set
// holds together.

#include "control/parameter_entry.h"
#include "control/parameter_forms.h"
#include "control/workers.h"
#include "document/data_set_file.h"
#include "document/store_data_set.h"
#include "isodata/element_table.h"
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <regex>
#include <thread>

namespace mv {
namespace {

constexpr int kCycles = 100;
constexpr double kStop = 0.99999;

class AlwaysReady : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

struct ScanCase {
    ScanType scan;
    const char* ion;
    const char* product;
};

// Insulin's chain B and a fragment: large enough that a pass runs for a while, small enough that
// a level ends soon after Cancel.
const ScanCase kScans[] = {
    {ScanType::Regular, "C254H377N65O75S6", ""},
    {ScanType::Precursor, "C254H377N65O75S6", "C127H188N32O37S3"},
    {ScanType::NeutralLoss, "C254H377N65O75S6", "C127H188N32O37S3"},
    {ScanType::Product, "C254H377N65O75S6", "C127H188N32O37S3"},
    {ScanType::MSn, "C254H377N65O75S6", "C127H188N32O37S3"},  // two steps, precursor peak [P+8]
};

int threadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

// A joined thread has finished, but the kernel may count it for a moment longer while it is reaped.
bool threadsBackTo(int count) {
    for (int i = 0; i < 1000; ++i) {
        if (threadCount() == count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The command's parameter entry, answered by field: formula, charge 1, stop value, product.
void enterParameters(const ScanCase& c, CalcWorkspace& ws, CalcSession& session) {
    resetUserElements();
    test::ScriptedPrompter prompter;
    prompter.fillForm = [&](Form& f) {
        auto set = [&](int id, const std::string& text) {
            if (Field* field = f.find(id)) field->text = text;
        };
        switch (f.resourceId) {
        case kParDlg: set(1000, c.ion), set(1002, "0.99999"); break;
        case kParPrecurDlg: set(1077, c.ion), set(1078, "0.99999"); break;
        case kParMSMSDlg: set(1003, c.ion), set(1005, "0.99999"), set(1006, "34"); break;
        case kParMSnDlg: set(1007, c.ion), set(1009, "8"), set(1010, "2"); break;
        case kDaughtDlg: set(1011, c.product); break;
        default: ADD_FAILURE() << "unexpected form " << f.resourceId;
        }
        return true;
    };
    beginCommand(ws, c.scan);
    AlwaysReady target;
    ASSERT_TRUE(enterIonParameters(session, ws, target, prompter)) << ::testing::PrintToString(prompter.messages);
    if (c.scan != ScanType::Regular) {
        ASSERT_TRUE(enterTandemParameters(session, ws, prompter)) << ::testing::PrintToString(prompter.messages);
    }
    prepareRun(ws);
}

double sumOf(const CalcWorkspace& ws, int first, int count) {
    double sum = 0;
    for (int i = first; i < first + count; ++i) sum += static_cast<double>(ws.peakFA[i]);
    return sum;
}

// The peaks of a pass add up to what the pass says it stored.
void expectPassSum(const CalcWorkspace& ws, int first, int count, double stored, const char* pass) {
    EXPECT_NEAR(sumOf(ws, first, count), stored, 1e-12 + 1e-9 * stored) << pass;
}

void expectConsistent(const ScanCase& c, const CalcWorkspace& ws, bool cancelled, int cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    for (int i = 0; i < kPeakSlotCount; ++i) {
        const double fa = static_cast<double>(ws.peakFA[i]);
        ASSERT_TRUE(std::isfinite(fa) && fa >= 0) << "slot " << i << ": " << fa;
    }
    EXPECT_LE(ws.reportedFA, ws.stopFA);
    EXPECT_LE(ws.reportedFA2, ws.stopFA);
    switch (c.scan) {
    case ScanType::Regular:
        expectPassSum(ws, 0, kPeakSlotCount, ws.clusterFAIon, "ion");
        if (cancelled) {
            EXPECT_LT(ws.clusterFAIon, kStop);
        }
        break;
    case ScanType::Precursor:
        expectPassSum(ws, 0, kHalfPeakSlotCount, ws.clusterFALoss, "neutral fragment");
        expectPassSum(ws, kHalfPeakSlotCount, kHalfPeakSlotCount, ws.clusterFAProduct, "product ion");
        break;
    case ScanType::NeutralLoss:
        expectPassSum(ws, 0, kHalfPeakSlotCount, ws.clusterFAProduct, "product ion");
        expectPassSum(ws, kHalfPeakSlotCount, kHalfPeakSlotCount, ws.clusterFALoss, "neutral fragment");
        break;
    case ScanType::Product:
        // Every precursor species within the chosen peaks is split over its product ions in full.
        expectPassSum(ws, 0, kPeakSlotCount, ws.clusterFALoss, "product spectra");
        break;
    case ScanType::MSn:
        // Its tables are fractions of all precursor ions: together never more than the whole.
        EXPECT_LE(sumOf(ws, 0, kPeakSlotCount), 1.0 + 1e-9);
        break;
    }
}

// What the data-set file states: each total at most what the passes stored, rounding aside, and
// below the stop value once a pass was cancelled before reaching it.
void expectFileTotals(const CalcWorkspace& ws, CalcSession& session) {
    DataSet data;
    storeDataSet(data, ws, session);
    const std::string file = renderDataSetFile(data);
    static const std::regex line("(Total fractional abundance: |The total fractional abundance for this calculation is |"
                                 "Total fractional abundance in this spectrum: )([0-9.E+-]+)\r\n");
    int found = 0;
    const double most = ws.scanType == static_cast<int>(ScanType::MSn)
                            ? 1.0
                            : std::max({ws.clusterFAIon, ws.clusterFALoss, ws.clusterFAProduct});
    for (auto it = std::sregex_iterator(file.begin(), file.end(), line); it != std::sregex_iterator(); ++it, ++found) {
        const double total = std::stod((*it)[2].str());
        EXPECT_GE(total, 0.0);
        EXPECT_LE(total, most + 0.000005);
    }
    EXPECT_GE(found, 1);
}

class StartCancel : public ::testing::TestWithParam<ScanCase> {};

TEST_P(StartCancel, EveryCycleJoinsItsWorkerAndLeavesAConsistentDataSet) {
    const ScanCase& c = GetParam();
    CalcWorkspace& ws = workspace();
    CalcSession session;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    // A sanitizer may start a helper thread of its own with the first thread the program makes.
    std::thread([] {}).join();
    const int threadsBefore = threadCount();
    CalcRunner runner;  // one runner for all cycles, as one view holds one
    int cancelledCycles = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        enterParameters(c, ws, session);
        if (::testing::Test::HasFatalFailure()) return;
        std::atomic<bool> completed{false};
        std::atomic<int> partTwoCalls{0};
        bool cancelled = false;
        CalcCallbacks callbacks;
        callbacks.partTwo = [&] {
            resetCancelForPartTwo(ws);
            ++partTwoCalls;
        };
        callbacks.complete = [&](bool wasCancelled) {
            cancelled = wasCancelled;
            completed = true;
        };
        ASSERT_TRUE(runner.start(ws, callbacks)) << "cycle " << cycle;
        // Cancel at once in some cycles, later in others, and keep pressing it so that the second
        // part of a two-part scan is cancelled too.
        if (cycle % 4 != 0) std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        while (runner.running()) {
            ws.cancelRequest.store(true, std::memory_order_relaxed);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        runner.join();
        ASSERT_TRUE(completed.load()) << "cycle " << cycle;
        EXPECT_TRUE(threadsBackTo(threadsBefore)) << "cycle " << cycle << ": " << threadCount() << " threads";
        const bool twoParts = c.scan == ScanType::Precursor || c.scan == ScanType::NeutralLoss;
        EXPECT_EQ(partTwoCalls.load(), twoParts ? 1 : 0);
        cancelledCycles += cancelled ? 1 : 0;
        expectConsistent(c, ws, cancelled, cycle);
        expectFileTotals(ws, session);
        if (::testing::Test::HasFatalFailure()) return;
    }
    // The calculations are long enough that Cancel, not the end of the pass, ended most of them.
    EXPECT_GT(cancelledCycles, kCycles / 2);
}

INSTANTIATE_TEST_SUITE_P(Scans, StartCancel, ::testing::ValuesIn(kScans),
                         [](const ::testing::TestParamInfo<ScanCase>& scanInfo) {
                             switch (scanInfo.param.scan) {
                             case ScanType::Regular: return std::string("Regular");
                             case ScanType::Precursor: return std::string("Precursor");
                             case ScanType::NeutralLoss: return std::string("NeutralLoss");
                             case ScanType::Product: return std::string("Product");
                             case ScanType::MSn: return std::string("MSn");
                             }
                             return std::string("Unknown");
                         });

}  // namespace
}  // namespace mv
