#include "engine/workspace.h"

namespace mv {

CalcWorkspace& workspace() {
    // Static storage: about 0.3 MB, made once, never on a thread's stack.
    static CalcWorkspace instance;
    return instance;
}

int32_t listedRowCount(const CalcWorkspace& ws) {
    if (ws.firstListedPeak < 0 || ws.lastListedPeak < ws.firstListedPeak) return 0;
    if (ws.maxIonsPerPeak < 1) return 0;
    const int64_t rows = int64_t{ws.lastListedPeak} - ws.firstListedPeak + 1;
    if (rows > kMaxListedRows || rows * ws.maxIonsPerPeak > kMaxComponentEntries) return 0;
    return static_cast<int32_t>(rows);
}

}  // namespace mv
