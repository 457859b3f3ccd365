#pragma once

// The MSn engine: the isotope clusters of the product ions of two to four MS steps. Every precursor
// species in the selected peak [P+i] is split into product ion and neutral loss with hypergeometric
// weights (dissociation keeps which atoms are heavy; every choice of the loss's atoms is equally
// likely); the first-generation products in [1G+j] are split again, and those in [2G+k] once more.

#include "engine/workspace.h"
#include "isodata/formula.h"

#include <cstdint>

namespace mv {

// One MSn run on ws: msSteps, precursorPeakIndex, product1PeakIndex, product2PeakIndex, the roles
// product, loss2, product2, loss3, product3, listComponents and the listed range are read from ws;
// elementCount, precursor and loss1 are handed to prepareElements. Results go to peakFA (which must
// be all 0), totalFA, levelsDone and, with listing on, the component tables. The cancel request is
// polled once per processed precursor species; cancelFlag tells whether it stopped the run. Inputs
// outside what the parameter checks allow store nothing.
void runMsnEngine(CalcWorkspace& ws, int32_t elementCount, Composition precursor, Composition loss1);

}  // namespace mv
