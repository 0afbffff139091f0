// CRkBMPImage::OutputBMPImage: the image as an upright Windows bitmap file.
#include <stdio.h>
#include <string.h>

#include <vector>

#include "rkcorr/bmpimage.h"
#include "rkcorr/platform_memory.h"

namespace {

void PutWord(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutDword(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

// The file holds a 14-byte file header, a copy of the info header with a
// positive height, biClrUsed palette entries and the rows of the header's row
// size R, bottom row of the picture first. An image whose row stride was made
// smaller than R (SetLineByte) cannot supply R bytes a row and is refused
// before the file is touched. A width of 0 or less gives R <= 0: the file
// then holds the headers and the palette, and no row.
BOOL CRkBMPImage::OutputBMPImage(const char* path) const {
    const int64_t rowBits = static_cast<int64_t>(m_pHeader->biBitCount) * m_pHeader->biWidth;
    const int64_t rowSize64 = (rowBits + 31) / 32 * 4;
    if (rowSize64 > GetLineByteSize()) return FALSE;
    const size_t rowSize = rowSize64 > 0 ? static_cast<size_t>(rowSize64) : 0;

    std::vector<BYTE> row;
    try {
        row.resize(rowSize);
    } catch (...) {
        return FALSE;
    }

    FILE* stream = nullptr;
    if (path == nullptr || fopen_s(&stream, path, "wb") != 0 || stream == nullptr) return FALSE;

    const DWORD height = m_dwHeight;
    const DWORD offBits = 54u + 4u * m_pHeader->biClrUsed;
    BYTE fileHeader[sizeof(BITMAPFILEHEADER)];
    PutWord(fileHeader + 0, 19778);  // "BM"
    PutDword(fileHeader + 2, height * static_cast<DWORD>(rowSize64) + offBits);
    PutWord(fileHeader + 6, 0);
    PutWord(fileHeader + 8, 0);
    PutDword(fileHeader + 10, offBits);
    fwrite(fileHeader, 1, sizeof fileHeader, stream);

    BITMAPINFOHEADER info = *m_pHeader;
    if (info.biHeight < 0) info.biHeight = static_cast<LONG>(0u - static_cast<DWORD>(info.biHeight));
    fwrite(&info, 1, sizeof info, stream);

    if (m_pHeader->biClrUsed != 0) fwrite(m_pPalette, sizeof(RGBQUAD), m_pHeader->biClrUsed, stream);

    for (DWORD i = 0; rowSize != 0 && i < height; ++i) {
        memcpy(row.data(), GetLineData(height - 1 - i), rowSize);
        fwrite(row.data(), 1, rowSize, stream);
    }
    fflush(stream);
    fclose(stream);
    return TRUE;
}
