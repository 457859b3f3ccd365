#pragma once

// Extended (64-bit significand) arithmetic for the engines: the floating-point control word scope
// and the power a^n formed as 2^(n log2 a) the way the x87 unit does it.

#include <cmath>
#include <cstdint>
#include <limits>

namespace mv {

// Probabilities, running totals and peak FAs are held in this type.
using Extended = long double;

#if defined(__x86_64__) || defined(__i386__)
#define MARVOLEN_X87 1
static_assert(std::numeric_limits<Extended>::digits == 64, "long double must be the x87 80-bit format");
#else
#define MARVOLEN_X87 0
#endif

namespace fpu {

#if MARVOLEN_X87
constexpr uint16_t kPrecisionMask = 0x0300;  // PC bits
constexpr uint16_t kPrecision64 = 0x0300;
constexpr uint16_t kRoundingMask = 0x0C00;   // RC bits
constexpr uint16_t kRoundNearest = 0x0000;
constexpr uint16_t kRoundTruncate = 0x0C00;

inline uint16_t controlWord() {
    uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw) : : "memory");
    return cw;
}

inline void setControlWord(uint16_t cw) {
    asm volatile("fldcw %0" : : "m"(cw) : "memory");
}
#endif

}  // namespace fpu

// Sets 64-bit precision and round-to-nearest for its lifetime, keeping the other control bits, and
// restores the caller's control word on every way out.
class ExtendedPrecisionScope {
public:
    ExtendedPrecisionScope() {
#if MARVOLEN_X87
        saved_ = fpu::controlWord();
        const uint16_t cw = static_cast<uint16_t>(
            (saved_ & ~(fpu::kPrecisionMask | fpu::kRoundingMask)) | fpu::kPrecision64 | fpu::kRoundNearest);
        fpu::setControlWord(cw);
#endif
    }
    ~ExtendedPrecisionScope() {
#if MARVOLEN_X87
        fpu::setControlWord(saved_);
#endif
    }
    ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
    ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

private:
#if MARVOLEN_X87
    uint16_t saved_ = 0;
#endif
};

// y rounded toward zero; the rounding mode is switched to truncation for this one step only.
inline Extended truncateExtended(Extended y) {
#if MARVOLEN_X87
    Extended t;
    uint16_t saved;
    uint16_t truncating;
    // One statement, so that nothing else can run under the truncating mode.
    asm("fnstcw %1\n\t"
        "movzwl %1, %%eax\n\t"
        "orl $0x0C00, %%eax\n\t"
        "movw %%ax, %2\n\t"
        "fldcw %2\n\t"
        "frndint\n\t"
        "fldcw %1"
        : "=t"(t), "=m"(saved), "=m"(truncating)
        : "0"(y)
        : "eax");
    return t;
#else
    return std::trunc(y);
#endif
}

namespace fpu {

// 1 × log2 a (fyl2x with multiplier 1).
inline Extended log2Of(Extended a) {
#if MARVOLEN_X87
    Extended r;
    asm("fld1\n\t"
        "fxch\n\t"
        "fyl2x"
        : "=t"(r)
        : "0"(a));
    return r;
#else
    return std::log2(a);
#endif
}

// The unit's built-in log2 e.
inline Extended log2e() {
#if MARVOLEN_X87
    Extended r;
    asm("fldl2e" : "=t"(r));
    return r;
#else
    return 1.442695040888963407359924681001892137L;
#endif
}

// 2^f − 1 for |f| ≤ 1.
inline Extended exp2m1(Extended f) {
#if MARVOLEN_X87
    Extended r;
    asm("f2xm1" : "=t"(r) : "0"(f));
    return r;
#else
    return std::exp2(f) - 1.0L;
#endif
}

// x × 2^t for an integral t.
inline Extended scale(Extended x, Extended t) {
#if MARVOLEN_X87
    Extended r;
    asm("fscale" : "=t"(r) : "0"(x), "u"(t));
    return r;
#else
    // Beyond ±2^20 the result has long left the extended range either way.
    const Extended limit = 1048576.0L;
    const Extended c = t > limit ? limit : (t < -limit ? -limit : t);
    return std::ldexp(x, static_cast<int>(c));
#endif
}

}  // namespace fpu

// a^n for an abundance 0 < a ≤ 1 and n ≥ 1: y = ((log2 a) / log2 e) × n × log2 e, evaluated left to
// right, split into its truncated integer part t and fraction f; the result is (1 + (2^f − 1)) × 2^t.
inline Extended extendedPower(double a, int32_t n) {
    if (!(a > 0.0)) return 0.0L;  // log2 0 would turn the split below into NaN
    const Extended l2e = fpu::log2e();
    const Extended y = fpu::log2Of(static_cast<Extended>(a)) / l2e * static_cast<Extended>(n) * l2e;
    const Extended t = truncateExtended(y);
    const Extended f = y - t;
    return fpu::scale(1.0L + fpu::exp2m1(f), t);
}

}  // namespace mv
