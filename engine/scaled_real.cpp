#include "engine/scaled_real.h"

#include <cmath>
#include <cstring>

namespace mv {

namespace {

#if MARVOLEN_X87
// The 80-bit format in memory: 64-bit significand (explicit integer bit), then sign and exponent.
struct ExtendedBits {
    uint64_t significand;
    uint16_t signExponent;
};

ExtendedBits bitsOf(Extended x) {
    ExtendedBits b{};
    std::memcpy(&b.significand, &x, sizeof b.significand);
    std::memcpy(&b.signExponent, reinterpret_cast<const unsigned char*>(&x) + sizeof b.significand,
                sizeof b.signExponent);
    return b;
}

// x with its exponent field replaced; only for normal x and fields 1 .. 32766.
Extended withBiasedExponent(Extended x, int32_t field) {
    ExtendedBits b = bitsOf(x);
    b.signExponent = static_cast<uint16_t>((b.signExponent & 0x8000u) | (static_cast<uint32_t>(field) & 0x7FFFu));
    Extended r = x;
    std::memcpy(reinterpret_cast<unsigned char*>(&r) + sizeof b.significand, &b.signExponent, sizeof b.signExponent);
    return r;
}
#else
Extended withBiasedExponent(Extended x, int32_t field) {
    return std::scalbn(x, field - biasedExponent(x));
}
#endif

// x moved by `step` units of 2^8192 (step = ±1) through its exponent field.
Extended shiftByUnit(Extended x, int32_t step) {
    const int32_t field = biasedExponent(x);
    if (field == 0) return std::scalbn(x, step * kScaleExponentStep);  // a denormal has no field to move
    return withBiasedExponent(x, field + step * kScaleExponentStep);
}

// The mantissa of the operand with the smaller scale, expressed in the larger scale: its exponent
// field lowered by 8192 per unit of difference, 0 once the field would reach 0 or below.
Extended aligned(Extended mantissa, int64_t difference) {
    int32_t field = biasedExponent(mantissa);
    if (difference == 0) return mantissa;
    for (int64_t u = 0; u < difference; ++u) {
        if (field - kScaleExponentStep <= 0) return 0.0L;
        field -= kScaleExponentStep;
    }
    return withBiasedExponent(mantissa, field);
}

}  // namespace

int32_t biasedExponent(Extended x) {
#if MARVOLEN_X87
    return static_cast<int32_t>(bitsOf(x).signExponent & 0x7FFFu);
#else
    if (x == 0 || !std::isnormal(x)) return 0;
    return std::ilogb(x) + 16383;
#endif
}

void normalise(ScaledReal& x) {
    if (x.mantissa == 0) return;
    if (biasedExponent(x.mantissa) > kNormalisedExponentHigh) {
        x.mantissa = shiftByUnit(x.mantissa, -1);
        ++x.scale;
    }
    if (biasedExponent(x.mantissa) < kNormalisedExponentLow) {
        x.mantissa = shiftByUnit(x.mantissa, +1);
        --x.scale;
    }
}

ScaledReal scaledAdd(const ScaledReal& x, const ScaledReal& y) {
    // A zero of larger scale would otherwise wipe out the other operand in the alignment.
    if (x.mantissa == 0) return y;
    if (y.mantissa == 0) return x;
    if (x.scale == y.scale) return {x.mantissa + y.mantissa, x.scale};
    if (x.scale > y.scale)
        return {x.mantissa + aligned(y.mantissa, int64_t{x.scale} - y.scale), x.scale};
    return {aligned(x.mantissa, int64_t{y.scale} - x.scale) + y.mantissa, y.scale};
}

Extended scaledRatio(const ScaledReal& x, const ScaledReal& y) {
    Extended numerator = x.mantissa;
    Extended divisor = y.mantissa;
    if (x.scale > y.scale)
        divisor = aligned(divisor, int64_t{x.scale} - y.scale);
    else if (y.scale > x.scale)
        numerator = aligned(numerator, int64_t{y.scale} - x.scale);
    if (divisor == 0) return 0.0L;
    return numerator / divisor;
}

Extended speciesProbability(int32_t positionCount, const int32_t* heavyCount, const int32_t* posAtoms,
                            const int32_t* posHeavyCount, const double* isoAbund) {
    Extended p = 1.0L;
    int32_t slot = 0;
    int32_t entry = 0;
    for (int32_t e = 0; e < positionCount; ++e) {
        const int32_t n = posAtoms[e];
        const int32_t slots = posHeavyCount[e];
        int32_t h = 0;
        for (int32_t s = 0; s < slots; ++s) h += heavyCount[slot + s];
        for (int32_t q = 0; q < h; ++q) p = p * static_cast<Extended>(n - q);
        if (n - h > 0) p = p * extendedPower(isoAbund[entry], n - h);
        for (int32_t s = 0; s < slots; ++s) {
            const int32_t c = heavyCount[slot + s];
            if (c <= 0) continue;
            for (int32_t q = 1; q <= c; ++q) p = p / static_cast<Extended>(q);
            p = p * extendedPower(isoAbund[entry + 1 + s], c);
        }
        slot += slots;
        entry += slots + 1;
    }
    return p;
}

ScaledReal splitWeight(int32_t positionCount, const int32_t* parent, const int32_t* part, const int32_t* parentAtoms,
                       const int32_t* partAtoms, const int32_t* posHeavyCount, const int32_t* heavyDelta,
                       int32_t& shift) {
    ScaledReal total{1.0L, 0};
    shift = 0;
    int32_t first = 0;
    for (int32_t e = 0; e < positionCount; ++e) {
        const int32_t end = first + posHeavyCount[e];
        int32_t hp = 0;
        int32_t hl = 0;
        for (int32_t s = first; s < end; ++s) {
            hp += parent[s];
            hl += part[s];
        }
        const int32_t lp = parentAtoms[e] - hp;
        const int32_t ll = partAtoms[e] - hl;
        ScaledReal f{1.0L, 0};
        bool lightPending = true;
        for (int32_t s = first; s < end; ++s) {
            if (partAtoms[e] == 0 || parent[s] == 0) continue;
            if (lightPending) {
                if (lp > 0 && ll > 0) {
                    for (int32_t q = 0; q < ll; ++q) {
                        f.mantissa = f.mantissa * (static_cast<Extended>(lp - q) / static_cast<Extended>(q + 1));
                        normalise(f);
                    }
                }
                lightPending = false;
            }
            for (int32_t q = 0; q < part[s]; ++q) {
                f.mantissa = f.mantissa * (static_cast<Extended>(parent[s] - q) / static_cast<Extended>(q + 1));
                normalise(f);
            }
            shift += heavyDelta[s] * part[s];
        }
        total.mantissa = total.mantissa * f.mantissa;
        total.scale += f.scale;
        normalise(total);
        first = end;
    }
    return total;
}

}  // namespace mv
