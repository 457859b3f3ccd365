#pragma once

// The individual component ions of the listed peaks: per row (peak) the maxIonsPerPeak most
// abundant species visited, with their isotope-resolved formula, ion mass and FA.

#include "engine/workspace.h"

#include <cstdint>

namespace mv {

// Empties the component rows and clears the per-pass flags and width statistics.
void clearComponentRows(CalcWorkspace& ws);

// Offers the current species (ws.heavyCount, speciesShift, speciesFA over the positions of the
// pass) to its row. posAtoms gives the atoms per position of the ion whose species this is; the
// monoisotopic part is that of the same ion. Does nothing unless ws.listComponents is set.
void recordComponent(CalcWorkspace& ws, int32_t positionCount, int32_t monoElemCount, double monoMass,
                     const int32_t* monoElem, const int32_t* monoCount, const int32_t* posAtoms);

struct FormulaText {
    int32_t length = 0;       // characters written, or -1 when the text did not fit
    int32_t groups = 0;       // parenthesised groups
    int32_t symbolChars = 0;  // element-symbol characters
};

// Writes the isotope-resolved formula of a species, e.g. (12C)5(13C)(1H)12(16O)6, into out
// (outSize bytes, terminated). Groups come in ascending element index over the positions and the
// monoisotopic elements; heavy isotopes in stored order. When the text needs outSize characters or
// more, length is -1 and out holds a truncated prefix.
FormulaText buildComponentFormula(const CalcWorkspace& ws, int32_t positionCount, const int32_t* heavyCount,
                                  const int32_t* lightCount, int32_t monoElemCount, const int32_t* monoElem,
                                  const int32_t* monoCount, char* out, int32_t outSize);

// Sorts every row by ascending mass and sets the row totals and maxima and the omission flags.
// Idempotent.
void finishComponentLists(CalcWorkspace& ws);

}  // namespace mv
