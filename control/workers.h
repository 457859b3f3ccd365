#pragma once

#include "base/scan_type.h"
#include "engine/workspace.h"

#include <atomic>
#include <functional>
#include <thread>

namespace mv {

// How a worker talks to its front end. Both are called on the worker thread.
struct CalcCallbacks {
    // Between the two passes of Precursor and Neutral Loss scans; the worker waits for it to return.
    // The front end re-titles its progress display and clears the cancel request there, so the
    // second part runs even when the first was cancelled. Without a callback the request is cleared.
    std::function<void()> partTwo;
    // The worker's last action; cancelled tells whether any pass was cancelled.
    std::function<void(bool cancelled)> complete;
};

// The workers of the scans: run the engine passes on the workspace's roles, store each pass's
// result and lower the reported totals of passes that ended below the stop value. Each returns 1
// when a pass was cancelled, else 0, after calling complete.
int regularWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);
int precursorWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);
int neutralLossWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);
int productWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);
int msnWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);

// The worker of ws.scanType.
int runWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks);

// The first step of every calculation command: the scan's kind and slot count, and cleared peaks.
void beginCommand(CalcWorkspace& ws, ScanType scan);
// After the parameters were accepted: component recording for this scan, no cancel request.
void prepareRun(CalcWorkspace& ws);

// Clears what a cancelled first part left behind, as the Part Two step does.
void resetCancelForPartTwo(CalcWorkspace& ws);

// Runs one calculation at a time on its own thread.
class CalcRunner {
public:
    CalcRunner() = default;
    CalcRunner(const CalcRunner&) = delete;
    CalcRunner& operator=(const CalcRunner&) = delete;
    ~CalcRunner();

    // Starts the worker of ws.scanType with the parameters already in ws. Refuses (false) while
    // an earlier calculation is still running, so the workspace is never reset under a worker.
    bool start(CalcWorkspace& ws, CalcCallbacks callbacks);
    // True from start until the worker reports its completion.
    bool running() const { return running_.load(std::memory_order_acquire); }
    // Waits for the worker thread to end.
    void join();

private:
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace mv
