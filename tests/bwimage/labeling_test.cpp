// Labeling: output order with slot reuse, dot dropping, connectivity, line
// labeling, cancellation, the frame table and the run-list helpers. Random
// images are checked against a flood-fill reference written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "bwimage/labeling_reference.h"
#include "support/test_dib.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/framepack.h"
#include "rkcorr/runlist.h"

using BWBuffer = rktest::TestDib;

namespace {

typedef rktest::Box Box;
typedef std::vector<TRkImgRect<unsigned short>> Rects;

std::vector<Box> Boxes(const Rects& v) {
    std::vector<Box> out;
    for (const auto& r : v) out.emplace_back(r.left, r.top, r.right, r.bottom);
    return out;
}

std::vector<Box> Segment(BWBuffer& b, int dropDots, int connect8,
                         TRkImgRect<unsigned short>* area = nullptr) {
    CRkBWImage img = b.image();
    Rects out{TRkImgRect<unsigned short>(1, 2, 3, 4)};
    EXPECT_EQ(img.SegmentInit(out, area, dropDots, connect8, 0, nullptr), 1);
    return Boxes(out);
}

std::vector<Box> Sorted(std::vector<Box> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Output order: a frame released by a join or by a dropped dot is taken by
// the next new component, the last released first; others are appended.
TEST(Labeling, SlotReuseOrder) {
    struct Case {
        std::vector<const char*> rows;
        int dropDots;
        std::vector<Box> want;
    } cases[] = {
        // Row 1 joins the frames of row 0; row 2 takes the slot of (2, 0).
        {{"X.X.....", "XXX.....", "......XX", "...XX..."}, 0, {{0, 0, 2, 1}, {6, 2, 7, 2}, {3, 3, 4, 3}}},
        // Both dots of row 0 dropped, the right one last: row 2 takes its slot.
        {{"X...X...", "......XX", "XX......", "...XX..."}, 1, {{3, 3, 4, 3}, {0, 2, 1, 2}, {6, 1, 7, 1}}},
        {{"X...X...", "......XX", "XX......", "...XX..."},
         0,
         {{0, 0, 0, 0}, {4, 0, 4, 0}, {6, 1, 7, 1}, {0, 2, 1, 2}, {3, 3, 4, 3}}},
        // A U joins its arms: the left arm's frame stays, the right one's is reused.
        {{"X...X.XX", "X...X...", "XXXXX.XX"}, 0, {{0, 0, 4, 2}, {6, 2, 7, 2}, {6, 0, 7, 0}}},
        // Only dropDots == 1 drops a dot; a white image gives nothing.
        {{"....", ".X..", "...."}, 1, {}},
        {{"....", ".X..", "...."}, 2, {{1, 1, 1, 1}}},
        {{"....", "....", "...."}, 0, {}},
    };
    for (auto& c : cases) {
        BWBuffer b = BWBuffer::FromRows(c.rows);
        EXPECT_EQ(Segment(b, c.dropDots, 1), c.want) << c.rows[0] << " " << c.dropDots;
    }
}

TEST(Labeling, EraseDotsAndDotImage) {
    BWBuffer b = BWBuffer::FromRows({"X.....X", "...XX..", "......X"});
    BWBuffer dots(7, 3, true);
    dots.fillRect(0, 0, 6, 2);  // cleared first
    {
        CRkBWImage img = b.image();
        CRkBWImage dimg = dots.image();
        Rects out;
        img.SegmentInit(out, nullptr, 1, 1, 0, &dimg);
        EXPECT_EQ(Boxes(out), (std::vector<Box>{{3, 1, 4, 1}}));
        EXPECT_TRUE(b.get(0, 0) && b.get(6, 0) && b.get(6, 2));  // not erased
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(dots.get(x, y), (x == 0 && y == 0) || (x == 6 && y == 0) || (x == 6 && y == 2));
        img.SegmentInit(out, nullptr, 1, 1, 1, nullptr);
        EXPECT_FALSE(b.get(0, 0) || b.get(6, 0) || b.get(6, 2));
        EXPECT_TRUE(b.get(3, 1) && b.get(4, 1));
    }
    // A dot image that does not cover the image: nothing is labelled.
    BWBuffer small(6, 3);
    CRkBWImage img = b.image();
    CRkBWImage simg = small.image();
    Rects out{TRkImgRect<unsigned short>(0, 0, 0, 0)};
    EXPECT_EQ(img.SegmentInit(out, nullptr, 1, 1, 0, &simg), 1);
    EXPECT_TRUE(out.empty());
    CRkFramePack pack;
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 1, 1, 0, 0, &simg), 0);
    // Without drop-dots the dot image is not looked at.
    EXPECT_EQ(img.LocalLabelingRan(pack, img.GetRkImgRect(), 0, 1, 0, 0, &simg), 1);
}

TEST(Labeling, RandomImagesMatchFloodFill) {
    std::mt19937 rng(21);
    for (int iter = 0; iter < 300; ++iter) {
        const int w = 1 + static_cast<int>(rng() % (iter % 10 == 0 ? 3 : 90));
        const int h = 1 + static_cast<int>(rng() % (iter % 10 == 1 ? 3 : 90));
        BWBuffer b(w, h, iter % 2 == 0);
        if (iter % 3)
            b.randomFill(rng, 0.05 + 0.6 * (iter % 7) / 6.0);
        else
            b.blobFill(rng, 1 + w * h / 40);
        b.dirtyPadding();
        int l = 0, t = 0, r = w - 1, bo = h - 1;
        if (iter % 4 == 3) {
            l = static_cast<int>(rng() % w), r = l + static_cast<int>(rng() % (w - l));
            t = static_cast<int>(rng() % h), bo = t + static_cast<int>(rng() % (h - t));
        }
        TRkImgRect<unsigned short> area(l, t, r, bo);
        for (int c8 = 0; c8 < 2; ++c8) {
            const rktest::Components ref = rktest::Flood(
                w, h, [&](int x, int y) { return b.get(x, y); }, l, t, r, bo, c8 == 1);
            std::vector<Box> noDots;
            for (size_t i = 0; i < ref.boxes.size(); ++i)
                if (ref.sizes[i] > 1) noDots.push_back(ref.boxes[i]);
            ASSERT_EQ(Sorted(Segment(b, 0, c8, &area)), Sorted(ref.boxes)) << iter;
            ASSERT_EQ(Sorted(Segment(b, 1, c8, &area)), Sorted(noDots)) << iter;

            // LabelingRan: rectangles as SegmentInit, in the same order, and the
            // runs of each frame are exactly its component's pixels.
            CRkBWImage img = b.image();
            std::vector<TRkImgRectPlus<unsigned short>> plus;
            ASSERT_EQ(img.LabelingRan(plus, &area, 1, c8, 0, nullptr), 1);
            std::vector<Box> plusBoxes;
            std::vector<int> cover(static_cast<size_t>(w) * h, 0);
            for (const auto& f : plus) {
                plusBoxes.emplace_back(f.left, f.top, f.right, f.bottom);
                int comp = -2, pixels = 0;
                for (const auto& run : f.runs)
                    for (int x = run.start; x <= run.end; ++x) {
                        const int id = ref.label[run.line * w + x];
                        ASSERT_GE(id, 0);
                        if (comp == -2) comp = id;
                        ASSERT_EQ(id, comp);
                        ++cover[run.line * w + x];
                        ++pixels;
                    }
                ASSERT_EQ(pixels, ref.sizes[comp]);
                ASSERT_EQ(plusBoxes.back(), ref.boxes[comp]);
            }
            for (int c : cover) ASSERT_LE(c, 1);
            ASSERT_EQ(plusBoxes, Segment(b, 1, c8, &area));
        }
    }
}

// Line labeling keeps the runs of a minimum length in one direction and
// labels those: by the run labeling of a filtered copy, the same rectangles.
TEST(LineLabeling, MatchesRunLabelingOfTheLongRuns) {
    std::mt19937 rng(3);
    for (int iter = 0; iter < 80; ++iter) {
        const int w = 1 + rng() % 60, h = 1 + rng() % 60;
        BWBuffer b(w, h, iter % 2 == 1);
        b.randomFill(rng, 0.1 + 0.5 * (iter % 5) / 4.0);
        CRkBWImage img = b.image();
        const int c8 = iter % 4 < 2, horizontal = iter % 3 == 0, length = iter % 5;
        Rects out;
        img.SegmentLineRect(out, length, horizontal, nullptr, c8);
        if (length <= 1 && horizontal) {  // the run labeling, in its order
            ASSERT_EQ(Boxes(out), Segment(b, 0, c8));
            continue;
        }
        BWBuffer f(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int run = 0;  // length of the run through (x, y) in the direction
                for (int k = -length; k <= length; ++k) {
                    const int px = horizontal ? x + k : x, py = horizontal ? y : y + k;
                    run = px >= 0 && py >= 0 && px < w && py < h && b.get(px, py) ? run + 1 : k < 0 ? 0 : run;
                    if (k >= 0 && !(px >= 0 && py >= 0 && px < w && py < h && b.get(px, py))) break;
                }
                if (b.get(x, y) && run >= length) f.set(x, y);
            }
        ASSERT_EQ(Sorted(Boxes(out)), Sorted(Segment(f, 0, c8))) << iter;
        std::vector<TRkImgRectPlus<unsigned short>> plus;  // runs lie along the direction
        img.LabelingLineRect(plus, length, horizontal, nullptr, c8);
        ASSERT_EQ(plus.size(), out.size());
        for (const auto& fr : plus)
            for (const auto& r : fr.runs)
                for (int p = r.start; p <= r.end; ++p)
                    ASSERT_TRUE(horizontal ? f.get(p, r.line) : f.get(r.line, p));
    }
}

class StopAt : public CRkProgress {
public:
    explicit StopAt(unsigned int stop) : stop_(stop) {}
    void BeginProcessing(unsigned int total) override {
        total_ = total;
        ++begins;
    }
    int SendProgress(unsigned int done) override {
        sent.push_back(done);
        return done == stop_ ? 0 : 1;
    }
    void EndProcessing() override { ++ends; }
    unsigned int stop_, total_ = 0;
    int begins = 0, ends = 0;
    std::vector<unsigned int> sent;
};

TEST(Labeling, CancellationStopsAtTheRequestedRow) {
    std::mt19937 rng(8);
    BWBuffer b(50, 40);
    b.blobFill(rng, 60);
    CRkBWImage img = b.image();
    TRkImgRect<unsigned short> area(3, 5, 45, 34);
    StopAt stop(10);
    img.ReplaceProgressObj(&stop);
    CRkFramePack pack;
    EXPECT_EQ(img.LocalLabelingRan(pack, area, 0, 1, 0, 0, nullptr), 0);
    EXPECT_EQ(stop.total_, 30u);
    EXPECT_EQ(stop.ends, 0);
    EXPECT_EQ(stop.sent.size(), 11u);
    EXPECT_EQ(stop.sent.back(), 10u);

    // The wrappers report what was found in rows 5 to 14.
    Rects out;
    EXPECT_EQ(img.SegmentInit(out, &area, 0, 1, 0, nullptr), 1);
    img.SetDefaultProgressObj();
    TRkImgRect<unsigned short> part(3, 5, 45, 14);
    Rects want;
    img.SegmentInit(want, &part, 0, 1, 0, nullptr);
    EXPECT_EQ(Boxes(out), Boxes(want));
    EXPECT_FALSE(out.empty());

    StopAt lines(4);
    img.ReplaceProgressObj(&lines);
    EXPECT_EQ(img.LocalLabelingLineRect(pack, 1, 0, area, 1, 0), 0);
    EXPECT_EQ(lines.total_, 43u);  // columns 3 to 45
    img.SegmentLineRect(out, 1, 0, &area, 1);
    img.SetDefaultProgressObj();
    TRkImgRect<unsigned short> cols(3, 5, 6, 34);
    img.SegmentLineRect(want, 1, 0, &cols, 1);
    EXPECT_EQ(Boxes(out), Boxes(want));

    StopAt never(1000);
    img.ReplaceProgressObj(&never);
    EXPECT_EQ(img.LocalLabelingRan(pack, area, 1, 1, 0, 0, nullptr), 1);
    EXPECT_EQ(never.begins, 1);
    EXPECT_EQ(never.ends, 1);
    EXPECT_EQ(never.sent.size(), 30u);
    img.SetDefaultProgressObj();
}

TEST(CRkFramePack, ReleasedFramesAreReusedLastInFirstOut) {
    CRkFramePack pack;
    CRkFramePack::Frame f(1, 1, 2, 2, nullptr);
    CRkFramePack::Frame* a = pack.add_Frame(&f);
    CRkFramePack::Frame* b = pack.add_Frame(&f);
    CRkFramePack::Frame* c = pack.add_Frame(&f);
    a->runs.emplace_back(1, 2, 1);
    pack.del_Frame(a);
    pack.del_Frame(c);
    EXPECT_FALSE(CRkFramePack::IsLive(*a));
    EXPECT_FALSE(CRkFramePack::IsLive(*c));  // end of nothing, but marked released
    EXPECT_EQ(c->left, 65535);
    EXPECT_EQ(c->right, 0);
    EXPECT_EQ(a->runs.size(), 1u);  // kept until reuse
    EXPECT_EQ(pack.add_Frame(&f), c);
    CRkFramePack::Frame* again = pack.add_Frame(&f);
    EXPECT_EQ(again, a);
    EXPECT_TRUE(a->runs.empty());
    EXPECT_TRUE(CRkFramePack::IsLive(*a));
    EXPECT_NE(pack.add_Frame(&f), b);
    EXPECT_EQ(pack.frames.size(), 4u);
    pack.clear();
    EXPECT_TRUE(pack.frames.empty());
    EXPECT_EQ(pack.freeHead, nullptr);
}

// RanAnd intersects lists of half-open runs [start, end); out grows as needed.
TEST(CRunList, SizesConvertAndRanAndDifferential) {
    EXPECT_THROW(CRunList(-3), std::bad_array_new_length);
    EXPECT_EQ(CRunList(-2).ownerCapacity, 0);
    CRunList c(20);
    EXPECT_EQ(c.ownerCapacity, 11);
    c.runs[0] = 0, c.runs[1] = 11, c.count = 2;
    c.ConvertData();  // ends become inclusive
    EXPECT_EQ(c.runs[1], 10);
    EXPECT_EQ(c.owners[0], nullptr);
    std::mt19937 rng(6);
    for (int iter = 0; iter < 2000; ++iter) {
        CRunList a(64), b(64), out(96);
        std::vector<bool> in(200, false);
        for (CRunList* l : {&a, &b}) {
            for (int x = rng() % 4; x < 190 && l->count < 40; x += 1 + rng() % 12) {
                const int end = x + 1 + rng() % 10;
                l->runs[l->count++] = x, l->runs[l->count++] = end;
                x = end;
            }
        }
        for (int i = 0; i < a.count; i += 2)
            for (int x = a.runs[i]; x < a.runs[i + 1]; ++x) in[x] = true;
        std::vector<int> want;
        for (int i = 0; i < b.count; i += 2)
            for (int x = b.runs[i]; x < b.runs[i + 1]; ++x)
                if (in[x] && (want.empty() || want.back() != x))
                    want.push_back(x), want.push_back(x + 1);
                else if (in[x])
                    want.back() = x + 1;
        CRkBWImageTool::RanAnd(a, b, out);
        ASSERT_EQ(std::vector<int>(out.runs, out.runs + out.count), want) << iter;
    }
    // More overlaps than out was made for: out keeps its arrays and the
    // pairs that fit them.
    CRunList a(20), b(20), small(2);
    int ar[] = {0, 3, 6, 9, 12, 15, 18, 21}, br[] = {1, 7, 8, 20};
    std::copy(ar, ar + 8, a.runs), a.count = 8;
    std::copy(br, br + 4, b.runs), b.count = 4;
    CRkBWImageTool::RanAnd(a, b, small);
    EXPECT_EQ(std::vector<int>(small.runs, small.runs + small.count), (std::vector<int>{1, 3}));
}

}  // namespace
