// CandidateGrid: coarse buckets of candidate rectangles, so that the joining
// passes compare each candidate only with its near neighbours.
#include "restore/candidate_grid.h"

namespace {
// Cells of at least 32 pixels, at most this many cells.
const unsigned int kMinShift = 5;
const unsigned int kMaxCells = 1u << 14;
}  // namespace

CandidateGrid::CandidateGrid(unsigned int maxX, unsigned int maxY, size_t nodes) : m_shift(kMinShift) {
    while (((maxX >> m_shift) + 1) * ((maxY >> m_shift) + 1) > kMaxCells) ++m_shift;
    m_cols = (maxX >> m_shift) + 1;
    m_rows = (maxY >> m_shift) + 1;
    m_head.assign(size_t(m_cols) * m_rows, kNone);
    m_nodes.reserve(nodes);
}

void CandidateGrid::add_cells(uint32_t entry, const CellRange& to, const CellRange& except) {
    for (unsigned int y = to.y0; y <= to.y1; ++y) {
        uint32_t* heads = m_head.data() + size_t(y) * m_cols;
        for (unsigned int x = to.x0; x <= to.x1; ++x) {
            if (except.has(x, y)) continue;
            m_nodes.push_back(Node{entry, heads[x]});
            heads[x] = static_cast<uint32_t>(m_nodes.size() - 1);
        }
    }
}
