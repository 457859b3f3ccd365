#pragma once

// The single-stage cluster engine: visits the isotopic species of one ion level by level (one more
// heavy-isotope atom per level) and adds each species' exact probability to the peak slot of its
// nominal shift. Regular, Precursor and NeutralLoss passes store the cluster itself; a Product pass
// splits every precursor species within [A+0]..[A+maxPrecursorPeak] into product ion and neutral
// loss with hypergeometric weights.

#include "engine/fpu.h"
#include "engine/workspace.h"
#include "isodata/formula.h"

#include <cstdint>

namespace mv {

// One pass over the species of role. second is the neutral loss's composition for a Product pass
// (nullptr otherwise); slotOffset is 0, or 320 for the second pass of a two-pass scan. Reads
// scanType, peakSlotCount, stopFA, maxPrecursorPeak, listComponents and the cancel byte of ws;
// returns storedFA rounded to double. role is left unchanged. Runs on any one thread at a time; the
// user-interface thread may meanwhile read ws.publishedTotalFA and set ws.cancelRequest.
double runClusterPass(CalcWorkspace& ws, const IonDefinition& role, const Composition* second, int32_t slotOffset);

// Orders the polyisotopic elements of comp by descending expected number of heavy atoms and fills
// the per-position, per-slot and per-isotope arrays of ws. Each element placed is removed from comp.
// Elements without heavy isotopes are skipped. Returns the number of positions filled (at most
// positionCount).
int32_t prepareElements(CalcWorkspace& ws, int32_t positionCount, Composition& comp, const Composition* second);

// Probability of ws.heavyCount when only each position's first slot may be non-zero; sets
// speciesShift.
Extended initialProbability(CalcWorkspace& ws, int32_t positionCount);

// Probability of the current species (heavyCount, lightCount) from that of the previous one
// (speciesFA, prevHeavyCount, prevLightCount); updates speciesShift and the previous-species arrays.
Extended updateProbability(CalcWorkspace& ws, int32_t positionCount);

// A split weight carried with a binary scale: value = mantissa × 2^(8192 × scale). Binomials of
// precursors with more than about 16400 atoms of one element exceed the extended range.
struct SplitWeight {
    Extended mantissa = 1.0L;
    int32_t scale = 0;
};

// Weight of splitting the current precursor species (heavyCount) into the neutral loss
// lossHeavyCount and the product ion: the number of ways to pick the loss's atoms. Sets lossShift.
SplitWeight lossSplitWeight(CalcWorkspace& ws, int32_t positionCount);

}  // namespace mv
