#include "control/workers.h"

#include "engine/cluster_engine.h"

namespace mv {

namespace {

// A pass that ended below the stop value reports what it reached, just under it.
void lower(double result, const CalcWorkspace& ws, double& reported) {
    if (result < ws.stopFA) reported = result - 0.000001;
}

int finish(const CalcCallbacks& callbacks, bool cancelled) {
    if (callbacks.complete) callbacks.complete(cancelled);
    return cancelled ? 1 : 0;
}

void partTwo(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    if (callbacks.partTwo)
        callbacks.partTwo();
    else
        resetCancelForPartTwo(ws);
}

}  // namespace

void beginCommand(CalcWorkspace& ws, ScanType scan) {
    ws.scanType = static_cast<int32_t>(scan);
    if (scan == ScanType::Precursor || scan == ScanType::NeutralLoss)
        ws.peakSlotCount = kHalfPeakSlotCount;
    else if (scan != ScanType::Product)  // a Product scan keeps the previous count
        ws.peakSlotCount = kPeakSlotCount;
    if (scan == ScanType::Product || scan == ScanType::MSn) ws.relIntWarning = 0;
    if (scan == ScanType::MSn) ws.beyondSlotsCount = 0;
    for (auto& slot : ws.peakFA) slot = 0;
}

void prepareRun(CalcWorkspace& ws) {
    const auto scan = static_cast<ScanType>(ws.scanType);
    ws.listComponents = ws.listComponentsOption &&
                        (scan == ScanType::Regular || scan == ScanType::NeutralLoss || scan == ScanType::MSn);
    ws.cancelFlag = false;
    ws.cancelRequest.store(false, std::memory_order_relaxed);
    ws.progressPhase = 0;
}

void resetCancelForPartTwo(CalcWorkspace& ws) {
    ws.cancelRequest.store(false, std::memory_order_relaxed);
    ws.cancelFlag = false;
    ws.progressPhase = 2;
}

int regularWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    ws.clusterFAIon = runClusterPass(ws, ws.ion, nullptr, 0);
    lower(ws.clusterFAIon, ws, ws.reportedFA);
    return finish(callbacks, ws.cancelFlag);
}

int precursorWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    ws.clusterFALoss = runClusterPass(ws, ws.loss, nullptr, 0);
    lower(ws.clusterFALoss, ws, ws.reportedFA);
    const int32_t beyond = ws.beyondSlotsCount;
    const bool cancelled = ws.cancelFlag;
    partTwo(ws, callbacks);
    ws.clusterFAProduct = runClusterPass(ws, ws.product, nullptr, kHalfPeakSlotCount);
    ws.beyondSlotsCount += beyond;
    lower(ws.clusterFAProduct, ws, ws.reportedFA2);
    return finish(callbacks, cancelled || ws.cancelFlag);
}

int neutralLossWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    ws.clusterFAProduct = runClusterPass(ws, ws.product, nullptr, 0);
    lower(ws.clusterFAProduct, ws, ws.reportedFA2);
    const int32_t beyond = ws.beyondSlotsCount;
    const bool cancelled = ws.cancelFlag;
    partTwo(ws, callbacks);
    ws.listComponents = false;
    ws.clusterFALoss = runClusterPass(ws, ws.loss, nullptr, kHalfPeakSlotCount);
    ws.beyondSlotsCount += beyond;
    lower(ws.clusterFALoss, ws, ws.reportedFA);
    return finish(callbacks, cancelled || ws.cancelFlag);
}

int productWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    ws.clusterFALoss = runClusterPass(ws, ws.ion, &ws.loss.comp, 0);
    lower(ws.clusterFALoss, ws, ws.reportedFA);
    return finish(callbacks, ws.cancelFlag);
}

int runWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    switch (static_cast<ScanType>(ws.scanType)) {
    case ScanType::Regular: return regularWorker(ws, callbacks);
    case ScanType::Precursor: return precursorWorker(ws, callbacks);
    case ScanType::NeutralLoss: return neutralLossWorker(ws, callbacks);
    case ScanType::Product: return productWorker(ws, callbacks);
    case ScanType::MSn: return msnWorker(ws, callbacks);
    }
    return finish(callbacks, false);
}

CalcRunner::~CalcRunner() { join(); }

bool CalcRunner::start(CalcWorkspace& ws, CalcCallbacks callbacks) {
    if (running()) return false;
    join();  // a finished worker may still be returning from its completion
    running_.store(true, std::memory_order_release);
    // The calculation counts as finished just before its completion is reported, so a front end
    // that reacts to the completion may start the next one; start() then waits for this thread.
    auto complete = std::move(callbacks.complete);
    callbacks.complete = [this, complete = std::move(complete)](bool cancelled) {
        running_.store(false, std::memory_order_release);
        if (complete) complete(cancelled);
    };
    thread_ = std::thread([&ws, cb = std::move(callbacks)] { runWorker(ws, cb); });
    return true;
}

void CalcRunner::join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace mv
