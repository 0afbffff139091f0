// commit_result on its own: return values, the write-back limit and the
// blocks it must leave alone.
#include <gtest/gtest.h>

#include <list>
#include <vector>

#include "restore/commit.h"
#include "restore/stages.h"
#include "rkcorr/platform_memory.h"
#include "pageblock/page_builder.h"

namespace {

struct Locked {
    explicit Locked(const rkpage::PageBlocks& p)
        : page(p), head(static_cast<tagOCRHEAD*>(GlobalLock(p.head()))) {}
    ~Locked() { GlobalUnlock(page.head()); }
    const rkpage::PageBlocks& page;
    tagOCRHEAD* head;
};

TEST(Commit, NullArgumentsAndLockFailure) {
    rkpage::PageDesc desc(rkpage::Canvas(32, 32));
    desc.areas = {tagIMGAREAREC{1, 5, 1, 5}};
    rkpage::PageBlocks page(desc);
    const std::vector<BYTE> before = page.area_bytes();
    std::list<IMGRect*> list;
    std::vector<IMGRect> chars;
    {
        Locked l(page);
        EXPECT_EQ(commit_result(nullptr, &list, &chars, 32, 32), -1);
        EXPECT_EQ(commit_result(l.head, nullptr, &chars, 32, 32), -1);
        RkTestFailNthLock(1);
        EXPECT_EQ(commit_result(l.head, &list, &chars, 32, 32), -1);
        RkTestFailNthLock(0);
        EXPECT_EQ(RkTestTotalLocks(), 1u);
    }
    EXPECT_EQ(page.area_bytes(), before);
    EXPECT_TRUE(list.empty());
}

TEST(Commit, CountsEverySurvivorButWritesAHundred) {
    // 150 found areas of 4 x 4, 20 apart, and 10 engine areas far from them.
    rkpage::PageDesc desc(rkpage::Canvas(32, 32));
    desc.areaFill = 0xA5;
    desc.areaRecords = 120;
    for (WORD i = 0; i < 10; ++i)
        desc.areas.push_back(tagIMGAREAREC{WORD(3000 + 20 * i), WORD(3003 + 20 * i), 10, 13});
    rkpage::PageBlocks page(desc);
    const std::vector<BYTE> before = page.area_bytes();
    std::vector<IMGRect> found;
    for (unsigned i = 0; i < 150; ++i) {
        const unsigned short x = (unsigned short)(20 * (i % 30)), y = (unsigned short)(20 * (i / 30));
        found.push_back(IMGRect(x, y, x + 3, y + 3));
    }
    std::list<IMGRect*> list;
    for (IMGRect& r : found) list.push_back(&r);
    std::vector<IMGRect> chars;
    {
        Locked l(page);
        EXPECT_EQ(commit_result(l.head, &list, &chars, 4000, 150), 160);  // height < 200: nothing is tiny
    }
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    const std::vector<tagIMGAREAREC> got = page.areas();
    ASSERT_EQ(got.size(), 100u);
    // Sorted by the distance of the top-left corner: the first row of found
    // areas, then the second row, ...; the engine areas come last.
    for (unsigned k = 1; k < got.size(); ++k) {
        const unsigned a =
            unsigned(got[k - 1].wTop) * got[k - 1].wTop + unsigned(got[k - 1].wLeft) * got[k - 1].wLeft;
        const unsigned b = unsigned(got[k].wTop) * got[k].wTop + unsigned(got[k].wLeft) * got[k].wLeft;
        EXPECT_LE(a, b);
    }
    EXPECT_EQ(got[0].wRight, 3u);
    const std::vector<BYTE> after = page.area_bytes();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 810, before.end(), after.begin() + 810));
}

}  // namespace
