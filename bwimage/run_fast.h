// The row scanner of HRanExtractFast without the bit-count instruction: the
// plain twin that processors without one take, callable on any processor.
#ifndef RKCORR_BWIMAGE_RUN_FAST_H
#define RKCORR_BWIMAGE_RUN_FAST_H

namespace rkrun {

// What HRanExtractFast writes, for the same arguments.
void ScanPlain(const unsigned char* row, int start, int end, int* transitions, int& count);

}  // namespace rkrun

#endif
