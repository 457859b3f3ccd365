#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

constexpr int kElementCount = 90;          // 84 natural elements, then the six user elements
constexpr int kNaturalElementCount = 84;
constexpr int kFirstUserElement = 84;      // Jx, Jy, Jz, Qx, Qy, Qz
constexpr int kHeavyEntryCount = 258;      // 204 natural heavy isotopes, 54 reserved
constexpr int kAbundanceEntryCount = 326;  // 266 natural abundances, 60 reserved
constexpr int kFirstUserHeavy = 204;
constexpr int kFirstUserAbundance = 266;
constexpr int kMaxUserHeavyIsotopes = 9;

// Element and isotope data by element index. The natural elements are constant; only the
// user-element slots (84..89) and the reserved heavy/abundance entries are written, by the
// user-element entry before a calculation, never while an engine pass runs.
struct ElementTable {
    // Two characters per element, a blank padding one-letter symbols.
    static constexpr const char* symbols =
        "AgAlArAsAuB BaBeBiBrC CaCdCeClCoCrCsCuDyErEuF FeGaGdGeH HeHfHgHoI InIrK KrLaLiLuMgMnMoN "
        "NaNbNdNeNiO OsP PaPbPdPrPtRbReRhRuS SbScSeSiSmSnSrTaTbTeThTiTlTmU V W XeY YbZnZrJxJyJzQxQyQz";
    // Each capital followed by the second characters of the symbols it starts; the k-th
    // non-capital character stands for element k.
    static constexpr const char* symbolIndex =
        "AglrsuB aeirC adelorsuDyEruF eGadeH efgoI nrK rLaiuMgnoN abdeiO sP abdrtRbehuS bceimnrTabehilmU V W "
        "XeY bZnrJxyzQxyz";

    int32_t nominalMass[kElementCount];
    double lightMass[kElementCount];
    int32_t heavyIsotopeCount[kElementCount];
    int32_t firstHeavy[kElementCount];
    int32_t firstAbundance[kElementCount];
    int32_t heavyDeltaA[kHeavyEntryCount];
    double heavyMass[kHeavyEntryCount];
    double abundance[kAbundanceEntryCount];

    // The printed symbol: one or two characters, never the padding blank.
    static std::string symbol(int element);
};

// The element index of a symbol as written in formulas ("C", "Ca", "Jx"); nothing for any other
// text, whatever its bytes.
std::optional<int> elementIndex(std::string_view symbol);

// The program's one table, initialised from the built-in data.
ElementTable& elementTable();

// The built-in data as at start-up, user-element slots empty.
const ElementTable& initialElementTable();

// Clears the user-element slots and reserved entries back to their start-up state.
void resetUserElements();

}  // namespace mv
