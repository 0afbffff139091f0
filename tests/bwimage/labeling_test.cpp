// Labeling against a union-find reference on random images; slot reuse, dot images, cancellation, RanAnd.
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

// A released frame goes to the next new component, the last released first; only dropDots 1 drops dots.
TEST(Labeling, SlotReuseOrder) {
    const struct {
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
        {{"....", ".X..", "...."}, 1, {}},
        {{"....", ".X..", "...."}, 2, {{1, 1, 1, 1}}},
    };
    for (auto& c : cases) {
        TestDib b = TestDib::FromRows(c.rows);
        EXPECT_EQ(Segment(b, c.dropDots, 1), c.want) << c.rows[0] << " " << c.dropDots;
    }
}

// True when each frame is one component (a distinct one, of its box, runs along rows or columns) and the
// frames cover pixel i want(i) times.
template <class Want>
bool AreComponents(const std::vector<TRkImgRectPlus<unsigned short>>& frames, const Components& ref, int w,
                   bool horizontal, Want want) {
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
        if (seen[i] != want(int(i))) return false;
    return true;
}

// The frames of both labelings are the components of the area (of its long runs for line labeling), in
// the wrappers' order; the dots dropped are the one-pixel ones, erased and drawn on request.
TEST(Labeling, RandomImagesMatchComponents) {
    std::mt19937 rng(21);
    for (int iter = 0; iter < 300; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter % 10 == 0 ? 3 : 90, iter % 10 == 1 ? 3 : 90), f(b.w, b.h);
        const int w = b.w, h = b.h, c8 = rng() % 2, horizontal = rng() % 2, length = rng() % 5;
        Rect area = iter % 4 == 3 ? RandomRect(rng, b) : Rect(0, 0, WORD(w - 1), WORD(h - 1));
        auto flood = [&](const TestDib& d) {
            return Flood(
                w, h, [&](int x, int y) { return d.get(x, y); }, area.left, area.top, area.right, area.bottom,
                c8);
        };
        const Components ref = flood(b);
        auto dot = [&](int i) { return ref.label[i] >= 0 && ref.sizes[ref.label[i]] == 1; };
        for (int drop : {0, 1}) {
            std::vector<TRkImgRectPlus<unsigned short>> plus;
            ASSERT_EQ(b.image().LabelingRan(plus, &area, drop, c8, 0, nullptr), 1);
            auto kept = [&](int i) { return ref.label[i] >= 0 && !(drop && dot(i)); };
            ASSERT_TRUE(AreComponents(plus, ref, w, true, kept)) << iter;
            ASSERT_EQ(Boxes(plus), Segment(b, drop, c8, &area)) << iter;
        }
        TestDib erased = b, dots(w, h, !b.topDown);  // the dot image is cleared first
        dots.randomFill(rng, 0.5);
        CRkBWImage dotImage = dots.image();
        Rects out;
        erased.image().SegmentInit(out, &area, 1, c8, 1, &dotImage);
        for (int i = 0; i < w * h; ++i)
            ASSERT_TRUE(dots.get(i % w, i / w) == dot(i) &&
                        erased.get(i % w, i / w) == (b.get(i % w, i / w) && !dot(i)))
                << iter;
        // Line labeling: the components of the runs of at least `length` pixels along the direction.
        const int s0 = horizontal ? area.left : area.top, e0 = horizontal ? area.right : area.bottom;
        for (int line = horizontal ? area.top : area.left; line <= (horizontal ? area.bottom : area.right);
             ++line)
            for (const auto& [s, e] : Runs(b, line, s0, e0, horizontal, true))
                for (int p = s; p <= e && e - s + 1 >= length; ++p)
                    f.set(horizontal ? p : line, horizontal ? line : p);
        const Components longRef = flood(f);
        std::vector<TRkImgRectPlus<unsigned short>> plus;
        ASSERT_EQ(b.image().LabelingLineRect(plus, length, horizontal, &area, c8), 1);
        ASSERT_TRUE(AreComponents(plus, longRef, w, horizontal, [&](int i) { return longRef.label[i] >= 0; }))
            << iter;
        ASSERT_EQ(b.image().SegmentLineRect(out, length, horizontal, &area, c8), 1);
        ASSERT_EQ(Boxes(out), Boxes(plus));
        ASSERT_TRUE(length > 1 || !horizontal || Boxes(out) == Segment(b, 0, c8, &area));  // run labeling
    }
    // A dot image not covering the image: nothing labelled unless dots are kept.
    TestDib b(7, 3), small(6, 3);
    b.set(2, 2);
    CRkBWImage img = b.image(), smallImage = small.image();
    Rects out{Rect(0, 0, 0, 0)};
    EXPECT_EQ(img.SegmentInit(out, nullptr, 1, 1, 0, &smallImage), 1);
    EXPECT_TRUE(out.empty());
    CRkFramePack pack;
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 1, 1, 0, 0, &smallImage), 0);
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 0, 1, 0, 0, &smallImage), 1);
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
    std::vector<Box> live;  // the table reused: only this labeling's frames
    for (const auto& f : pack.frames)
        if (CRkFramePack::IsLive(f)) live.emplace_back(f.left, f.top, f.right, f.bottom);
    EXPECT_EQ(live, Segment(b, 1, 1, &area));
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
