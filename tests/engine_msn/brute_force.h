#pragma once

// An independent model of an MSn run for small ions: every precursor species of the selected peak
// and every split of every parent are enumerated directly, element by element, with the
// hypergeometric probability of each split as an exact fraction. Species probabilities use the
// multinomial coefficient as an exact integer and powl for the abundance powers.

#include "isodata/element_table.h"
#include "isodata/formula.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

namespace mv::test {

__extension__ typedef unsigned __int128 u128;

// A non-negative fraction in lowest terms; refuses to overflow.
struct Fraction {
    u128 num = 0;
    u128 den = 1;
};

inline u128 gcd128(u128 a, u128 b) {
    while (b != 0) {
        const u128 t = a % b;
        a = b;
        b = t;
    }
    return a;
}

inline Fraction reduced(Fraction f) {
    const u128 g = gcd128(f.num, f.den);
    return g > 1 ? Fraction{f.num / g, f.den / g} : f;
}

inline Fraction times(Fraction a, Fraction b) {
    if (a.num == 0 || b.num == 0) return {0, 1};
    a = reduced(a);
    b = reduced(b);
    const u128 g1 = gcd128(a.num, b.den);
    const u128 g2 = gcd128(b.num, a.den);
    Fraction r;
    if (__builtin_mul_overflow(a.num / g1, b.num / g2, &r.num) ||
        __builtin_mul_overflow(a.den / g2, b.den / g1, &r.den))
        throw std::overflow_error("fraction too large for the brute-force model");
    return r;
}

inline long double toLongDouble(const Fraction& f) {
    return static_cast<long double>(f.num) / static_cast<long double>(f.den);
}

inline u128 binomial(int64_t n, int64_t k) {
    if (k < 0 || k > n) return 0;
    u128 r = 1;
    for (int64_t q = 0; q < k; ++q) r = r * static_cast<u128>(n - q) / static_cast<u128>(q + 1);  // exact
    return r;
}

// One MSn run: compositions of the precursor and the products (polyisotopic elements only matter),
// the step count and the selected peaks.
struct BruteInput {
    Composition precursor;
    std::vector<Composition> products;  // steps − 1 of them
    int steps = 2;
    int i = 0, j = 0, k = 0;
};

struct BruteResult {
    std::vector<long double> generation[3];  // peaks of the first, second, third product generation
    long double selectedPrecursorFA = 0;
    // Last generation: FA per product species, keyed by (shift, per-element heavy counts).
    std::map<std::pair<int, std::vector<std::vector<int>>>, long double> lastSpecies;
    std::vector<int> elements;  // the precursor's polyisotopic elements, ascending index
};

class BruteForceMsn {
public:
    explicit BruteForceMsn(const BruteInput& in) : in_(in) {
        const ElementTable& t = elementTable();
        for (int e = 0; e < kElementCount; ++e)
            if (in.precursor.count[e] > 0 && t.heavyIsotopeCount[e] > 0) result_.elements.push_back(e);
        atoms_.push_back(countsOf(in.precursor));
        for (const Composition& p : in.products) atoms_.push_back(countsOf(p));
        result_.generation[0].assign(static_cast<size_t>(in.i) + 1, 0);
        if (in.steps >= 3) result_.generation[1].assign(static_cast<size_t>(in.j) + 1, 0);
        if (in.steps == 4) result_.generation[2].assign(static_cast<size_t>(in.k) + 1, 0);
    }

    BruteResult run() {
        Species sigma(result_.elements.size());
        precursorSpecies(0, sigma, 0);
        return result_;
    }

private:
    using Species = std::vector<std::vector<int>>;  // heavy counts per element, per heavy isotope

    std::vector<int> countsOf(const Composition& c) const {
        std::vector<int> r;
        for (int e : result_.elements) r.push_back(static_cast<int>(c.count[e]));
        return r;
    }

    static int heavyCountOf(int e) { return elementTable().heavyIsotopeCount[e]; }
    static int deltaOf(int e, int h) { return elementTable().heavyDeltaA[elementTable().firstHeavy[e] + h]; }
    static long double abundanceOf(int e, int isotope) {  // 0 = lightest
        return static_cast<long double>(elementTable().abundance[elementTable().firstAbundance[e] + isotope]);
    }

    int shiftOf(const Species& s) const {
        int shift = 0;
        for (size_t x = 0; x < s.size(); ++x)
            for (size_t h = 0; h < s[x].size(); ++h) shift += s[x][h] * deltaOf(result_.elements[x], static_cast<int>(h));
        return shift;
    }

    // All heavy-count vectors of element e with at most n heavy atoms.
    static std::vector<std::vector<int>> vectorsOf(int e, int n) {
        std::vector<std::vector<int>> out;
        std::vector<int> v(static_cast<size_t>(heavyCountOf(e)), 0);
        std::function<void(size_t, int)> walk = [&](size_t h, int left) {
            if (h == v.size()) {
                out.push_back(v);
                return;
            }
            for (int c = 0; c <= left; ++c) {
                v[h] = c;
                walk(h + 1, left - c);
            }
            v[h] = 0;
        };
        walk(0, n);
        return out;
    }

    void precursorSpecies(size_t x, Species& sigma, int shift) {
        if (shift > in_.i) return;
        if (x == sigma.size()) {
            if (shift == in_.i) processPrecursor(sigma);
            return;
        }
        const int e = result_.elements[x];
        for (const auto& v : vectorsOf(e, atoms_[0][x])) {
            int s = 0;
            for (size_t h = 0; h < v.size(); ++h) s += v[h] * deltaOf(e, static_cast<int>(h));
            sigma[x] = v;
            precursorSpecies(x + 1, sigma, shift + s);
        }
    }

    void processPrecursor(const Species& sigma) {
        long double p = 1;
        for (size_t x = 0; x < sigma.size(); ++x) {
            const int e = result_.elements[x];
            const int n = atoms_[0][x];
            int heavy = 0;
            for (int c : sigma[x]) heavy += c;
            // n! / ((n − heavy)! Π c!) as an exact integer.
            u128 multinomial = binomial(n, heavy);
            int left = heavy;
            for (int c : sigma[x]) {
                multinomial *= binomial(left, c);
                left -= c;
            }
            p *= static_cast<long double>(multinomial) * std::pow(abundanceOf(e, 0), n - heavy);
            for (size_t h = 0; h < sigma[x].size(); ++h)
                p *= std::pow(abundanceOf(e, static_cast<int>(h) + 1), sigma[x][h]);
        }
        result_.selectedPrecursorFA += p;
        dissociate(1, sigma, p);
    }

    // The splits of parent (generation gen − 1) into a loss and the product of generation gen.
    void dissociate(int gen, const Species& parent, long double weight) {
        const std::vector<int>& parentAtoms = atoms_[static_cast<size_t>(gen) - 1];
        const std::vector<int>& productAtoms = atoms_[static_cast<size_t>(gen)];
        Species product(parent.size());
        std::function<void(size_t, Fraction)> walk = [&](size_t x, Fraction probability) {
            if (x == parent.size()) {
                const long double w = weight * toLongDouble(probability);
                const int shift = shiftOf(product);
                result_.generation[gen - 1][static_cast<size_t>(shift)] += w;
                if (gen == in_.steps - 1) {
                    result_.lastSpecies[{shift, product}] += w;
                } else if (shift == (gen == 1 ? in_.j : in_.k)) {
                    dissociate(gen + 1, product, w);
                }
                return;
            }
            const int np = parentAtoms[x];
            const int nl = np - productAtoms[x];  // the loss's atoms of this element
            int parentHeavy = 0;
            for (int c : parent[x]) parentHeavy += c;
            // The loss takes l(h) of the parent's c(h) atoms of each heavy isotope and the rest of
            // its atoms from the parent's lightest ones; all C(np, nl) choices equally likely.
            for (const auto& l : vectorsOf(result_.elements[x], nl)) {
                int lossHeavy = 0;
                u128 ways = 1;
                bool fits = true;
                for (size_t h = 0; h < l.size(); ++h) {
                    if (l[h] > parent[x][h]) fits = false;
                    lossHeavy += l[h];
                    ways *= binomial(parent[x][h], l[h]);
                }
                if (!fits || nl - lossHeavy > np - parentHeavy) continue;
                ways *= binomial(np - parentHeavy, nl - lossHeavy);
                product[x].resize(l.size());
                for (size_t h = 0; h < l.size(); ++h) product[x][h] = parent[x][h] - l[h];
                walk(x + 1, times(probability, Fraction{ways, binomial(np, nl)}));
            }
        };
        walk(0, Fraction{1, 1});
    }

    BruteInput in_;
    std::vector<std::vector<int>> atoms_;  // per generation (0 = precursor), per element
    BruteResult result_;
};

}  // namespace mv::test
