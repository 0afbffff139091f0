// Labeling against flood fill on random images; slot reuse, dot images, cancellation, RanAnd.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/framepack.h"
#include "rkcorr/runlist.h"

using namespace bwref;

namespace {

typedef std::vector<Rect> Rects;

std::vector<Box> Boxes(const Rects& v, bool sorted = false) {
    std::vector<Box> out;
    for (const auto& r : v) out.emplace_back(r.left, r.top, r.right, r.bottom);
    if (sorted) std::sort(out.begin(), out.end());
    return out;
}

std::vector<Box> Segment(TestDib& b, int dropDots, int connect8, Rect* area = nullptr, bool sorted = false) {
    Rects out{Rect(1, 2, 3, 4)};
    EXPECT_EQ(b.image().SegmentInit(out, area, dropDots, connect8, 0, nullptr), 1);
    return Boxes(out, sorted);
}

// A released frame goes to the next new component, the last released first.
TEST(Labeling, SlotReuseOrder) {
    struct Case {
        std::vector<const char*> rows;
        int dropDots;
        std::vector<Box> want;
    } cases[] = {
        {{"X.X.....", "XXX.....", "......XX", "...XX..."}, 0, {{0, 0, 2, 1}, {6, 2, 7, 2}, {3, 3, 4, 3}}},
        {{"X...X...", "......XX", "XX......", "...XX..."}, 1, {{3, 3, 4, 3}, {0, 2, 1, 2}, {6, 1, 7, 1}}},
        {{"X...X...", "......XX", "XX......", "...XX..."},
         0,
         {{0, 0, 0, 0}, {4, 0, 4, 0}, {6, 1, 7, 1}, {0, 2, 1, 2}, {3, 3, 4, 3}}},
        {{"X...X.XX", "X...X...", "XXXXX.XX"}, 0, {{0, 0, 4, 2}, {6, 2, 7, 2}, {6, 0, 7, 0}}},
        {{"....", ".X..", "...."}, 1, {}},  // only dropDots == 1 drops a dot
        {{"....", ".X..", "...."}, 2, {{1, 1, 1, 1}}},
    };
    for (auto& c : cases) {
        TestDib b = TestDib::FromRows(c.rows);
        EXPECT_EQ(Segment(b, c.dropDots, 1), c.want) << c.rows[0] << " " << c.dropDots;
    }
}

TEST(Labeling, DotsErasedOrDrawnIntoTheDotImage) {
    TestDib b = TestDib::FromRows({"X.....X", "...XX..", "......X"}), dots(7, 3, true), small(6, 3);
    dots.fillRect(0, 0, 6, 2);  // cleared first
    CRkBWImage img = b.image(), dimg = dots.image(), simg = small.image();
    Rects out;
    img.SegmentInit(out, nullptr, 1, 1, 0, &dimg);
    EXPECT_EQ(Boxes(out), (std::vector<Box>{{3, 1, 4, 1}}));
    for (int k = 0; k < 21; ++k) EXPECT_EQ(dots.get(k % 7, k / 7), k == 0 || k == 6 || k == 20) << k;
    EXPECT_TRUE(b.get(0, 0) && b.get(6, 0) && b.get(6, 2));
    img.SegmentInit(out, nullptr, 1, 1, 1, nullptr);
    EXPECT_FALSE(b.get(0, 0) || b.get(6, 0) || b.get(6, 2));
    EXPECT_TRUE(b.get(3, 1) && b.get(4, 1));
    // A dot image not covering the image: nothing labelled unless dots are kept.
    out.assign(1, Rect(0, 0, 0, 0));
    EXPECT_EQ(img.SegmentInit(out, nullptr, 1, 1, 0, &simg), 1);
    EXPECT_TRUE(out.empty());
    CRkFramePack pack;
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 1, 1, 0, 0, &simg), 0);
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 0, 1, 0, 0, &simg), 1);
}

TEST(Labeling, RandomImagesMatchFloodFill) {
    std::mt19937 rng(21);
    for (int iter = 0; iter < 300; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter % 10 == 0 ? 3 : 90, iter % 10 == 1 ? 3 : 90);
        const int w = b.w, h = b.h;
        Rect area = iter % 4 == 3 ? RandomRect(rng, b) : Rect(0, 0, WORD(w - 1), WORD(h - 1));
        for (int c8 = 0; c8 < 2; ++c8) {
            const Components ref = Flood(
                w, h, [&](int x, int y) { return b.get(x, y); }, area.left, area.top, area.right, area.bottom,
                c8);
            std::vector<Box> all = ref.boxes, noDots;
            for (size_t i = 0; i < ref.boxes.size(); ++i)
                if (ref.sizes[i] > 1) noDots.push_back(ref.boxes[i]);
            std::sort(all.begin(), all.end()), std::sort(noDots.begin(), noDots.end());
            ASSERT_EQ(Segment(b, 0, c8, &area, true), all) << iter;
            ASSERT_EQ(Segment(b, 1, c8, &area, true), noDots) << iter;
            // LabelingRan: SegmentInit's rectangles in order, runs exactly the component.
            std::vector<TRkImgRectPlus<unsigned short>> plus;
            ASSERT_EQ(b.image().LabelingRan(plus, &area, 1, c8, 0, nullptr), 1);
            std::vector<Box> plusBoxes;
            for (const auto& f : plus) {
                plusBoxes.emplace_back(f.left, f.top, f.right, f.bottom);
                const int comp =
                    f.runs.empty() ? -1 : ref.label[f.runs.front().line * w + f.runs.front().start];
                int pixels = 0;
                for (const auto& run : f.runs)
                    for (int x = run.start; x <= run.end; ++x, ++pixels)
                        ASSERT_EQ(ref.label[run.line * w + x], comp) << iter;
                ASSERT_GE(comp, 0);
                ASSERT_EQ(pixels, ref.sizes[comp]);
                ASSERT_EQ(plusBoxes.back(), ref.boxes[comp]);
            }
            ASSERT_EQ(plusBoxes, Segment(b, 1, c8, &area));
        }
    }
}

// Line labeling equals run labeling of a copy holding only the long runs.
TEST(Labeling, LineLabelingMatchesLabelingOfTheLongRuns) {
    std::mt19937 rng(3);
    for (int iter = 0; iter < 120; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, 60, 60), f(b.w, b.h);
        CRkBWImage img = b.image();
        const int c8 = iter % 4 < 2, horizontal = iter % 3 == 0, length = iter % 5;
        for (int line = 0; line < (horizontal ? b.h : b.w); ++line)
            for (const auto& [s, e] : Runs(b, line, 0, (horizontal ? b.w : b.h) - 1, horizontal, true))
                if (e - s + 1 >= length)
                    for (int p = s; p <= e; ++p) f.set(horizontal ? p : line, horizontal ? line : p);
        Rects out;
        img.SegmentLineRect(out, length, horizontal, nullptr, c8);
        if (length <= 1 && horizontal) {  // the run labeling itself, in its order
            ASSERT_EQ(Boxes(out), Segment(b, 0, c8));
        }
        ASSERT_EQ(Boxes(out, true), Segment(f, 0, c8, nullptr, true)) << iter;
        std::vector<TRkImgRectPlus<unsigned short>> plus;  // runs lie along the direction
        img.LabelingLineRect(plus, length, horizontal, nullptr, c8);
        ASSERT_EQ(plus.size(), out.size());
        for (const auto& fr : plus)
            for (const auto& r : fr.runs)
                for (int p = r.start; p <= r.end; ++p)
                    ASSERT_TRUE(horizontal ? f.get(p, r.line) : f.get(r.line, p));
    }
}

struct StopAt : CRkProgress {
    explicit StopAt(unsigned stop) : stop(stop) {}
    void BeginProcessing(unsigned n) override { total = n, ++begins; }
    int SendProgress(unsigned done) override { return sent.push_back(done), done != stop; }
    void EndProcessing() override { ++ends; }
    unsigned stop, total = 0;
    int begins = 0, ends = 0;
    std::vector<unsigned> sent;
};

// A cancelled labeling returns 0; the wrappers report what was found up to there.
TEST(Labeling, CancellationStopsAtTheRequestedRow) {
    std::mt19937 rng(8);
    TestDib b(50, 40);
    b.blobFill(rng, 60);
    CRkBWImage img = b.image();
    Rect area(3, 5, 45, 34), rows(3, 5, 45, 14), cols(3, 5, 6, 34);
    CRkFramePack pack;
    Rects out, want;
    StopAt stop(10), lines(4), never(1000);
    img.ReplaceProgressObj(&stop);
    EXPECT_EQ(img.LocalLabelingRan(pack, area, 0, 1, 0, 0, nullptr), 0);
    EXPECT_EQ(stop.total * 100 + stop.ends * 10 + stop.sent.size(), 3011u);
    EXPECT_EQ(stop.sent.back(), 10u);
    EXPECT_EQ(img.SegmentInit(out, &area, 0, 1, 0, nullptr), 1);
    img.SetDefaultProgressObj();
    img.SegmentInit(want, &rows, 0, 1, 0, nullptr);
    EXPECT_EQ(Boxes(out), Boxes(want));
    EXPECT_FALSE(out.empty());
    img.ReplaceProgressObj(&lines);
    EXPECT_EQ(img.LocalLabelingLineRect(pack, 1, 0, area, 1, 0), 0);
    EXPECT_EQ(lines.total, 43u);  // columns 3 to 45
    img.SegmentLineRect(out, 1, 0, &area, 1);
    img.SetDefaultProgressObj();
    img.SegmentLineRect(want, 1, 0, &cols, 1);
    EXPECT_EQ(Boxes(out), Boxes(want));
    img.ReplaceProgressObj(&never);
    EXPECT_EQ(img.LocalLabelingRan(pack, area, 1, 1, 0, 0, nullptr), 1);
    EXPECT_EQ(never.begins * 100 + never.ends * 10 + never.sent.size(), 140u);
}

// RanAnd intersects half-open run lists; out keeps its arrays and the pairs that fit.
TEST(Labeling, RanAndMatchesPixelSets) {
    EXPECT_THROW(CRunList(-3), std::bad_array_new_length);
    CRunList c(20);
    EXPECT_EQ(c.ownerCapacity * 100 + CRunList(-2).ownerCapacity, 1100);
    c.runs[0] = 0, c.runs[1] = 11, c.count = 2;
    c.ConvertData();  // ends become inclusive
    EXPECT_EQ(c.runs[1], 10);
    std::mt19937 rng(6);
    for (int iter = 0; iter < 2000; ++iter) {
        CRunList a(64), b(64), out(iter % 50 ? 96 : 4);
        std::vector<bool> in(200, false);
        for (CRunList* l : {&a, &b})
            for (int x = rng() % 4; x < 190 && l->count < 40; x += 1 + rng() % 12) {
                const int end = x + 1 + rng() % 10;
                l->runs[l->count++] = x, l->runs[l->count++] = end;
                x = end;
            }
        for (int i = 0; i < a.count; i += 2)
            std::fill(in.begin() + a.runs[i], in.begin() + a.runs[i + 1], true);
        std::vector<int> want;
        for (int i = 0; i < b.count; i += 2)
            for (int x = b.runs[i]; x < b.runs[i + 1]; ++x)
                if (in[x] && (want.empty() || want.back() != x))
                    want.push_back(x), want.push_back(x + 1);
                else if (in[x])
                    want.back() = x + 1;
        want.resize(std::min<size_t>(want.size(), iter % 50 ? 96 : 4));
        CRkBWImageTool::RanAnd(a, b, out);
        ASSERT_EQ(std::vector<int>(out.runs, out.runs + out.count), want) << iter;
    }
}

}  // namespace
