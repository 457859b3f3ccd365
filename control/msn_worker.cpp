#include "control/workers.h"

#include "engine/msn_engine.h"

namespace mv {

// The engine polls the cancel request once per processed precursor species; a cancelled run keeps
// what it reached and is reported as cancelled.
int msnWorker(CalcWorkspace& ws, const CalcCallbacks& callbacks) {
    runMsnEngine(ws, ws.ion.polyElemCount, ws.ion.comp, ws.loss.comp);
    const bool cancelled = ws.cancelFlag;
    if (callbacks.complete) callbacks.complete(cancelled);
    return cancelled ? 1 : 0;
}

}  // namespace mv
