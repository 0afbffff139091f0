// The merge passes on a synthetic A4 page at 300 dpi (2480 x 3508): 3000
// characters in text lines, specks left over by the text erasure, three
// pictures broken into many components, a few rules and boxes. The library's
// passes run beside the plain list reference of the tests on the same input.
#include <benchmark/benchmark.h>

#include <random>

#include "restore/merge.h"
#include "restore/merge_reference.h"  // tests/restore

namespace {

const unsigned kW = 2480, kH = 3508;

struct PageRects {
    std::vector<IMGRect> labels, chars, boxes;
};

PageRects make_page(size_t specks) {
    std::mt19937 rng(1);
    PageRects p;
    // Two columns of 30 lines of 50 characters of 18 x 40.
    for (unsigned col = 0; col < 2; ++col)
        for (unsigned line = 0; line < 30; ++line)
            for (unsigned c = 0; c < 50; ++c) {
                const unsigned short x = (unsigned short)(150 + col * 1150 + c * 21),
                                     y = (unsigned short)(200 + line * 100);
                p.chars.push_back(IMGRect(x, y, (unsigned short)(x + 18), (unsigned short)(y + 40)));
            }
    p.boxes.push_back(IMGRect(140, 190, 1210, 3150));
    p.boxes.push_back(IMGRect(1290, 190, 2360, 3150));
    // Specks: pieces of characters and noise all over the page.
    for (size_t i = 0; i < specks; ++i) {
        const unsigned short x = (unsigned short)(rng() % kW), y = (unsigned short)(rng() % kH);
        p.labels.push_back(IMGRect(x, y, (unsigned short)(x + rng() % 6), (unsigned short)(y + rng() % 6)));
    }
    // Pictures in fragments.
    for (unsigned pic = 0; pic < 3; ++pic) {
        const unsigned x0 = 300 + pic * 700, y0 = 3200 - pic * 1200;
        for (int i = 0; i < 400; ++i) {
            const unsigned short x = (unsigned short)(x0 + rng() % 560),
                                 y = (unsigned short)(y0 + rng() % 260);
            p.labels.push_back(
                IMGRect(x, y, (unsigned short)(x + 3 + rng() % 40), (unsigned short)(y + 3 + rng() % 40)));
        }
    }
    for (unsigned r = 0; r < 5; ++r)
        p.labels.push_back(
            IMGRect(150, (unsigned short)(250 + r * 600), 2300, (unsigned short)(252 + r * 600)));
    return p;
}

std::list<IMGRect*> list_of(std::vector<IMGRect>& v) {
    std::list<IMGRect*> l;
    for (IMGRect& r : v) l.push_back(&r);
    return l;
}

template <bool Library>
void first_passes(benchmark::State& state) {
    const PageRects page = make_page(size_t(state.range(0)));
    size_t left = 0;
    for (auto _ : state) {
        PageRects p = page;
        std::list<IMGRect*> l = list_of(p.labels);
        if (Library) {
            merge_step1(&p.chars, &l);
            merge_step_margin(&l, kW, kH);
            merge_step2(&p.chars, &l);
            set_rect_attribute(&l);
            merge_step_mark_inbox(&l, &p.boxes);
            merge_step_erase_disablerc(&l);
        } else {
            ref::step1(&p.chars, &l);
            ref::margin(&l, kW, kH);
            ref::step2(&p.chars, &l);
            ref::attribute(&l);
            ref::inbox(&l, &p.boxes);
            ref::sweep(&l);
        }
        left = l.size();
        benchmark::DoNotOptimize(l);
    }
    state.counters["left"] = double(left);
    state.counters["labels"] = double(page.labels.size());
}

template <bool Library>
void last_passes(benchmark::State& state) {
    const PageRects page = make_page(size_t(state.range(0)));
    const unsigned tiny = ((kH / 200) * kW) / 200;
    for (auto _ : state) {
        PageRects p = page;
        std::list<IMGRect*> l = list_of(p.labels);
        l.sort(compare());
        if (Library) {
            merge_image(&l);
            merge_step_mark_tinyrc(&l, tiny);
            merge_closeset(&p.chars, &l);
            merge_step_erase_disablerc(&l);
        } else {
            ref::image(&l);
            ref::tiny(&l, tiny);
            ref::closeset(&p.chars, &l);
            ref::sweep(&l);
        }
        benchmark::DoNotOptimize(l);
    }
}

void BM_FirstPasses_Library(benchmark::State& s) { first_passes<true>(s); }
void BM_FirstPasses_Reference(benchmark::State& s) { first_passes<false>(s); }
void BM_LastPasses_Library(benchmark::State& s) { last_passes<true>(s); }
void BM_LastPasses_Reference(benchmark::State& s) { last_passes<false>(s); }

BENCHMARK(BM_FirstPasses_Library)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPasses_Reference)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPasses_Library)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPasses_Reference)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
