#pragma once

#include <string>

namespace mv {

// printf-style formatting as the system's texts and files need it: always the "C" locale, whatever
// the process locale is, and "E"/"e" conversions with a sign and at least three exponent digits
// (5.000000E-001). Supports flags, width, precision and the d i u x X c s f F e E g G % conversions
// with the h, l, ll and z length modifiers.
std::string formatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// strtod in the "C" locale over the whole text; the caller has checked its form.
double parseCDouble(const std::string& text);

}  // namespace mv
