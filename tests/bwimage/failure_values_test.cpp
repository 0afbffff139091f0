// OutputBMPImage for a header whose width is 0 or negative: once the file is
// open the result is 1, and the file holds the headers and the palette and
// no row (the row size works out to 0 or less).
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "bwimage/bw_fixture.h"

namespace {

TEST(BmpOutput, WidthOfZeroOrLessWritesHeadersOnly) {
    const std::string path =
        std::string(testing::TempDir()) + "rkcorr_w0_" + std::to_string(getpid()) + ".bmp";
    for (int bpp : {1, 8}) {
        for (LONG width : {0, -1, -8, -100}) {
            BWBuffer dib(16, 3, false, bpp);
            dib.header()->biWidth = width;
            CRkBMPImage img(dib.header(), dib.bits.data(), static_cast<DWORD>(dib.bits.size()));
            ASSERT_EQ(img.OutputBMPImage(path.c_str()), TRUE) << bpp << " " << width;
            std::ifstream in(path, std::ios::binary);
            const std::vector<BYTE> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const DWORD off = 54 + 4 * dib.header()->biClrUsed;
            ASSERT_EQ(f.size(), off) << bpp << " " << width;
            const int64_t row = (int64_t(bpp) * width + 31) / 32 * 4;
            DWORD size;
            memcpy(&size, f.data() + 2, 4);
            EXPECT_EQ(size, DWORD(3 * row) + off);
            LONG written;
            memcpy(&written, f.data() + 18, 4);
            EXPECT_EQ(written, width);
        }
    }
    unlink(path.c_str());
}

}  // namespace
