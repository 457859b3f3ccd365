#pragma once

// Component ions of an MSn run: the product species of the last split level are collected per
// split enumeration in the SplitCompTable with their unnormalised split weights, then merged level
// by level (normalised by the parent's weight sum, scaled by the weight one level up) into the
// per-peak weight lists and finally into the component tables as FA. Components are collected by
// formula, since the same product can come from many parents.

#include "engine/workspace.h"
#include "isodata/formula.h"

#include <cstdint>

namespace mv {

void clearSplitCompTable(SplitCompTable& table);
// Empties the lists of the listed peaks.
void clearCompWeightList(CompWeightList& lists);

// Offers one product species to ws.splitComps: its nominal shift (peak index), split weight, heavy
// counts per slot of the precursor's positions, atoms per position of the product ion, and the
// product ion's role for its monoisotopic part. Keeps the 100 species of largest weight; a text of
// 128 characters or more sets compFormulaTooLong and is dropped.
void recordSplitComponent(CalcWorkspace& ws, int32_t positionCount, int32_t peak, const ScaledReal& weight,
                          const int32_t* species, const int32_t* productAtoms, const IonDefinition& product);

// Merges of the tables, each normalised by sum (the weight sum of the parent whose splits the
// source holds). A sum of 0 merges nothing.
// Two-step runs: table entries get FA = speciesFA × weight / sum, kept in their fa too.
void mergeSplitTableToFinal(CalcWorkspace& ws, Extended speciesFA, const ScaledReal& sum);
// Three- and four-step runs: table entries into a weight list with the weight factor × weight / sum.
void mergeSplitTableToWeights(CalcWorkspace& ws, CompWeightList& target, const ScaledReal& factor,
                              const ScaledReal& sum);
// Four-step runs: second-generation lists into the first-generation lists.
void mergeWeightListToWeights(CalcWorkspace& ws, const CompWeightList& source, CompWeightList& target,
                              const ScaledReal& factor, const ScaledReal& sum);
// Three- and four-step runs: first-generation lists into the component tables as FA.
void mergeWeightListToFinal(CalcWorkspace& ws, const CompWeightList& source, Extended speciesFA,
                            const ScaledReal& sum);

// Weight order of the component lists: by scale first, then by mantissa.
bool weightBelow(const ScaledReal& a, const ScaledReal& b);

}  // namespace mv
