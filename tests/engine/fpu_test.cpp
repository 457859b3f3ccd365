#include "engine/fpu.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mv {
namespace {

TEST(ExtendedPower, SmallExactCases) {
    EXPECT_EQ(extendedPower(0.5, 3), 0.125L);
    EXPECT_EQ(extendedPower(1.0, 65500), 1.0L);
    for (double a : {0.9893, 0.000115, 0.0000013, 0.5069, 0.99999999}) {
        const Extended got = extendedPower(a, 1);
        EXPECT_NEAR(static_cast<double>(got / static_cast<Extended>(a)), 1.0, 8 * 0x1p-64) << a;
    }
}

TEST(ExtendedPower, AgreesWithRepeatedMultiplication) {
    struct Case {
        double a;
        int n;
        double tolerance;  // relative; the error of n × log2 a grows with the exponent
    };
    const Case cases[] = {{0.9893, 6, 1e-17}, {0.999885, 12, 1e-17}, {0.9893, 65500, 1e-13},
                          {0.0000013, 300, 1e-13}, {0.00005, 170, 1e-15}};
    for (const auto& c : cases) {
        Extended expected = 1;
        for (int i = 0; i < c.n; ++i) expected *= static_cast<Extended>(c.a);
        const Extended got = extendedPower(c.a, c.n);
        EXPECT_NEAR(static_cast<double>(got / expected), 1.0, c.tolerance) << c.a << "^" << c.n;
    }
    // Far below the extended range the result is 0, not NaN.
    EXPECT_EQ(extendedPower(0.0000013, 65500), 0.0L);
    EXPECT_EQ(extendedPower(0.0, 3), 0.0L);
}

TEST(ExtendedPower, TruncationRoundsTowardZeroAndLeavesTheModeAlone) {
    EXPECT_EQ(truncateExtended(2.75L), 2.0L);
    EXPECT_EQ(truncateExtended(-2.75L), -2.0L);
    EXPECT_EQ(truncateExtended(-0.5L), 0.0L);
    // Round-to-nearest is back: half an ulp of 1 rounds to even, three quarters round up.
    volatile Extended one = 1.0L;
    volatile Extended halfUlp = 0x1p-64L;
    EXPECT_EQ(one + halfUlp, 1.0L);
    volatile Extended threeQuarterUlp = 0x1.8p-64L;
    EXPECT_EQ(one + threeQuarterUlp, 1.0L + 0x1p-63L);
}

#if MARVOLEN_X87
TEST(ExtendedPrecisionScope, SetsPrecisionAndRoundingAndRestoresTheWord) {
    const uint16_t original = fpu::controlWord();
    // 53-bit precision, rounding up, one exception unmasked bit pattern kept as is.
    const uint16_t caller = static_cast<uint16_t>((original & ~0x0F00) | 0x0200 | 0x0800);
    fpu::setControlWord(caller);
    {
        ExtendedPrecisionScope scope;
        const uint16_t inside = fpu::controlWord();
        EXPECT_EQ(inside & 0x0300, 0x0300);
        EXPECT_EQ(inside & 0x0C00, 0x0000);
        EXPECT_EQ(inside & ~0x0F00, caller & ~0x0F00);
        // 64-bit precision in effect: 1 + 2^-63 is representable.
        volatile Extended one = 1.0L;
        volatile Extended tiny = 0x1p-63L;
        EXPECT_NE(one + tiny, 1.0L);
    }
    EXPECT_EQ(fpu::controlWord(), caller);
    fpu::setControlWord(original);
}
#endif

}  // namespace
}  // namespace mv
