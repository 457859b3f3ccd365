#include "control/workers.h"

namespace mv {

// The MSn engine is not built yet; its scan completes at once with empty results.
int msnWorker(CalcWorkspace&, const CalcCallbacks& callbacks) {
    if (callbacks.complete) callbacks.complete(false);
    return 0;
}

}  // namespace mv
