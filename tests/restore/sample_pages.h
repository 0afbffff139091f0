// Pages shared by the pipeline tests: a realistic page whose expected areas
// are derived by hand in pipeline_test.cpp, and small pages for the choice of
// the mask source.
#ifndef RKCORR_TESTS_RESTORE_SAMPLE_PAGES_H
#define RKCORR_TESTS_RESTORE_SAMPLE_PAGES_H

#include "pageblock/page_builder.h"

namespace sample {

// 1000 x 1400 pixels at 300 dpi:
// - a paragraph of 5 lines of 18 characters (20 x 30, 4 apart) from (100, 100);
// - a picture filling columns 600-899, lines 120-419 with dark colours
//   (every grey level below 128), which the engine also lists as the
//   picture area (610, 130)-(880, 400);
// - a paragraph of 6 lines of 33 characters from (100, 480);
// - a rule across columns 100-899 on lines 770-771;
// - a ruled table of 4 x 3 cells of 200 x 40 from (100, 820), five
//   characters per cell;
// - an unrecognised page number (two digits) on lines 1365-1380 near the
//   bottom margin.
// Text is drawn in dark blue. Only white and levels below 128 occur, so the
// 1-bit page bits and every bitmap depth show the same ink.
inline rkpage::PageDesc realistic_page(rkpage::Format format) {
    using namespace rkpage;
    PageDesc desc(Canvas(1000, 1400));
    desc.format = format;
    std::vector<Line> first, second;
    for (unsigned i = 0; i < 5; ++i) first.push_back(text_line(100, 100 + 45 * i, 20, 30, 4, 18));
    for (unsigned i = 0; i < 6; ++i) second.push_back(text_line(100, 480 + 45 * i, 20, 30, 4, 33));
    desc.regions.push_back(text_region(first));
    desc.regions.push_back(text_region(second));
    desc.regions.push_back(table_region(100, 820, 200, 40, 4, 3, 5));
    draw_regions(desc.image, desc.regions, Rgb{20, 20, 80});
    for (unsigned y = 120; y <= 419; ++y)
        for (unsigned x = 600; x <= 899; ++x)
            desc.image.set(x, y, Rgb{BYTE(60 + (x * 7 + y) % 120), BYTE(20 + (y % 50)), BYTE(90 - (x % 60))});
    desc.image.fill(100, 770, 899, 771, Rgb{0, 0, 0});
    desc.image.frame(490, 1365, 499, 1380, 2, Rgb{0, 0, 0});
    desc.image.fill(505, 1365, 507, 1380, Rgb{0, 0, 0});
    desc.areas.push_back(tagIMGAREAREC{610, 880, 130, 400});
    return desc;
}

}  // namespace sample

#endif
