#include "base/textfmt.h"

#include <clocale>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <locale.h>

namespace mv {

namespace {

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Switches this thread to the "C" locale for the scope's lifetime.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

// Concatenation by appending: GCC 12 at -O3 reports a false -Wrestrict on chained operator+.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string r;
    for (auto p : parts) r.append(p);
    return r;
}

template <typename T>
std::string formatOne(const std::string& directive, T value) {
    char small[128];
    const int n = std::snprintf(small, sizeof small, directive.c_str(), value);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), directive.c_str(), value);
    big.resize(static_cast<size_t>(n));
    return big;
}

// Widens a two-digit exponent to three digits.
void widenExponent(std::string& s) {
    const size_t e = s.find_last_of("eE");
    if (e == std::string::npos || e + 1 >= s.size() || (s[e + 1] != '+' && s[e + 1] != '-')) return;
    const size_t digits = s.size() - (e + 2);
    if (digits < 3) s.insert(e + 2, 3 - digits, '0');
}

}  // namespace

std::string formatC(const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    std::string out;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        // Parse one directive.
        const char* start = p++;
        std::string flags;
        while (*p && std::strchr("-+ #0", *p)) flags += *p++;
        int width = -1;
        if (*p == '*') {
            width = va_arg(args, int);
            ++p;
        } else if (*p >= '0' && *p <= '9') {
            width = 0;
            while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        }
        std::string precision;
        if (*p == '.') {
            ++p;
            int prec = 0;
            if (*p == '*') {
                prec = va_arg(args, int);
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') prec = prec * 10 + (*p++ - '0');
            }
            precision = joined({".", std::to_string(prec < 0 ? 0 : prec)});
        }
        std::string length;
        while (*p && std::strchr("hlzL", *p)) length += *p++;
        const char conv = *p ? *p++ : '\0';
        const std::string directive = joined({"%", flags, width >= 0 ? std::to_string(width) : std::string(), precision});
        switch (conv) {
        case 'd':
        case 'i':
            if (length == "ll")
                out += formatOne(joined({directive, "lld"}), va_arg(args, long long));
            else if (length == "l")
                out += formatOne(joined({directive, "ld"}), va_arg(args, long));
            else if (length == "z")
                out += formatOne(joined({directive, "zd"}), va_arg(args, std::ptrdiff_t));
            else
                out += formatOne(joined({directive, "d"}), va_arg(args, int));
            break;
        case 'u':
        case 'x':
        case 'X': {
            const std::string c(1, conv);
            if (length == "ll")
                out += formatOne(joined({directive, "ll", c}), va_arg(args, unsigned long long));
            else if (length == "l")
                out += formatOne(joined({directive, "l", c}), va_arg(args, unsigned long));
            else if (length == "z")
                out += formatOne(joined({directive, "z", c}), va_arg(args, size_t));
            else
                out += formatOne(joined({directive, c}), va_arg(args, unsigned));
            break;
        }
        case 'c':
            out += formatOne(joined({directive, "c"}), va_arg(args, int));
            break;
        case 's': {
            const char* s = va_arg(args, const char*);
            out += formatOne(joined({directive, "s"}), s ? s : "(null)");
            break;
        }
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            out += formatOne(joined({directive, std::string(1, conv)}), va_arg(args, double));
            break;
        case 'e':
        case 'E': {
            // Format without the width, widen the exponent, then pad as the flags ask.
            std::string bare = "%";
            for (char f : flags)
                if (f != '-' && f != '0') bare += f;
            std::string piece = formatOne(joined({bare, precision, std::string(1, conv)}), va_arg(args, double));
            widenExponent(piece);
            if (width > 0 && piece.size() < static_cast<size_t>(width)) {
                const size_t pad = static_cast<size_t>(width) - piece.size();
                if (flags.find('-') != std::string::npos)
                    piece.append(pad, ' ');
                else if (flags.find('0') != std::string::npos && piece.find_first_of("0123456789") != std::string::npos) {
                    const size_t at = (piece[0] == '+' || piece[0] == '-' || piece[0] == ' ') ? 1 : 0;
                    piece.insert(at, pad, '0');
                } else
                    piece.insert(0, pad, ' ');
            }
            out += piece;
            break;
        }
        default:
            // An unknown directive is copied as it stands rather than guessed at.
            out.append(start, p);
            break;
        }
    }
    va_end(args);
    return out;
}

double parseCDouble(const std::string& text) { return strtod_l(text.c_str(), nullptr, cLocale()); }

}  // namespace mv
