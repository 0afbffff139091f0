// Run extraction: the byte scanner and the eight extraction slots against a
// per-pixel reference on random rows; gap closing, ConnectRan and ReDraw.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "support/test_dib.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/hranextract.h"

using BWBuffer = rktest::TestDib;

namespace {

typedef std::vector<std::pair<int, int>> Runs;

// Runs of colour `black` of the pixels start..end of a line, pixel by pixel.
Runs ReferenceRuns(const BWBuffer& b, int line, int start, int end, bool horizontal, bool black) {
    Runs out;
    int open = -1;
    for (int p = start; p <= end; ++p) {
        const bool on = (horizontal ? b.get(p, line) : b.get(line, p)) == black;
        if (on && open < 0) open = p;
        if (!on && open >= 0) {
            out.emplace_back(open, p - 1);
            open = -1;
        }
    }
    if (open >= 0) out.emplace_back(open, end);
    return out;
}

// Runs with gaps of at most `gap` pixels between them joined.
Runs Join(Runs runs, int gap) {
    Runs out;
    for (const auto& r : runs)
        if (!out.empty() && r.first - out.back().second - 1 <= gap)
            out.back().second = r.second;
        else
            out.push_back(r);
    return out;
}

template <class Run>
Runs ToPairs(const std::vector<Run>& v) {
    Runs out;
    for (const Run& r : v) out.emplace_back(r.start, r.end);
    return out;
}

std::vector<int> Fast(const BYTE* row, int start, int end) {
    std::vector<int> t(static_cast<size_t>(end + 1 - start) + 2, -7);
    int count = -1;
    HRanExtractFast(row, start, end, t.data(), count);
    t.resize(static_cast<size_t>(count));
    return t;
}

TEST(HRanExtractFast, MatchesPerPixelScanOnRandomRows) {
    std::mt19937 rng(11);
    for (int iter = 0; iter < 3000; ++iter) {
        const int w = 1 + static_cast<int>(rng() % 300);
        BWBuffer b(w, 1);
        // Long white and black stretches exercise the word skipping.
        const int mode = iter % 4;
        if (mode == 0)
            b.randomFill(rng, 0.5);
        else
            b.blobFill(rng, mode == 1 ? 3 : 30);
        if (mode == 3)
            for (int x = 0; x < w; ++x) b.set(x, 0, !b.get(x, 0));
        b.dirtyPadding();
        const int s = static_cast<int>(rng() % w);
        const int e = s + static_cast<int>(rng() % (w - s));
        const std::vector<int> t = Fast(b.row(0), s, e);
        Runs got;
        for (size_t i = 0; i + 1 < t.size(); i += 2) got.emplace_back(t[i], t[i + 1] - 1);
        ASSERT_EQ(t.size() % 2, 0u);
        ASSERT_EQ(got, ReferenceRuns(b, 0, s, e, true, true)) << "w " << w << " range " << s << ".." << e;
    }
}

TEST(RunExtraction, AllSlotsMatchReferenceInBothStorageOrders) {
    std::mt19937 rng(5);
    for (int iter = 0; iter < 200; ++iter) {
        const int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 70);
        BWBuffer b(w, h, iter % 2 == 1);
        if (iter % 3)
            b.randomFill(rng, 0.15 + 0.7 * (iter % 5) / 4.0);
        else
            b.blobFill(rng, 20);
        b.dirtyPadding();
        CRkBWImage img = b.image();
        for (int k = 0; k < 6; ++k) {
            const int y = static_cast<int>(rng() % h), x = static_cast<int>(rng() % w);
            const int xs = static_cast<int>(rng() % w), xe = xs + static_cast<int>(rng() % (w - xs));
            const int ys = static_cast<int>(rng() % h), ye = ys + static_cast<int>(rng() % (h - ys));
            std::vector<TRkImgRan<unsigned short>> r1;
            std::vector<TRkImgRanPlus<unsigned short>> r2(3);
            std::vector<TRkImgRan2Plus<unsigned short>> r3(2);
            img.HRanExtract(r1, y, xs, xe);
            img.HRanExtract(&r2, y, xs, xe);
            img.HRanExtract(&r3, y, xs, xe);
            const Runs hb = ReferenceRuns(b, y, xs, xe, true, true);
            ASSERT_EQ(ToPairs(r1), hb);
            ASSERT_EQ(ToPairs(r2), hb);
            ASSERT_EQ(ToPairs(r3), hb);
            for (auto& r : r2) EXPECT_EQ(r.line, y);
            for (auto& r : r3) {
                EXPECT_EQ(r.line, y);
                EXPECT_EQ(r.owner, nullptr);
            }
            img.VRanExtract(r1, x, ys, ye);
            img.VRanExtract(&r2, x, ys, ye);
            img.VRanExtract(&r3, x, ys, ye);
            const Runs vb = ReferenceRuns(b, x, ys, ye, false, true);
            ASSERT_EQ(ToPairs(r1), vb);
            ASSERT_EQ(ToPairs(r2), vb);
            ASSERT_EQ(ToPairs(r3), vb);
            for (auto& r : r3) EXPECT_EQ(r.owner, nullptr);
            img.HWhiteRanExtract(r1, y, xs, xe);
            ASSERT_EQ(ToPairs(r1), ReferenceRuns(b, y, xs, xe, true, false));
            img.VWhiteRanExtract(r1, x, ys, ye);
            ASSERT_EQ(ToPairs(r1), ReferenceRuns(b, x, ys, ye, false, false));
            // The driver picks the same extraction and closes gaps of up to
            // `gap` pixels; ConnectRan closes them in a run list.
            // Colour 1 is black, any other white.
            const int gap = k % 4, vertical = k % 2, black = k % 3 != 0, colour = black ? 1 : 2 * (k / 3 % 2);
            const Runs want = Join(vertical ? ReferenceRuns(b, x, ys, ye, false, black)
                                            : ReferenceRuns(b, y, xs, xe, true, black),
                                   gap);
            img.RanExtract(r1, vertical ? x : y, vertical ? ys : xs, vertical ? ye : xe, !vertical, colour,
                           gap);
            ASSERT_EQ(ToPairs(r1), want);
            img.HRanExtract(&r2, y, xs, xe);
            EXPECT_EQ(img.ConnectRan(&r2, WORD(gap)), 0);
            ASSERT_EQ(ToPairs(r2), Join(hb, gap));
        }
    }
}

TEST(RunExtraction, ReDrawRewritesOnlyTheWindow) {
    BWBuffer b = BWBuffer::FromRows({"XX.XX.XXXX.XXXXX", "XXXXXXXXXXXXXXXX"});
    CRkBWImage img = b.image();
    std::vector<TRkImgRan<unsigned short>> runs{{0, 5}, {7, 8}, {8, 12}};
    TRkImgRan<unsigned short> window(4, 9);
    EXPECT_EQ(img.ReDraw(0, runs, 1, &window), 1);
    const char* want = "XX.XXX.XXX.XXXXX";
    for (int x = 0; x < 16; ++x) EXPECT_EQ(b.get(x, 0), want[x] == 'X') << x;
    // A run covering the whole window fills it; no window means the whole line.
    std::vector<TRkImgRan<unsigned short>> wide{{0, 15}};
    TRkImgRan<unsigned short> inner(2, 3);
    img.ReDraw(1, wide, 1, &inner);
    for (int x = 0; x < 16; ++x) EXPECT_TRUE(b.get(x, 1));
    std::vector<TRkImgRan<unsigned short>> two{{1, 2}, {14, 15}};
    img.ReDraw(1, two, 1, nullptr);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(b.get(x, 1), x == 1 || x == 2 || x >= 14) << x;
    // Vertical: column 0, whole height.
    std::vector<TRkImgRan<unsigned short>> col{{1, 1}};
    img.ReDraw(0, col, 0, nullptr);
    EXPECT_FALSE(b.get(0, 0));
    EXPECT_TRUE(b.get(0, 1));
}

}  // namespace
