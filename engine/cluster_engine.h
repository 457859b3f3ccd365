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

// The heavy slots of each position after prepareElements.
struct SlotLayout {
    int32_t n = 0;                              // positions
    int32_t k = 0;                              // heavy slots
    int32_t firstSlot[kMaxPositions + 1] = {};  // slots of position i: firstSlot[i] .. firstSlot[i+1]-1
    int32_t slotPosition[kMaxHeavySlots] = {};
};

SlotLayout makeSlotLayout(const CalcWorkspace& ws, int32_t positionCount);

// The species successor on v: the next vector with the same total in descending lexicographic
// order (slot 0 most significant) whose positions hold at most caps[i] heavy atoms, skipping in one
// step every vector that shares an over-full prefix before the last position's slots. carry is the
// successor's carry (0 at a level start). False when the level is exhausted; otherwise changedFrom
// receives the lowest slot that changed.
bool nextSpeciesVector(const SlotLayout& lay, const int32_t* caps, int32_t* v, int32_t& carry, int32_t& changedFrom);

// The split successor on v (the part's heavy atoms per slot) with its level start: the next split of
// the same total in descending lexicographic order, or, once the level is exhausted, the first of
// the next lower total, down to the all-zero split. Only admissible splits are returned: v(s) ≤
// parent(s), at most partAtoms(i) heavy atoms per position, and the part's lightest atoms no more
// than the parent's (partAtoms(i) − v_i ≤ parentAtoms(i) − parent_i). False when every level is done.
bool nextSplitVector(const SlotLayout& lay, const int32_t* parent, const int32_t* parentAtoms,
                     const int32_t* partAtoms, int32_t* v, int32_t* levelStart);

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
