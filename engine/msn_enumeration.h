#pragma once

// The two exhaustive enumerations of the MSn engine over heavy-slot vectors: the precursor species
// with a given number of heavy atoms, and the splits of a parent species into a part of fixed
// elemental composition (the neutral loss) and the rest. Both step with the cluster engine's
// successors; these are their first vectors.

#include "engine/cluster_engine.h"

#include <cstdint>

namespace mv {

// The greedy first species with h heavy atoms: h atoms into the first slot of each position in
// turn, at most caps(e) per position, every other slot 0. False (v all 0) when h exceeds the total
// of caps, so that there is no species to visit.
bool firstSpeciesVector(const SlotLayout& lay, const int32_t* caps, int32_t h, int32_t* v);

// The greedy first split of parent: each slot of position e in turn takes min(parent(s), atoms of
// partAtoms(e) not yet given). Written to v and to levelStart; it is always admissible.
void firstSplitVector(const SlotLayout& lay, const int32_t* parent, const int32_t* partAtoms, int32_t* v,
                      int32_t* levelStart);

// Nominal shift of v: Σ v(s) × heavyDelta(s).
int32_t vectorShift(const SlotLayout& lay, const int32_t* v, const int32_t* heavyDelta);

}  // namespace mv
