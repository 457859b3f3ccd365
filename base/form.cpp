#include "base/form.h"

#include "base/textfmt.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace mv {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The text without surrounding blanks, or nothing when an embedded NUL would hide the rest.
std::optional<std::string> trimmed(const std::string& text) {
    if (text.find('\0') != std::string::npos) return std::nullopt;
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

}  // namespace

Field* Form::find(int id) {
    for (auto& f : fields)
        if (f.id == id) return &f;
    return nullptr;
}

const Field* Form::find(int id) const {
    for (const auto& f : fields)
        if (f.id == id) return &f;
    return nullptr;
}

Field& Form::field(int id) {
    if (Field* f = find(id)) return *f;
    throw std::out_of_range("form " + std::to_string(resourceId) + " has no field " + std::to_string(id));
}

const Field& Form::field(int id) const { return const_cast<Form*>(this)->field(id); }

void Form::applyToggles() {
    for (const auto& t : toggles) {
        const bool on = field(t.checkId).checked;
        for (int id : t.fieldIds) field(id).enabled = on;
    }
}

int Form::intValue(int id) const { return parseIntegerText(field(id).text).value_or(0); }
double Form::numberValue(int id) const { return parseNumberText(field(id).text).value_or(0.0); }
const std::string& Form::textValue(int id) const { return field(id).text; }
bool Form::checkValue(int id) const { return field(id).checked; }

void Form::setInt(int id, long long value) { field(id).text = std::to_string(value); }
void Form::setNumber(int id, double value) { field(id).text = formatFrameworkNumber(value); }
void Form::setText(int id, const std::string& value) { field(id).text = value; }
void Form::setCheck(int id, bool value) { field(id).checked = value; }

std::optional<int> parseIntegerText(const std::string& raw) {
    const auto t = trimmed(raw);
    if (!t || t->empty()) return std::nullopt;
    size_t p = 0;
    bool negative = false;
    if ((*t)[0] == '+' || (*t)[0] == '-') {
        negative = (*t)[0] == '-';
        p = 1;
    }
    if (p == t->size()) return std::nullopt;
    long long v = 0;
    for (; p < t->size(); ++p) {
        const char c = (*t)[p];
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;  // stop before any overflow
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

std::optional<double> parseNumberText(const std::string& raw) {
    const auto t = trimmed(raw);
    if (!t || t->empty()) return std::nullopt;
    // Plain decimal notation with an optional exponent; strtod alone would also take hex floats,
    // "inf" and "nan", which no dialog field means.
    size_t p = 0;
    const std::string& s = *t;
    if (s[p] == '+' || s[p] == '-') ++p;
    size_t digits = 0;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
    if (p < s.size() && s[p] == '.') {
        ++p;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        ++p;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
        size_t expDigits = 0;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (p != s.size()) return std::nullopt;
    const double v = parseCDouble(s);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::string formatFrameworkNumber(double value) { return formatC("%.15g", value); }

std::optional<ValidationFailure> validateForm(const Form& form) {
    for (const auto& f : form.fields) {
        switch (f.kind) {
        case FieldKind::Check:
            break;
        case FieldKind::Text:
            if (f.maxChars > 0 && f.text.size() > static_cast<size_t>(f.maxChars))
                return ValidationFailure{f.id, formatC("Please enter no more than %d characters.", f.maxChars)};
            break;
        case FieldKind::Integer: {
            const auto v = parseIntegerText(f.text);
            if (!v) return ValidationFailure{f.id, "Please enter an integer."};
            if (f.ranged && (*v < f.min || *v > f.max))
                return ValidationFailure{f.id, formatC("Please enter an integer between %d and %d.",
                                                       static_cast<int>(f.min), static_cast<int>(f.max))};
            break;
        }
        case FieldKind::Number: {
            const auto v = parseNumberText(f.text);
            if (!v) return ValidationFailure{f.id, "Please enter a number."};
            if (f.ranged && (*v < f.min || *v > f.max))
                return ValidationFailure{f.id, "Please enter a number between " + formatFrameworkNumber(f.min) +
                                                   " and " + formatFrameworkNumber(f.max) + "."};
            break;
        }
        }
    }
    return std::nullopt;
}

}  // namespace mv
