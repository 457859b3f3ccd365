#include "engine/scaled_real.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mv {
namespace {

// Relative agreement within a few units of the last bit of the 64-bit mantissa.
void expectNearExtended(Extended actual, Extended expected, Extended ulps = 4) {
    EXPECT_LE(std::fabs(actual - expected), ulps * 0x1p-63L * std::fabs(expected))
        << static_cast<double>(actual) << " vs " << static_cast<double>(expected);
}

TEST(ExtendedPower, SmallPowersAreExact) {
    ExtendedPrecisionScope precision;
    expectNearExtended(extendedPower(0.5, 3), 0.125L);
    for (double a : {0.9893, 0.0107, 0.999885, 0.75771, 1.0})
        expectNearExtended(extendedPower(a, 1), static_cast<Extended>(a));
    // 0.9893^10 by repeated exact-rounded multiplication.
    Extended p = 1;
    for (int q = 0; q < 10; ++q) p *= static_cast<Extended>(0.9893);
    expectNearExtended(extendedPower(0.9893, 10), p, 16);
}

TEST(ScaledReal, NormalisationMovesTheExponentFieldByOneUnit) {
    ScaledReal big{0x1p9000L, 0};
    normalise(big);
    EXPECT_EQ(big.scale, 1);
    EXPECT_EQ(big.mantissa, 0x1p808L);

    ScaledReal small{0x1p-20L, 5};
    normalise(small);
    EXPECT_EQ(small.scale, 4);
    EXPECT_EQ(small.mantissa, 0x1p8172L);

    ScaledReal inRange{3.0L, 2};
    normalise(inRange);
    EXPECT_EQ(inRange.scale, 2);
    EXPECT_EQ(inRange.mantissa, 3.0L);

    ScaledReal zero{0.0L, 7};
    normalise(zero);
    EXPECT_EQ(zero.mantissa, 0.0L);
    EXPECT_EQ(zero.scale, 7);
}

TEST(ScaledReal, HugeBinomialGetsScaleTwelve) {
    ExtendedPrecisionScope precision;
    // One position with one heavy slot: a parent of 100001 atoms holding one heavy atom, a part of
    // 50000 atoms taking no heavy one, so the only factor is C(100000, 50000) ≈ 2^99991.37.
    const int32_t heavySlots[1] = {1};
    const int32_t delta[1] = {1};
    const int32_t parent[1] = {1};
    const int32_t part[1] = {0};
    const int32_t parentAtoms[1] = {100001};
    const int32_t partAtoms[1] = {50000};
    int32_t shift = -1;
    const ScaledReal w = splitWeight(1, parent, part, parentAtoms, partAtoms, heavySlots, delta, shift);
    EXPECT_EQ(shift, 0);
    EXPECT_EQ(w.scale, 12);
    EXPECT_GE(biasedExponent(w.mantissa), kNormalisedExponentLow);
    EXPECT_LE(biasedExponent(w.mantissa), kNormalisedExponentHigh);
    // log2 C(100000, 50000) − 12 × 8192, from the exact integer (Python's math.comb).
    EXPECT_NEAR(static_cast<double>(std::log2(w.mantissa)), 1687.3694280913041, 1e-9);

    const ScaledReal sum = scaledAdd(w, w);
    EXPECT_EQ(sum.scale, 12);
    EXPECT_EQ(scaledRatio(w, sum), 0.5L);
    EXPECT_LE(scaledRatio(w, scaledAdd(w, ScaledReal{1.0L, 12})), 1.0L);
}

TEST(ScaledReal, SplitWeightIsAProductOfBinomials) {
    ExtendedPrecisionScope precision;
    // Two positions: O-like with two heavy slots (deltas 2, 1), C-like with one (delta 1).
    const int32_t heavySlots[2] = {2, 1};
    const int32_t delta[3] = {2, 1, 1};
    const int32_t parent[3] = {2, 1, 3};
    const int32_t part[3] = {1, 1, 1};
    const int32_t parentAtoms[2] = {6, 10};
    const int32_t partAtoms[2] = {3, 4};
    int32_t shift = 0;
    const ScaledReal w = splitWeight(2, parent, part, parentAtoms, partAtoms, heavySlots, delta, shift);
    // C(3,1) C(2,1) C(1,1) for the first position, C(7,3) C(3,1) for the second.
    EXPECT_EQ(w.scale, 0);
    EXPECT_EQ(w.mantissa, 3.0L * 2 * 1 * 35 * 3);
    EXPECT_EQ(shift, 2 + 1 + 1);

    // A part without atoms of a position, or a parent without heavy atoms there, gives factor 1.
    const int32_t noHeavy[3] = {0, 0, 3};
    const int32_t partNoHeavy[3] = {0, 0, 1};
    const ScaledReal w2 = splitWeight(2, noHeavy, partNoHeavy, parentAtoms, partAtoms, heavySlots, delta, shift);
    EXPECT_EQ(w2.mantissa, 35.0L * 3);
    EXPECT_EQ(shift, 1);
}

TEST(ScaledAdd, AlignmentThroughTheExponentField) {
    // A cleared entry and a weight of scale 3: the weight unchanged.
    const ScaledReal weight{0x1p100L * 1.5L, 3};
    ScaledReal r = scaledAdd(ScaledReal{}, weight);
    EXPECT_EQ(r.mantissa, weight.mantissa);
    EXPECT_EQ(r.scale, 3);
    r = scaledAdd(weight, ScaledReal{});
    EXPECT_EQ(r.mantissa, weight.mantissa);
    EXPECT_EQ(r.scale, 3);

    // Scales two apart: a mantissa below 4 aligns to 0, one of 4 keeps the smallest normal value.
    const ScaledReal large{5.0L, 2};
    r = scaledAdd(ScaledReal{3.999L, 0}, large);
    EXPECT_EQ(r.mantissa, 5.0L);
    EXPECT_EQ(r.scale, 2);
    // 4 × 2^-16384 = 2^-16382, visible next to a mantissa of its own size.
    r = scaledAdd(ScaledReal{0x1p-16380L, 2}, ScaledReal{4.0L, 0});
    EXPECT_EQ(r.scale, 2);
    EXPECT_EQ(r.mantissa, 0x1p-16380L + 0x1p-16382L);
    r = scaledAdd(ScaledReal{0x1p-16380L, 2}, ScaledReal{3.5L, 0});
    EXPECT_EQ(r.mantissa, 0x1p-16380L);

    // Equal scales add plainly; one unit apart divides by 2^8192 exactly.
    r = scaledAdd(ScaledReal{2.0L, 1}, ScaledReal{3.0L, 1});
    EXPECT_EQ(r.mantissa, 5.0L);
    r = scaledAdd(ScaledReal{0x1p8000L, 0}, ScaledReal{1.0L, 1});
    EXPECT_EQ(r.scale, 1);
    EXPECT_EQ(r.mantissa, 1.0L + 0x1p-192L);
}

TEST(ScaledAdd, AZeroOfLargerScaleDoesNotWipeOutAValue) {
    const ScaledReal r = scaledAdd(ScaledReal{0.0L, 12}, ScaledReal{7.0L, 5});
    EXPECT_EQ(r.mantissa, 7.0L);
    EXPECT_EQ(r.scale, 5);
}

TEST(ScaledRatio, AlignsTheSmallerScale) {
    EXPECT_EQ(scaledRatio(ScaledReal{3.0L, 4}, ScaledReal{6.0L, 4}), 0.5L);
    EXPECT_EQ(scaledRatio(ScaledReal{0x1p8000L, 0}, ScaledReal{1.0L, 1}), 0x1p-192L);
    EXPECT_EQ(scaledRatio(ScaledReal{1.0L, 0}, ScaledReal{1.0L, 3}), 0.0L);
    EXPECT_EQ(scaledRatio(ScaledReal{1.0L, 0}, ScaledReal{}), 0.0L);  // no division by zero
}

TEST(SpeciesProbability, MultinomialOverPositions) {
    ExtendedPrecisionScope precision;
    // Positions C (1 heavy slot) and O (2 heavy slots), abundances lightest first.
    const int32_t heavySlots[2] = {1, 2};
    const int32_t atoms[2] = {6, 6};
    const double abund[5] = {0.9893, 0.0107, 0.99757, 0.00205, 0.00038};
    const int32_t lightest[3] = {0, 0, 0};
    const Extended c12 = abund[0], c13 = abund[1], o16 = abund[2], o18 = abund[3], o17 = abund[4];
    expectNearExtended(speciesProbability(2, lightest, atoms, heavySlots, abund),
                       std::pow(c12, 6) * std::pow(o16, 6), 64);
    // One 13C, one 18O, two 17O: 6 × 0.9893^5 × 0.0107 × 6!/(3! 1! 2!) × 0.99757^3 × 0.00205 × 0.00038^2.
    const int32_t mixed[3] = {1, 1, 2};
    const Extended expected = 6 * std::pow(c12, 5) * c13 * 60 * std::pow(o16, 3) * o18 * o17 * o17;
    expectNearExtended(speciesProbability(2, mixed, atoms, heavySlots, abund), expected, 64);
}

}  // namespace
}  // namespace mv
