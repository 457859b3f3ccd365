#include "base/textfmt.h"

#include <gtest/gtest.h>

#include <clocale>

namespace mv {
namespace {

struct FormatCase {
    std::string got;
    const char* want;
};

TEST(FormatC, ExponentsHaveASignAndThreeDigits) {
    const FormatCase cases[] = {
        {formatC("%.6E", 0.5), "5.000000E-001"},
        {formatC("%.5E", 0.0), "0.00000E+000"},
        {formatC("%.5E", 1.0e-300), "1.00000E-300"},
        {formatC("%.6E", 123456.0), "1.234560E+005"},
        {formatC("%.2e", -2.5e-12), "-2.50e-012"},
        {formatC("%14.3E", 0.25), "    2.500E-001"},
        {formatC("%-12.2E|", 0.25), "2.50E-001   |"},
        {formatC("%012.2E", -0.25), "-002.50E-001"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(FormatC, OtherConversionsFollowPrintf) {
    EXPECT_EQ(formatC("A+%d, %.2f, %s%%", 3, 181.0637, "x"), "A+3, 181.06, x%");
    EXPECT_EQ(formatC("%9.3f|%-4d|%c", 100.0, 7, 'Q'), "  100.000|7   |Q");
    EXPECT_EQ(formatC("%.15g", 0.99999), "0.99999");
    EXPECT_EQ(formatC("%lld %zu", 1234567890123LL, static_cast<size_t>(42)), "1234567890123 42");
}

TEST(FormatC, IgnoresTheProcessLocale) {
    // A locale with a decimal comma, when the machine has one; the "C" result must not change.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8");
    EXPECT_EQ(formatC("%.4f %.2E", 1.5, 0.5), "1.5000 5.00E-001");
    EXPECT_DOUBLE_EQ(parseCDouble("0.9999"), 0.9999);
    std::setlocale(LC_ALL, saved.c_str());
    if (!switched) GTEST_SKIP() << "no decimal-comma locale installed; checked in the C locale only";
}

}  // namespace
}  // namespace mv
