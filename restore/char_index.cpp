// CharIndex: counts the character rectangles that a candidate holds, through
// a coarse grid, with count_plain as the all-pairs twin it must agree with.
#include "restore/char_index.h"

#include <algorithm>

#include "restore/merge_geometry.h"

CharIndex::CharIndex(const std::vector<IMGRect>* chars) : m_empty(true) {
    if (!chars || chars->empty()) return;
    m_empty = false;
    m_bandEnd.assign(kBands, 0);
    size_t normal = 0;
    for (const IMGRect& c : *chars) {
        if (c.left <= c.right && c.top <= c.bottom) {
            ++m_bandEnd[c.top >> kBandShift];
            ++normal;
        } else {
            m_odd.push_back(Box{c.left, c.top, c.right, c.bottom});
        }
    }
    // Exclusive prefix sums give each band's start; filling advances them to
    // the band's end.
    uint32_t sum = 0;
    for (uint32_t& e : m_bandEnd) {
        const uint32_t n = e;
        e = sum;
        sum += n;
    }
    m_sorted.resize(normal);
    for (const IMGRect& c : *chars)
        if (c.left <= c.right && c.top <= c.bottom)
            m_sorted[m_bandEnd[c.top >> kBandShift]++] = Box{c.left, c.top, c.right, c.bottom};
    uint32_t begin = 0;
    for (uint32_t end : m_bandEnd) {
        if (end - begin > 1)
            std::sort(m_sorted.begin() + begin, m_sorted.begin() + end,
                      [](const Box& a, const Box& b) { return a.left < b.left; });
        begin = end;
    }
}

unsigned int CharIndex::count(const TRkImgRect<unsigned short>& r, unsigned int limit) const {
    if (m_empty || limit == 0) return 0;
    unsigned int n = 0;
    // A normal character inside r has its top in [r.top, r.bottom] and its
    // left in [r.left, r.right]; a wrapped r holds no normal character.
    if (r.left <= r.right && r.top <= r.bottom) {
        const Box* base = m_sorted.data();
        const unsigned int lastBand = r.bottom >> kBandShift;
        for (unsigned int band = r.top >> kBandShift; band <= lastBand; ++band) {
            const Box* it = base + (band ? m_bandEnd[band - 1] : 0);
            const Box* end = base + m_bandEnd[band];
            if (it == end) continue;
            it = std::lower_bound(it, end, r.left, [](const Box& b, unsigned short x) { return b.left < x; });
            for (; it != end && it->left <= r.right; ++it) {
                if (it->top >= r.top && it->right <= r.right && it->bottom <= r.bottom) {
                    if (++n >= limit) return n;
                }
            }
        }
    }
    for (const Box& c : m_odd) {
        if (r.left <= c.left && c.right <= r.right && r.top <= c.top && c.bottom <= r.bottom) {
            if (++n >= limit) return n;
        }
    }
    return n;
}
