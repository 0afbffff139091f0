// Labeling against a flood-fill reference on random images; slot reuse, dot images, cancellation, RanAnd.
#include <gtest/gtest.h>

#include <set>

#include "bwimage/bw_reference.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/framepack.h"
#include "rkcorr/runlist.h"

using namespace bwref;

namespace {

typedef std::vector<Rect> Rects;

template <class R>
std::vector<Box> Boxes(const std::vector<R>& v) {
    std::vector<Box> out;
    for (const auto& r : v) out.emplace_back(r.left, r.top, r.right, r.bottom);
    return out;
}

std::vector<Box> Segment(TestDib& b, int dropDots, int connect8, Rect* area = nullptr) {
    Rects out{Rect(1, 2, 3, 4)};
    EXPECT_EQ(b.image().SegmentInit(out, area, dropDots, connect8, 0, nullptr), 1);
    return Boxes(out);
}

// A released frame goes to the next new component, the last released first.
TEST(Labeling, SlotReuseOrder) {
    TestDib merge = TestDib::FromRows({"X.X.....", "XXX.....", "......XX", "...XX..."}),
            dots = TestDib::FromRows({"X...X...", "......XX", "XX......", "...XX..."}),
            cup = TestDib::FromRows({"X...X.XX", "X...X...", "XXXXX.XX"});
    EXPECT_EQ(Segment(merge, 0, 1), (std::vector<Box>{{0, 0, 2, 1}, {6, 2, 7, 2}, {3, 3, 4, 3}}));
    EXPECT_EQ(Segment(dots, 1, 1), (std::vector<Box>{{3, 3, 4, 3}, {0, 2, 1, 2}, {6, 1, 7, 1}}));
    EXPECT_EQ(Segment(cup, 0, 1), (std::vector<Box>{{0, 0, 4, 2}, {6, 2, 7, 2}, {6, 0, 7, 0}}));
}

// True when the frames are distinct components with their boxes, their runs covering each pixel once.
bool AreComponents(const std::vector<TRkImgRectPlus<unsigned short>>& frames, const Components& ref, int w,
                   bool horizontal, bool dropDots) {
    std::vector<int> seen(ref.label.size());
    std::set<int> labels;
    for (const auto& f : frames) {
        int comp = -2;
        for (const auto& run : f.runs)
            for (int p = run.start; p <= run.end; ++p) {
                const int i = horizontal ? run.line * w + p : p * w + run.line;
                if (comp == -2) comp = ref.label[i];
                if (ref.label[i] != comp) return false;
                ++seen[i];
            }
        if (comp < 0 || !labels.insert(comp).second ||
            Box(f.left, f.top, f.right, f.bottom) != ref.boxes[comp])
            return false;
    }
    for (size_t i = 0; i < seen.size(); ++i)
        if (seen[i] != (ref.label[i] >= 0 && !(dropDots && ref.sizes[ref.label[i]] == 1))) return false;
    return true;
}

// Progress that cancels when line `stop` is reached.
struct StopAt : CRkProgress {
    explicit StopAt(unsigned stop) : stop(stop) {}
    void BeginProcessing(unsigned n) override { total = n; }
    int SendProgress(unsigned done) override { return ++sent, done != stop; }
    unsigned stop, total = 0, sent = 0;
};

// Frames are the components (of the long runs for line labeling), dots dropped, erased, drawn; cancelling.
TEST(Labeling, RandomImagesMatchComponents) {
    std::mt19937 rng(21);
    for (int iter = 0; iter < 300; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter % 10 == 0 ? 3 : 90, iter % 10 == 1 ? 3 : 90), f(b.w, b.h);
        const int w = b.w, h = b.h, c8 = rng() % 2, horizontal = rng() % 2, length = rng() % 5;
        Rect area = iter % 4 == 3 ? RandomRect(rng, b) : Rect(0, 0, WORD(w - 1), WORD(h - 1));
        const Components ref = Flood(b, area, c8);
        for (int drop : {0, 1, 2}) {
            std::vector<TRkImgRectPlus<unsigned short>> plus;
            ASSERT_EQ(b.image().LabelingRan(plus, &area, drop, c8, 0, nullptr), 1);
            ASSERT_TRUE(AreComponents(plus, ref, w, true, drop == 1)) << iter;
            ASSERT_EQ(Boxes(plus), Segment(b, drop, c8, &area)) << iter;
        }
        TestDib erased = b, dots(w, h, !b.topDown);  // the dot image is cleared first
        dots.randomFill(rng, 0.5);
        CRkBWImage dotImage = dots.image();
        Rects out;
        erased.image().SegmentInit(out, &area, 1, c8, 1, &dotImage);
        for (int i = 0; i < w * h; ++i) {
            const bool dot = ref.label[i] >= 0 && ref.sizes[ref.label[i]] == 1;
            ASSERT_TRUE(dots.get(i % w, i / w) == dot &&
                        erased.get(i % w, i / w) == (b.get(i % w, i / w) && !dot))
                << iter;
        }
        // Line labeling: the components of the runs of at least `length` pixels along the direction.
        const int s0 = horizontal ? area.left : area.top, e0 = horizontal ? area.right : area.bottom;
        for (int line = horizontal ? area.top : area.left; line <= (horizontal ? area.bottom : area.right);
             ++line)
            for (const auto& [s, e] : Runs(b, line, s0, e0, horizontal, true))
                for (int p = s; p <= e && e - s + 1 >= length; ++p)
                    f.set(horizontal ? p : line, horizontal ? line : p);
        std::vector<TRkImgRectPlus<unsigned short>> plus;
        ASSERT_EQ(b.image().LabelingLineRect(plus, length, horizontal, &area, c8), 1);
        ASSERT_TRUE(AreComponents(plus, Flood(f, area, c8), w, horizontal, false)) << iter;
        ASSERT_EQ(b.image().SegmentLineRect(out, length, horizontal, &area, c8), 1);
        ASSERT_EQ(Boxes(out), Boxes(plus));
        ASSERT_TRUE(length > 1 || !horizontal || Boxes(out) == Segment(b, 0, c8, &area));  // run labeling
        // Cancelled at line k of n (k = n: never): 0, the frames of the lines before; a reused table cleared.
        for (bool lines : {false, true}) {
            const bool rows = !lines || horizontal;
            const int n = rows ? area.bottom - area.top + 1 : area.right - area.left + 1, k = 1 + rng() % n;
            Rect part = area;
            (rows ? part.bottom : part.right) = WORD((rows ? area.top : area.left) + k - 1);
            CRkFramePack pack;
            auto label = [&](Rect& a, Rects& v, unsigned stopAt) {
                StopAt stop(stopAt);
                CRkBWImage img = b.image();
                img.ReplaceProgressObj(&stop);
                const int r = lines ? img.LocalLabelingLineRect(pack, length, horizontal, a, c8, 0)
                                    : img.LocalLabelingRan(pack, a, 0, c8, 0, 0, nullptr);
                lines ? img.SegmentLineRect(v, length, horizontal, &a, c8)
                      : img.SegmentInit(v, &a, 0, c8, 0, nullptr);
                return std::make_tuple(r, stop.total, stop.sent);
            };
            Rects got, want;
            ASSERT_EQ(label(area, got, k),
                      std::make_tuple(int(k == n), unsigned(n), 2 * unsigned(std::min(k + 1, n))));
            label(part, want, ~0u);
            ASSERT_EQ(Boxes(got), Boxes(want)) << iter << " " << lines;
            ASSERT_EQ(size_t(std::count_if(pack.frames.begin(), pack.frames.end(), CRkFramePack::IsLive)),
                      want.size());
        }
    }
    // A dot image not covering the image: 0 and nothing labelled unless dots are kept.
    TestDib b(7, 3), small(6, 3);
    b.set(2, 2);
    CRkBWImage img = b.image(), smallImage = small.image();
    Rects out{Rect(0, 0, 0, 0)};
    CRkFramePack pack;
    EXPECT_EQ(img.SegmentInit(out, nullptr, 1, 1, 0, &smallImage) * 10 + out.size(), 10u);
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 1, 1, 0, 0, &smallImage), 0);
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 0, 1, 0, 0, &smallImage), 1);
}

// RanAnd intersects half-open run lists; out keeps its arrays and the pairs that fit.
TEST(Labeling, RanAndMatchesPixelSets) {
    std::mt19937 rng(6);
    for (int iter = 0; iter < 2000; ++iter) {
        CRunList a(64), b(64), out(iter % 50 ? 96 : 4);
        std::vector<int> in(200), want;  // in: how many of a and b hold the pixel
        for (CRunList* l : {&a, &b})
            for (int x = rng() % 4; x < 190 && l->count < 40; x += 1 + rng() % 12) {
                l->runs[l->count++] = x, l->runs[l->count++] = x + 1 + rng() % 10;
                for (; x < l->runs[l->count - 1]; ++x) ++in[x];
            }
        for (int x = 0; x < 200; ++x)
            if (in[x] == 2 && !want.empty() && want.back() == x)
                want.back() = x + 1;
            else if (in[x] == 2)
                want.push_back(x), want.push_back(x + 1);
        want.resize(std::min<size_t>(want.size(), iter % 50 ? 96 : 4));
        CRkBWImageTool::RanAnd(a, b, out);
        ASSERT_EQ(std::vector<int>(out.runs, out.runs + out.count), want) << iter;
    }
}

}  // namespace
