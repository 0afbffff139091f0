// The passes that join candidates or drop those holding text: merge_step1,
// merge_step2, merge_image and merge_closeset.
//
// Each pass works on a vector copy of the list's entries (same order, nulls
// included) and writes the entries back at the end. Entries are compared by
// pointer, exactly as on the list: an entry holding the current candidate's
// pointer is skipped, whatever its position.
//
// The inner scans do not visit the whole list. A candidate grid (see
// candidate_grid.h) yields every candidate that can matter to the current
// one: for merge_step1 and merge_image those that share a pixel with it (a
// candidate inside another shares its pixels), for merge_step2 the small ones
// inside it, for merge_closeset those whose bottom-left corner lies within
// reach. Where the first match in list order counts, the yielded entries are
// sorted by position first. Rectangles that wrap (right < left or bottom <
// top) and pointers that occur more than once in the list are kept out of
// the grid and visited every time; a wrapped current candidate scans the
// whole list.
#include <algorithm>

#include "restore/candidate_grid.h"
#include "restore/char_index.h"
#include "restore/merge.h"
#include "restore/merge_geometry.h"

using merge_geom::area;
using merge_geom::contains;
using merge_geom::crosses;
using merge_geom::grow;
using merge_geom::Rect;
using merge_geom::span;

namespace {

typedef std::vector<IMGRect*> Entries;

bool is_normal(const Rect& r) { return r.left <= r.right && r.top <= r.bottom; }

// The candidates of a pass, with the grid and the entries kept out of it.
class Walk {
public:
    // Registers by extent (corner false) or by bottom-left corner (corner
    // true) every live entry that `keep` accepts. `spare` extra registrations
    // are reserved for growth.
    template <class Keep>
    Walk(const std::list<IMGRect*>& list, bool corner, size_t spare, Keep keep)
        : v(list.begin(), list.end()),
          m_corner(corner),
          m_inGrid(v.size(), 0),
          m_grid(max_x(v), max_y(v), v.size() + spare) {
        // Pointers that occur twice would grow behind the grid's back.
        std::vector<IMGRect*> sorted;
        sorted.reserve(v.size());
        for (IMGRect* p : v)
            if (p) sorted.push_back(p);
        std::sort(sorted.begin(), sorted.end());
        const bool repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
        for (uint32_t j = 0; j < v.size(); ++j) {
            IMGRect* p = v[j];
            if (!p || !keep(*p)) continue;
            if ((!corner && !is_normal(*p)) ||
                (repeats && std::binary_search(sorted.begin(), sorted.end(), p) &&
                 std::upper_bound(sorted.begin(), sorted.end(), p) -
                         std::lower_bound(sorted.begin(), sorted.end(), p) >
                     1)) {
                always.push_back(j);
            } else {
                m_inGrid[j] = 1;
                m_grid.add(j, key(*p));
            }
        }
        found.reserve(v.size() + spare + always.size());
    }

    // Entry i joins entry j: j grows to hold i (the grid follows), i goes.
    void join(uint32_t i, uint32_t j) {
        IMGRect* B = v[j];
        const Rect before(*B);
        grow(*B, *v[i]);
        if (m_inGrid[j]) m_grid.add_growth(j, key(before), key(*B));
        v[i] = nullptr;
    }

    // Fills `found` with the entries registered around the window, then the
    // entries kept out of the grid; sorted and unique when `ordered`.
    void gather(const Rect& window, bool ordered) {
        found.clear();
        m_grid.visit(window, [this](uint32_t j) { found.push_back(j); });
        found.insert(found.end(), always.begin(), always.end());
        if (ordered) {
            std::sort(found.begin(), found.end());
            found.erase(std::unique(found.begin(), found.end()), found.end());
        }
    }

    void write_back(std::list<IMGRect*>& list) const { std::copy(v.begin(), v.end(), list.begin()); }

    Entries v;
    std::vector<uint32_t> always;
    std::vector<uint32_t> found;

private:
    Rect key(const Rect& r) const { return m_corner ? Rect(r.left, r.bottom, r.left, r.bottom) : r; }
    static unsigned int max_x(const Entries& v) {
        unsigned int m = 0;
        for (const IMGRect* p : v)
            if (p) m = std::max<unsigned int>(m, std::max(p->left, p->right));
        return m;
    }
    static unsigned int max_y(const Entries& v) {
        unsigned int m = 0;
        for (const IMGRect* p : v)
            if (p) m = std::max<unsigned int>(m, std::max(p->top, p->bottom));
        return m;
    }

    bool m_corner;
    std::vector<char> m_inGrid;
    CandidateGrid m_grid;
};

const auto kEveryEntry = [](const IMGRect&) { return true; };

// Runs turn(j) for the entries j that can matter to A, in list order, until
// it returns true. A wrapped A scans every entry.
template <class Turn>
void in_order(Walk& w, const IMGRect& A, Turn turn) {
    if (!is_normal(A)) {
        for (uint32_t j = 0; j < w.v.size(); ++j)
            if (turn(j)) return;
        return;
    }
    w.gather(A, true);
    for (uint32_t j : w.found)
        if (turn(j)) return;
}

}  // namespace

void merge_step1(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    const CharIndex index(chars);
    Walk w(*candidates, false, 0, kEveryEntry);
    Entries& v = w.v;
    for (uint32_t i = 0; i < v.size(); ++i) {
        IMGRect* A = v[i];
        if (!A) continue;
        // The count is needed only once A contains another candidate; A keeps
        // its extent through its turn, so it is taken then.
        const unsigned int kUnknown = ~0u;
        unsigned int n = kUnknown;
        in_order(w, *A, [&](uint32_t j) {
            IMGRect* B = v[j];
            if (!B || B == A) return false;
            if (contains(*A, *B)) {
                if (n == kUnknown) n = index.count(*A, 5);
                if (n <= 4) v[j] = nullptr;
                return false;
            }
            if (crosses(*A, *B) && !contains(*B, *A)) {
                w.join(i, j);
                return true;
            }
            return false;
        });
    }
    w.write_back(*candidates);
}

void merge_step2(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    const CharIndex index(chars);
    // No candidate changes its extent in this pass, so the ones small enough
    // to be dropped are known from the start, and only they are registered.
    // Dropping within one turn does not depend on the order of the visit.
    Walk w(*candidates, false, 0, [](const IMGRect& r) { return area(r) < 400; });
    Entries& v = w.v;
    for (uint32_t i = 0; i < v.size(); ++i) {
        IMGRect* A = v[i];
        if (!A) continue;
        // A wrapped A can contain only wrapped candidates, all kept out of
        // the grid.
        if (is_normal(*A))
            w.gather(*A, false);
        else
            w.found.assign(w.always.begin(), w.always.end());
        for (uint32_t j : w.found) {
            IMGRect* B = v[j];
            if (B && B != A && contains(*A, *B)) v[j] = nullptr;
        }
        if (index.count(*A, 6) > 5) v[i] = nullptr;
    }
    w.write_back(*candidates);
}

void merge_image(std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    Walk w(*candidates, false, 0, kEveryEntry);
    Entries& v = w.v;
    for (uint32_t i = 0; i < v.size(); ++i) {
        IMGRect* A = v[i];
        if (!A) continue;
        in_order(w, *A, [&](uint32_t j) {
            IMGRect* B = v[j];
            if (!B || B == A) return false;
            if (crosses(*A, *B) || contains(*A, *B) || contains(*B, *A)) {
                w.join(i, j);
                return true;
            }
            return false;
        });
    }
    w.write_back(*candidates);
}

void merge_closeset(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    // Everything that allocates happens before the walk: the grid holds one
    // registration per entry and one per join (each join nulls an entry), all
    // reserved. Memory that cannot be had leaves as std::bad_alloc with the
    // list as it was.
    const CharIndex index(chars);
    Walk w(*candidates, true, candidates->size(), kEveryEntry);
    Entries& v = w.v;
    for (uint32_t i = 0; i < v.size(); ++i) {
        IMGRect* A = v[i];
        if (!A) continue;
        const uint32_t s = span(A->bottom, A->top) + span(A->right, A->left);
        const uint32_t reach = s < 100 ? s : 100;
        const auto lo = [reach](unsigned short c) { return (unsigned short)(c > reach ? c - reach : 0); };
        const auto hi = [reach](unsigned short c) {
            return (unsigned short)(c + reach < 0xFFFFu ? c + reach : 0xFFFFu);
        };
        w.gather(Rect(lo(A->left), lo(A->bottom), hi(A->left), hi(A->bottom)), false);
        // The nearest; on equal distance the first in list order.
        uint32_t best = 0xFFFFFFFFu, bestJ = 0xFFFFFFFFu;
        for (uint32_t j : w.found) {
            IMGRect* B = v[j];
            if (!B || B == A) continue;
            const uint32_t d = span(A->bottom, B->bottom) + span(A->left, B->left);
            if (d <= reach && (d < best || (d == best && j < bestJ))) {
                best = d;
                bestJ = j;
            }
        }
        if (bestJ == 0xFFFFFFFFu) continue;
        IMGRect* B = v[bestJ];
        Rect u(*A);
        grow(u, *B);
        if (index.count(u, 1) == 0) w.join(i, bestJ);
    }
    w.write_back(*candidates);
}
