// Brightness of a colour pixel or palette entry.
#ifndef RKCORR_ENTROPY_BRIGHTNESS_H
#define RKCORR_ENTROPY_BRIGHTNESS_H

// floor((b + g + r) / 3).
inline unsigned char get_brightness(const unsigned char& b, const unsigned char& g,
                                    const unsigned char& r) {
    return static_cast<unsigned char>((unsigned(b) + unsigned(g) + unsigned(r)) / 3u);
}

// The same value for a palette entry, computed without a division:
// (sum * 349525 + 1024) >> 20 equals sum / 3 for every sum from 0 to 765.
inline unsigned char palette_brightness(unsigned b, unsigned g, unsigned r) {
    return static_cast<unsigned char>(((b + g + r) * 349525u + 1024u) >> 20);
}

#endif
