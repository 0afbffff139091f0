// Run extraction against per-pixel runs on random rows and columns; gaps, ConnectRan, ReDraw.
#include <gtest/gtest.h>

#include <algorithm>

#include "bwimage/bw_reference.h"
#include "bwimage/run_fast.h"
#include "rkcorr/hranextract.h"

using namespace bwref;

namespace {

template <class Run>
RunList Pairs(const std::vector<Run>& v) {
    RunList out;
    for (const Run& r : v) out.emplace_back(r.start, r.end);
    return out;
}

TEST(RunExtraction, ScannerMatchesPerPixelRuns) {
    std::mt19937 rng(11);
    for (int iter = 0; iter < 3000; ++iter) {
        TestDib b(1 + rng() % 300, 1);
        if (iter % 4 == 0)
            b.randomFill(rng, 0.5);
        else
            b.blobFill(rng, iter % 4 == 1 ? 3 : 30);  // long stretches: the word skipping
        if (iter % 4 == 3)
            for (int x = 0; x < b.w; ++x) b.set(x, 0, !b.get(x, 0));
        b.dirtyPadding();
        const int s = rng() % b.w, e = s + rng() % (b.w - s);
        std::vector<int> t(e + 3 - s, -7);
        int count = -1;
        HRanExtractFast(b.row(0), s, e, t.data(), count);
        ASSERT_EQ(count % 2, 0);
        RunList got;
        for (int i = 0; i + 1 < count; i += 2) got.emplace_back(t[i], t[i + 1] - 1);
        ASSERT_EQ(got, Runs(b, 0, s, e, true, true)) << "w " << b.w << " range " << s << ".." << e;
        std::vector<int> plain(t.size(), -7);  // the twin without the bit-count instruction
        int plainCount = -1;
        rkrun::ScanPlain(b.row(0), s, e, plain.data(), plainCount);
        ASSERT_EQ(std::tie(plain, plainCount), std::tie(t, count));
    }
}

TEST(RunExtraction, EverySlotMatchesPerPixelRuns) {
    std::mt19937 rng(5);
    for (int iter = 0; iter < 200; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, 70, 70);
        CRkBWImage img = b.image();
        for (int k = 0; k < 6; ++k) {
            const Rect r = RandomRect(rng, b);
            const int y = rng() % b.h, x = rng() % b.w;
            std::vector<TRkImgRan<unsigned short>> r1;
            std::vector<TRkImgRanPlus<unsigned short>> r2(3);
            std::vector<TRkImgRan2Plus<unsigned short>> r3(2);
            for (bool horizontal : {true, false}) {
                const int line = horizontal ? y : x, s = horizontal ? r.left : r.top,
                          e = horizontal ? r.right : r.bottom;
                const RunList black = Runs(b, line, s, e, horizontal, true);
                horizontal ? img.HRanExtract(r1, line, s, e) : img.VRanExtract(r1, line, s, e);
                horizontal ? img.HRanExtract(&r2, line, s, e) : img.VRanExtract(&r2, line, s, e);
                horizontal ? img.HRanExtract(&r3, line, s, e) : img.VRanExtract(&r3, line, s, e);
                ASSERT_EQ(std::make_tuple(Pairs(r1), Pairs(r2), Pairs(r3)),
                          std::make_tuple(black, black, black));
                for (auto& run : r2) ASSERT_EQ(run.line, line);
                for (auto& run : r3) ASSERT_TRUE(run.line == line && run.owner == nullptr);
                horizontal ? img.HWhiteRanExtract(r1, line, s, e) : img.VWhiteRanExtract(r1, line, s, e);
                ASSERT_EQ(Pairs(r1), Runs(b, line, s, e, horizontal, false));
                // Gaps up to `gap` close; colour 1 is black, any other white.
                const int gap = k % 4, black1 = k % 3 != 0, colour = black1 ? 1 : 2 * (k / 3 % 2);
                img.RanExtract(r1, line, s, e, horizontal, colour, gap);
                ASSERT_EQ(Pairs(r1), Runs(b, line, s, e, horizontal, black1, gap));
                EXPECT_EQ(img.ConnectRan(&r2, WORD(gap)), 0);
                ASSERT_EQ(Pairs(r2), Runs(b, line, s, e, horizontal, true, gap));
                // ReDraw: the window s..e (the whole line without one) cleared, the runs drawn cut to it.
                TestDib want = b;
                std::vector<TRkImgRan<unsigned short>> runs;
                const int lo = k % 3 ? s : 0, hi = k % 3 ? e : (horizontal ? b.w : b.h) - 1;
                for (int p = lo; p <= hi; ++p) want.set(horizontal ? p : line, horizontal ? line : p, false);
                for (int i = rng() % 4; i > 0; --i) {
                    const auto [rs, re] = RandomSpan(rng, horizontal ? b.w : b.h);
                    runs.emplace_back(rs, re);
                    for (int p = std::max(rs, lo); p <= std::min(re, hi); ++p)
                        want.set(horizontal ? p : line, horizontal ? line : p);
                }
                TRkImgRan<unsigned short> window(s, e);
                ASSERT_EQ(img.ReDraw(line, runs, horizontal, k % 3 ? &window : nullptr), 1);
                ASSERT_EQ(b.bits, want.bits) << (horizontal ? "row " : "column ") << line;
            }
        }
    }
}

}  // namespace
