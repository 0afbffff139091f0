// The recognition of one page as the command-line tool carries it: what an
// OCR engine found (text regions of lines of characters, tables of cells,
// excluded regions, picture areas), independent of the engine that made it.
#ifndef RKCORR_CLI_RECOGNITION_H
#define RKCORR_CLI_RECOGNITION_H

#include <cstdint>
#include <string>
#include <vector>

namespace rkcli {

// Pixel box as the engine's records hold it: left, top, right, bottom.
struct Box {
    uint32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct Char {
    uint16_t code = 0;  // UCS-2
    Box box;
    uint16_t dist = 0;  // distance of the chosen candidate; 0 is a sure reading
};

struct Line {
    Box box;
    std::vector<Char> chars;
};

struct TextRegion {
    Box box;
    std::vector<Line> lines;
};

struct Cell {
    Box box;
    uint8_t indexX = 0, indexY = 0, mergeX = 1, mergeY = 1;
    std::vector<Line> lines;
};

struct Table {
    Box box;
    uint8_t sizeX = 0, sizeY = 0;
    std::vector<Cell> cells;
};

struct Recognition {
    uint32_t width = 0, height = 0;  // 0 when not given (JSON input)
    std::vector<TextRegion> regions;
    std::vector<Table> tables;
    std::vector<TextRegion> excluded;  // regions the engine marked excluded
    std::vector<Box> engineAreas;      // picture areas the engine found

    size_t CharacterCount() const;
};

}  // namespace rkcli

#endif
