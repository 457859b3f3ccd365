#include "isodata/user_element.h"

#include "base/textfmt.h"
#include "isodata/element_table.h"

#include <array>

namespace mv {

namespace {

constexpr int kRows = kMaxUserHeavyIsotopes;

constexpr int kDeltaResource = 136;
constexpr int kDeltaLightId = 1026;
constexpr int kDeltaFirstValueId = 1027;  // row k: 1026 + k
constexpr int kDeltaFirstFAId = 1036;     // row k: 1035 + k

constexpr int kAccurateResource = 138;
constexpr int kAccurateLightId = 1049;
// The accurate form's edits are numbered down the left column, then the right one.
constexpr std::array<int, kRows> kAccurateValueIds = {1050, 1054, 1058, 1062, 1066, 1052, 1056, 1060, 1064};
constexpr std::array<int, kRows> kAccurateFAIds = {1051, 1055, 1059, 1063, 1067, 1053, 1057, 1061, 1065};

int lightId(bool accurate) { return accurate ? kAccurateLightId : kDeltaLightId; }
int valueId(bool accurate, int row) { return accurate ? kAccurateValueIds[row] : kDeltaFirstValueId + row; }
int faId(bool accurate, int row) { return accurate ? kAccurateFAIds[row] : kDeltaFirstFAId + row; }

Field numberField(int id, std::string label, double min, double max) {
    Field f;
    f.id = id;
    f.label = std::move(label);
    f.kind = FieldKind::Number;
    f.ranged = true;
    f.min = min;
    f.max = max;
    f.text = formatFrameworkNumber(0);
    return f;
}

std::string userElementTitle(int element) {
    // The dialog resource's own title stands for Jx; the others replace it on opening.
    if (element == kFirstUserElement) return "Data for User ELEMENT Jx";
    return "Data for User Element " + ElementTable::symbol(element);
}

}  // namespace

Form userElementForm(int element, bool accurateMass) {
    Form form;
    form.resourceId = accurateMass ? kAccurateResource : kDeltaResource;
    form.subject = element;
    form.caption = userElementTitle(element);
    if (accurateMass) {
        form.texts = {"Accurate mass of the lightest isotope:",
                      "   Heavy          Accurate               Fractional       Heavy              Accurate              "
                      "Fractional",
                      "Isotope #           Mass                 Abundance    Isotope#              Mass                "
                      "Abundance"};
    } else {
        form.texts = {"Accurate Mass of the lightest isotope:",
                      "     Heavy          Delta              Fractional           Heavy            Delta              "
                      "Fractional",
                      "Isotope #        Mass             Abundance        Isotope #        Mass             Abundance"};
    }
    for (int row = 1; row <= kRows; ++row) form.texts.push_back(std::to_string(row));

    form.fields.push_back(numberField(lightId(accurateMass), form.texts[0], 1, 300));
    for (int row = 0; row < kRows; ++row) {
        const std::string n = std::to_string(row + 1);
        if (accurateMass) {
            form.fields.push_back(numberField(valueId(true, row), "Heavy isotope " + n + " accurate mass", 0, 300));
        } else {
            Field f;
            f.id = valueId(false, row);
            f.label = "Heavy isotope " + n + " delta mass";
            f.kind = FieldKind::Integer;
            f.ranged = true;
            f.min = 0;
            f.max = 25;
            f.text = "0";
            form.fields.push_back(f);
        }
        form.fields.push_back(numberField(faId(accurateMass, row), "Heavy isotope " + n + " fractional abundance", 0,
                                          0.99999));
    }
    return form;
}

bool enterUserElement(int element, bool listComponentsOption, UserElementCursors& cursors, Prompter& prompter) {
    if (element < kFirstUserElement || element >= kElementCount) {
        prompter.message(formatC("Element index %d is not a user element.", element));
        return false;
    }
    // Each calculation restarts the cursors, so the reserved entries hold all six elements; a
    // caller that forgot the restart must not write past them.
    if (cursors.heavy < kFirstUserHeavy || cursors.abundance < kFirstUserAbundance ||
        cursors.heavy + kRows > kHeavyEntryCount || cursors.abundance + kRows + 1 > kAbundanceEntryCount) {
        prompter.message("No room left for the isotope data of user element " + ElementTable::symbol(element) + ".");
        return false;
    }

    const bool accurate = listComponentsOption;
    Form form = userElementForm(element, accurate);
    if (!prompter.runForm(form)) return false;
    if (const auto failure = validateForm(form)) {
        prompter.message(failure->message);
        return false;
    }

    ElementTable& table = elementTable();
    const double light = form.numberValue(lightId(accurate));
    table.lightMass[element] = light;
    if (accurate) table.nominalMass[element] = static_cast<int32_t>(light + 0.5);

    std::array<bool, kRows> used{};
    int m = 0;
    for (int row = 0; row < kRows; ++row) {
        used[row] = accurate ? form.numberValue(valueId(true, row)) != 0 : form.intValue(valueId(false, row)) != 0;
        if (used[row]) ++m;
    }
    table.heavyIsotopeCount[element] = m;
    if (m == 0) {
        table.firstHeavy[element] = 0;
        table.firstAbundance[element] = 0;
        return true;
    }

    const int firstHeavy = cursors.heavy;
    const int a0 = cursors.abundance;
    table.firstHeavy[element] = firstHeavy;
    table.firstAbundance[element] = a0;
    ++cursors.abundance;

    std::array<bool, kRows> taken{};
    double sum = 0;
    for (int i = 0; i < m; ++i) {
        int best = -1;
        double bestFA = 0;
        for (int row = 0; row < kRows; ++row) {
            if (!used[row] || taken[row]) continue;
            const double fa = form.numberValue(faId(accurate, row));
            if (!(fa > 0)) {
                prompter.message("Each FA must be greater than 0.0.");
                return false;
            }
            if (best < 0 || fa > bestFA) {
                best = row;
                bestFA = fa;
            }
        }
        const int h = cursors.heavy;
        if (accurate) {
            const double mass = form.numberValue(valueId(true, best));
            table.heavyMass[h] = mass;
            table.heavyDeltaA[h] = static_cast<int32_t>(mass - light + 0.5);
            if (table.heavyDeltaA[h] <= 0) {
                prompter.message("Delta mass cannot be less than or equal to zero.");
                return false;
            }
        } else {
            table.heavyDeltaA[h] = form.intValue(valueId(false, best));
        }
        table.abundance[cursors.abundance] = bestFA;
        ++cursors.heavy;
        ++cursors.abundance;
        sum += bestFA;
        taken[best] = true;
    }

    for (int i = firstHeavy; i < cursors.heavy; ++i)
        for (int j = i + 1; j < cursors.heavy; ++j)
            if (table.heavyDeltaA[i] == table.heavyDeltaA[j]) {
                prompter.message("Delta masses for two isotopes cannot be equal.");
                return false;
            }

    table.abundance[a0] = 1 - sum;
    if (table.abundance[a0] < 0.000001) {
        prompter.message("Total FA of heavy isotopes exceeds 0.999999");
        return false;
    }
    return true;
}

}  // namespace mv
