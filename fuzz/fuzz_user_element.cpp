// User-element entry with arbitrary typed values in either form of its dialog.
// Input: one byte (element, form, whether the prompter returns invalid forms), then the texts of
// the form's fields in exchange order, separated by newlines.

#include "fuzz/fuzz_check.h"
#include "isodata/element_table.h"
#include "isodata/user_element.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int element = kFirstUserElement + data[0] % 6;
    const bool accurate = (data[0] & 0x08) != 0;
    const bool strict = (data[0] & 0x10) == 0;
    std::vector<std::string> texts;
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == '\n') {
            texts.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    texts.push_back(current);

    resetUserElements();
    UserElementCursors cursors;
    const UserElementCursors start = cursors;
    fuzz::CountingPrompter prompter;
    prompter.strict = strict;
    prompter.fillForm = [&](Form& form) {
        FUZZ_CHECK(form.subject == element);
        for (size_t i = 0; i < form.fields.size() && i < texts.size(); ++i) form.fields[i].text = texts[i];
    };
    const bool accepted = enterUserElement(element, accurate, cursors, prompter);

    // The cursors never leave the reserved entries, whatever happened.
    FUZZ_CHECK(cursors.heavy >= start.heavy && cursors.heavy <= start.heavy + kMaxUserHeavyIsotopes);
    FUZZ_CHECK(cursors.heavy <= kHeavyEntryCount);
    FUZZ_CHECK(cursors.abundance >= start.abundance && cursors.abundance <= start.abundance + kMaxUserHeavyIsotopes + 1);
    FUZZ_CHECK(cursors.abundance <= kAbundanceEntryCount);
    if (!accepted) {
        FUZZ_CHECK(prompter.shown <= 1);
        return 0;
    }
    FUZZ_CHECK(prompter.shown == 0);

    // An accepted element is a proper isotope distribution the engine can use.
    const ElementTable& t = elementTable();
    FUZZ_CHECK(std::isfinite(t.lightMass[element]) && t.lightMass[element] >= 1 && t.lightMass[element] <= 300);
    const int m = t.heavyIsotopeCount[element];
    FUZZ_CHECK(m >= 0 && m <= kMaxUserHeavyIsotopes);
    if (m == 0) return 0;
    FUZZ_CHECK(cursors.heavy - start.heavy == m && cursors.abundance - start.abundance == m + 1);
    const int h0 = t.firstHeavy[element];
    const int a0 = t.firstAbundance[element];
    double sum = 0;
    for (int i = 0; i <= m; ++i) {
        const double fa = t.abundance[a0 + i];
        FUZZ_CHECK(std::isfinite(fa) && fa > 0 && fa <= 1);
        sum += fa;
    }
    FUZZ_CHECK(std::fabs(sum - 1) < 1e-9);
    FUZZ_CHECK(t.abundance[a0] >= 0.000001);
    for (int i = 0; i < m; ++i) {
        FUZZ_CHECK(t.heavyDeltaA[h0 + i] > 0);
        if (i > 0) FUZZ_CHECK(t.abundance[a0 + 1 + i] <= t.abundance[a0 + i]);  // heavy isotopes by abundance
        for (int j = i + 1; j < m; ++j) FUZZ_CHECK(t.heavyDeltaA[h0 + i] != t.heavyDeltaA[h0 + j]);
        if (accurate) FUZZ_CHECK(std::isfinite(t.heavyMass[h0 + i]) && t.heavyMass[h0 + i] > t.lightMass[element]);
    }
    return 0;
}
