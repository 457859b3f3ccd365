#include "engine/msn_enumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

namespace mv {
namespace {

using Vec = std::vector<int32_t>;

SlotLayout layoutOf(const std::vector<int32_t>& slotsPerPosition) {
    SlotLayout lay;
    lay.n = static_cast<int32_t>(slotsPerPosition.size());
    for (int32_t e = 0; e < lay.n; ++e) {
        lay.firstSlot[e] = lay.k;
        for (int32_t s = 0; s < slotsPerPosition[static_cast<size_t>(e)]; ++s) lay.slotPosition[lay.k + s] = e;
        lay.k += slotsPerPosition[static_cast<size_t>(e)];
    }
    lay.firstSlot[lay.n] = lay.k;
    return lay;
}

std::vector<Vec> speciesPass(const SlotLayout& lay, const Vec& caps, int32_t h) {
    std::vector<Vec> visited;
    Vec v(static_cast<size_t>(lay.k));
    if (!firstSpeciesVector(lay, caps.data(), h, v.data())) return visited;
    int32_t carry = 0;
    int32_t changedFrom = 0;
    do visited.push_back(v);
    while (nextSpeciesVector(lay, caps.data(), v.data(), carry, changedFrom));
    return visited;
}

std::vector<Vec> splits(const SlotLayout& lay, const Vec& parent, const Vec& parentAtoms, const Vec& partAtoms) {
    std::vector<Vec> visited;
    Vec v(static_cast<size_t>(lay.k)), start(static_cast<size_t>(lay.k));
    firstSplitVector(lay, parent.data(), partAtoms.data(), v.data(), start.data());
    do visited.push_back(v);
    while (nextSplitVector(lay, parent.data(), parentAtoms.data(), partAtoms.data(), v.data(), start.data()));
    return visited;
}

// Every vector of k entries, each 0..limit, for which keep says yes.
std::set<Vec> allVectors(int32_t k, int32_t limit, const std::function<bool(const Vec&)>& keep) {
    std::set<Vec> result;
    Vec v(static_cast<size_t>(k), 0);
    std::function<void(int32_t)> walk = [&](int32_t s) {
        if (s == k) {
            if (keep(v)) result.insert(v);
            return;
        }
        for (int32_t c = 0; c <= limit; ++c) {
            v[static_cast<size_t>(s)] = c;
            walk(s + 1);
        }
    };
    walk(0);
    return result;
}

int32_t sumOf(const Vec& v, int32_t from, int32_t to) {
    int32_t sum = 0;
    for (int32_t s = from; s < to; ++s) sum += v[static_cast<size_t>(s)];
    return sum;
}

TEST(SpeciesEnumeration, OneSlotWithTwoAtoms) {
    const SlotLayout lay = layoutOf({1});
    EXPECT_EQ(speciesPass(lay, {2}, 1), (std::vector<Vec>{{1}}));
    EXPECT_EQ(speciesPass(lay, {2}, 2), (std::vector<Vec>{{2}}));
    EXPECT_TRUE(speciesPass(lay, {2}, 3).empty());
}

TEST(SpeciesEnumeration, EveryValidVectorOnceInDecreasingOrder) {
    // Positions with 3 and 2 heavy slots, two atoms each: 15, 21 and 18 species of 2, 3 and 4 heavy atoms.
    const SlotLayout lay = layoutOf({3, 2});
    const Vec caps{2, 2};
    const int32_t expectedCounts[] = {0, 0, 15, 21, 18};
    for (int32_t h = 1; h <= 5; ++h) {
        const std::vector<Vec> visited = speciesPass(lay, caps, h);
        const std::set<Vec> valid = allVectors(5, h, [&](const Vec& v) {
            return sumOf(v, 0, 5) == h && sumOf(v, 0, 3) <= 2 && sumOf(v, 3, 5) <= 2;
        });
        if (h >= 2 && h <= 4) {
            EXPECT_EQ(visited.size(), static_cast<size_t>(expectedCounts[h])) << "h = " << h;
        }
        EXPECT_EQ(std::set<Vec>(visited.begin(), visited.end()), valid) << "h = " << h;
        for (size_t q = 1; q < visited.size(); ++q) EXPECT_GT(visited[q - 1], visited[q]) << "h = " << h;
    }
}

TEST(SplitEnumeration, SmallCases) {
    const SlotLayout one = layoutOf({1});
    EXPECT_EQ(splits(one, {1}, {3}, {1}), (std::vector<Vec>{{1}, {0}}));
    EXPECT_EQ(splits(one, {0}, {1}, {1}), (std::vector<Vec>{{0}}));
    // A parent without heavy atoms has the empty split only.
    const SlotLayout two = layoutOf({2, 1});
    EXPECT_EQ(splits(two, {0, 0, 0}, {4, 5}, {2, 3}), (std::vector<Vec>{{0, 0, 0}}));
    // A part with no atoms of a position never takes its heavy atoms.
    for (const Vec& v : splits(two, {1, 1, 2}, {4, 5}, {0, 3})) {
        EXPECT_EQ(v[0], 0);
        EXPECT_EQ(v[1], 0);
    }
}

TEST(SplitEnumeration, EveryAdmissibleSplitOnceByTotalThenDecreasingOrder) {
    struct Case {
        std::vector<int32_t> slots;
        Vec parent, parentAtoms, partAtoms;
    };
    const Case cases[] = {
        {{3, 2}, {1, 2, 0, 1, 1}, {4, 3}, {2, 1}},
        {{2, 1, 3}, {2, 1, 3, 1, 0, 1}, {5, 4, 3}, {3, 2, 3}},
        {{1, 2}, {3, 0, 2}, {3, 3}, {2, 2}},  // the part must take heavy atoms: the parent has few light ones
    };
    for (const Case& c : cases) {
        const SlotLayout lay = layoutOf(c.slots);
        const std::vector<Vec> visited = splits(lay, c.parent, c.parentAtoms, c.partAtoms);
        const std::set<Vec> admissible = allVectors(lay.k, 3, [&](const Vec& v) {
            for (int32_t s = 0; s < lay.k; ++s)
                if (v[static_cast<size_t>(s)] > c.parent[static_cast<size_t>(s)]) return false;
            for (int32_t e = 0; e < lay.n; ++e) {
                const int32_t part = sumOf(v, lay.firstSlot[e], lay.firstSlot[e + 1]);
                const int32_t parent = sumOf(c.parent, lay.firstSlot[e], lay.firstSlot[e + 1]);
                const size_t ue = static_cast<size_t>(e);
                if (part > c.partAtoms[ue] || c.partAtoms[ue] - part > c.parentAtoms[ue] - parent) return false;
            }
            return true;
        });
        EXPECT_EQ(visited.size(), admissible.size());
        EXPECT_EQ(std::set<Vec>(visited.begin(), visited.end()), admissible);
        for (size_t q = 1; q < visited.size(); ++q) {
            const int32_t before = sumOf(visited[q - 1], 0, lay.k);
            const int32_t now = sumOf(visited[q], 0, lay.k);
            EXPECT_TRUE(before > now || (before == now && visited[q - 1] > visited[q]));
        }
    }
}

}  // namespace
}  // namespace mv
