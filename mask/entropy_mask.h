// The page mask of an 8-bit grey page: light grey levels that are frequent
// enough (share of the pixels above e^-H, H the histogram's entropy) are paper
// background, together with a band of 20 levels below and 19 above them;
// every other pixel becomes black.
// Index: create_entropy_mask, entropy_foreground_levels, EntropyMaskBuilder,
// make_entropy_mask.
#ifndef RKCORR_MASK_ENTROPY_MASK_H
#define RKCORR_MASK_ENTROPY_MASK_H

#include <memory>

#include "bwimage/grey_level.h"

class ImgMask;

// grey: one byte per pixel (0 black, 255 white), rows rowLength bytes apart,
// the page's bottom line first. resolution (dots per metre) goes to both
// resolutions of the mask. Returns a new mask (which may hold no bilevel
// image if its reduction ran out of memory), or null for an empty page or
// when a working buffer cannot be allocated.
ImgMask* create_entropy_mask(unsigned int width, unsigned int height, unsigned int rowLength,
                             unsigned int resolution, unsigned char* grey);

// The background decision alone: flags[i] becomes 1 where pixels of level i
// turn black and 0 where they are background. False, writing nothing, when
// the histogram counts no pixel.
bool entropy_foreground_levels(const unsigned int histogram[256], unsigned char flags[256]);

// The entropy mask for a source that makes and counts its grey rows in one
// pass. Before that pass, the histogram of a sample of rows (every
// kSampleStep-th from kSampleFirst) guesses the background band, and the
// pass hands each grey row to the builder (its sink), which writes the 1-bit
// row for the guess while the grey row is still in the cache. decide() then
// judges the full histogram; only when the guess was wrong (or missing) must
// the source hand every grey row once more. The mask is the one that
// create_entropy_mask makes either way.
class EntropyMaskBuilder : public rkbwimage::GreyRowSink {
public:
    static constexpr unsigned kSampleStep = 32, kSampleFirst = 16;

    EntropyMaskBuilder(unsigned int width, unsigned int height, unsigned int resolution);
    EntropyMaskBuilder(const EntropyMaskBuilder&) = delete;
    EntropyMaskBuilder& operator=(const EntropyMaskBuilder&) = delete;
    ~EntropyMaskBuilder();

    // False when the 1-bit image could not be allocated (no mask then).
    bool ready() const { return m_bw != nullptr; }
    // Number of sample rows of the page (0 for a page of kSampleFirst rows or fewer).
    unsigned int sample_rows() const;
    // Takes the histogram of the sample rows.
    void guess(const unsigned int sample[256]);
    // The counting pass's sink: null when there is no guess to write.
    rkbwimage::GreyRowSink* sink() { return m_guessed ? this : nullptr; }
    // Decides from the histogram of the whole page; false when it counts no
    // pixel (no mask then).
    bool decide(const unsigned int histogram[256]);
    // After decide: true when every grey row must be handed to row() again.
    bool needs_rows() const { return m_rewrite; }
    // After decide and any rows: the mask, reduced from the 1-bit image.
    ImgMask* make_mask();

    // Grey row y of the page (bottom line first) to 1-bit row height - 1 - y.
    void row(unsigned y, const uint8_t* grey) override;

private:
    unsigned int m_width, m_height;
    size_t m_bwRowBytes = 0;
    std::unique_ptr<unsigned char[]> m_header, m_bw;
    bool m_guessed = false, m_rewrite = true;
    bool m_band = true;                 // foreground: the levels outside [m_first, m_first + m_count)
    unsigned m_first = 0, m_count = 0;  // ... else by m_fg
    unsigned char m_fg[256];
};

// The entropy mask of a width x height page whose grey rows come from rows:
// rows(first, step, count, histogram, sink) makes the grey rows first,
// first + step, ... (count of them, bottom line first), counts them into
// histogram and hands each to sink when it is not null. It may throw (a
// pixel without a grey level); nothing is then left allocated. Null for an
// empty page or when the 1-bit image cannot be allocated.
template <class Rows>
ImgMask* make_entropy_mask(unsigned int width, unsigned int height, unsigned int resolution, Rows rows) {
    if (width == 0 || height == 0) return nullptr;
    EntropyMaskBuilder builder(width, height, resolution);
    if (!builder.ready()) return nullptr;
    if (const unsigned int n = builder.sample_rows()) {
        unsigned int sample[256] = {};
        rows(EntropyMaskBuilder::kSampleFirst, EntropyMaskBuilder::kSampleStep, n, sample, nullptr);
        builder.guess(sample);
    }
    unsigned int histogram[256] = {};
    rows(0u, 1u, height, histogram, builder.sink());
    if (!builder.decide(histogram)) return nullptr;
    if (builder.needs_rows()) {
        unsigned int again[256] = {};
        rows(0u, 1u, height, again, &builder);
    }
    return builder.make_mask();
}

#endif
