// A coarse grid over the page that finds, for a rectangle, the candidates
// registered in the cells it touches. The joining passes use it to visit
// only the candidates that can cross, or lie inside, the current one instead
// of the whole list; the results stay those of the full scan because every
// registered candidate is registered in every cell its current extent
// touches (growth adds the new cells), and a query returns a superset.
#ifndef RKCORR_RESTORE_CANDIDATE_GRID_H
#define RKCORR_RESTORE_CANDIDATE_GRID_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "rkcorr/geometry.h"

class CandidateGrid {
public:
    typedef TRkImgRect<unsigned short> Rect;

    // A grid over [0, maxX] x [0, maxY] with room for `nodes` registrations
    // before it allocates again. Allocation failure throws std::bad_alloc.
    CandidateGrid(unsigned int maxX, unsigned int maxY, size_t nodes);

    // Registers `entry` in every cell that the rectangle touches. The
    // rectangle must have left <= right and top <= bottom.
    void add(uint32_t entry, const Rect& r) { add_cells(entry, cells_of(r), CellRange{1, 0, 1, 0}); }

    // Registers `entry`, which grew from `before` to `after`, in the cells
    // that `after` touches and `before` did not.
    void add_growth(uint32_t entry, const Rect& before, const Rect& after) {
        add_cells(entry, cells_of(after), cells_of(before));
    }

    // Calls f(entry) for every registration in the cells that the window
    // touches; an entry can come more than once. The window must have
    // left <= right and top <= bottom.
    template <class F>
    void visit(const Rect& window, F f) const {
        const CellRange c = cells_of(window);
        for (unsigned int y = c.y0; y <= c.y1; ++y) {
            const uint32_t* heads = m_head.data() + size_t(y) * m_cols;
            for (unsigned int x = c.x0; x <= c.x1; ++x)
                for (uint32_t n = heads[x]; n != kNone; n = m_nodes[n].next) f(m_nodes[n].entry);
        }
    }

    // Number of registrations made so far.
    size_t registrations() const { return m_nodes.size(); }

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Node {
        uint32_t entry;
        uint32_t next;
    };
    struct CellRange {
        unsigned int x0, x1, y0, y1;
        bool has(unsigned int x, unsigned int y) const { return x0 <= x && x <= x1 && y0 <= y && y <= y1; }
    };

    CellRange cells_of(const Rect& r) const {
        return CellRange{cell(r.left, m_cols), cell(r.right, m_cols), cell(r.top, m_rows),
                         cell(r.bottom, m_rows)};
    }
    unsigned int cell(unsigned int v, unsigned int count) const {
        const unsigned int c = v >> m_shift;
        return c < count ? c : count - 1;
    }
    void add_cells(uint32_t entry, const CellRange& to, const CellRange& except);

    unsigned int m_shift;
    unsigned int m_cols;
    unsigned int m_rows;
    std::vector<uint32_t> m_head;  // first node of each cell, row by row
    std::vector<Node> m_nodes;
};

#endif
