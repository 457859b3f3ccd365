#pragma once

#include "control/session.h"
#include "document/data_set.h"
#include "engine/workspace.h"

namespace mv {

// The completion hand-off: copies a finished calculation's results into the data set, points its
// component references at the workspace's tables, and names it MVSet<n> with the session's next
// data-set number.
void storeDataSet(DataSet& data, const CalcWorkspace& ws, CalcSession& session);

}  // namespace mv
