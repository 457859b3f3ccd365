#pragma once

// Extended-range arithmetic of the MSn engine: split weights are products of binomial coefficients
// that leave the extended range for ions of thousands of atoms, so they are carried as an extended
// mantissa with a scale counting factors 2^8192. Only ratios of weights (at most 1) come back to
// plain extended precision.

#include "engine/fpu.h"

#include <cstdint>

namespace mv {

// A non-negative number mantissa × 2^(8192 × scale). Normalised: the mantissa's biased exponent lies
// in 16370 .. 24574 (2^-13 ≤ mantissa < 2^8192), or the mantissa is 0.
struct ScaledReal {
    Extended mantissa = 0;
    int32_t scale = 0;
};

constexpr int32_t kScaleExponentStep = 8192;
constexpr int32_t kNormalisedExponentLow = 16370;   // 0x3FF2: 2^-13
constexpr int32_t kNormalisedExponentHigh = 24574;  // 0x5FFE: just below 2^8192

// The 15-bit biased exponent field of an extended value (0 for zero and denormals).
int32_t biasedExponent(Extended x);

// One normalisation step: a mantissa above the range moves down by 2^8192 (scale + 1), then one below
// it moves up (scale − 1). Each test is made once. Zero stays zero.
void normalise(ScaledReal& x);

// x + y. The operand of smaller scale is aligned by lowering its exponent field 8192 at a time; once
// the field would reach 0 it counts as 0. The result has the larger scale and is not normalised.
// A zero operand leaves the other unchanged whatever its scale.
ScaledReal scaledAdd(const ScaledReal& x, const ScaledReal& y);

// x / y as a plain extended value, aligned as in scaledAdd. A divisor that is (or aligns to) 0 gives
// 0 rather than a division by zero.
Extended scaledRatio(const ScaledReal& x, const ScaledReal& y);

// FA of a species: heavy counts per slot, atoms per position, heavy slots per position, abundances
// per isotope entry (lightest first per position). The multinomial probability with the factorial
// factors multiplied and divided in one by one, in extended precision.
Extended speciesProbability(int32_t positionCount, const int32_t* heavyCount, const int32_t* posAtoms,
                            const int32_t* posHeavyCount, const double* isoAbund);

// Weight of splitting the parent species p into the part ℓ (per heavy slot) when the parent has
// parentAtoms(e) and the part partAtoms(e) atoms of position e's element: the product over
// positions of C(Lp, Ll) × Π C(p(s), ℓ(s)), positions whose part has no atoms or whose parent has no
// heavy atom left out. Normalised. shift receives the part's nominal shift.
ScaledReal splitWeight(int32_t positionCount, const int32_t* parent, const int32_t* part, const int32_t* parentAtoms,
                       const int32_t* partAtoms, const int32_t* posHeavyCount, const int32_t* heavyDelta,
                       int32_t& shift);

}  // namespace mv
