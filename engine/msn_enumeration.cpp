#include "engine/msn_enumeration.h"

namespace mv {

bool firstSpeciesVector(const SlotLayout& lay, const int32_t* caps, int32_t h, int32_t* v) {
    for (int32_t s = 0; s < lay.k; ++s) v[s] = 0;
    int64_t total = 0;
    for (int32_t e = 0; e < lay.n; ++e) total += caps[e];
    if (h < 0 || h > total) return false;
    int32_t r = h;
    for (int32_t e = 0; e < lay.n && r > 0; ++e) {
        const int32_t take = r < caps[e] ? r : caps[e];
        v[lay.firstSlot[e]] = take;
        r -= take;
    }
    return true;
}

void firstSplitVector(const SlotLayout& lay, const int32_t* parent, const int32_t* partAtoms, int32_t* v,
                      int32_t* levelStart) {
    for (int32_t e = 0; e < lay.n; ++e) {
        int32_t r = partAtoms[e];
        for (int32_t s = lay.firstSlot[e]; s < lay.firstSlot[e + 1]; ++s) {
            const int32_t take = parent[s] <= r ? parent[s] : r;
            v[s] = levelStart[s] = take;
            r -= take;
        }
    }
}

int32_t vectorShift(const SlotLayout& lay, const int32_t* v, const int32_t* heavyDelta) {
    int32_t shift = 0;
    for (int32_t s = 0; s < lay.k; ++s) shift += v[s] * heavyDelta[s];
    return shift;
}

}  // namespace mv
