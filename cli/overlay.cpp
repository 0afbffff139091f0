// The overlay picture of a page: picture areas outlined, characters shaded.
#include "cli/overlay.h"

#include <leptonica/allheaders.h>

#include "cli/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rkcli {
namespace {

void ShadeLines(Pix* pix, const std::vector<Line>& lines) {
    for (const Line& l : lines)
        for (const Char& c : l.chars) {
            if (c.box.right <= c.box.left || c.box.bottom <= c.box.top) continue;
            BOX* b = boxCreate(int(c.box.left), int(c.box.top), int(c.box.right - c.box.left),
                               int(c.box.bottom - c.box.top));
            pixBlendInRect(pix, b, 0xFFD04000, 0.35f);  // amber
            boxDestroy(&b);
        }
}

}  // namespace

std::string WriteOverlay(const std::string& path, const PageImage& page, const Recognition& rec,
                         const std::vector<Box>& areas) {
    PixPtr rgb(pixConvertTo32(page.pix.get()));
    if (!rgb) return "cannot make the overlay image";
    for (const TextRegion& r : rec.regions) ShadeLines(rgb.get(), r.lines);
    for (const Table& t : rec.tables)
        for (const Cell& c : t.cells) ShadeLines(rgb.get(), c.lines);
    const int width = std::max(2, int(page.width / 400));
    for (const Box& a : areas) {
        BOX* b = boxCreate(int(a.left), int(a.top), int(a.right - a.left + 1), int(a.bottom - a.top + 1));
        pixRenderBoxArb(rgb.get(), b, width, 220, 0, 0);
        boxDestroy(&b);
    }
    std::string err = WriteAtomically(path, [&rgb](const std::string& tmp) -> std::string {
        if (pixWrite(tmp.c_str(), rgb.get(), IFF_PNG) == 0) return {};
        return errno ? std::strerror(errno) : "write failed";
    });
    if (!err.empty()) return "cannot write the overlay: " + err;
    return {};
}

}  // namespace rkcli
