// Picture areas the tool finds on a recognised page, to hand to the library
// as the engine's own: ink that the recogniser did not read as confident text,
// less thin rules, gathered into blocks. And the clean-up of the recognition
// that goes with it: low-confidence characters inside such an area are the
// picture's texture read as letters, not text.
//
//   FindPictureAreas   blocks of non-text ink at least 15 mm each way
//   DropPictureNoise   characters of low confidence inside the areas go
#ifndef RKCORR_CLI_PICTURE_FINDER_H
#define RKCORR_CLI_PICTURE_FINDER_H

#include <vector>

#include "cli/page_image.h"
#include "cli/recognition.h"

namespace rkcli {

// Characters at this distance or nearer (confidence 60 and above) count as text.
constexpr uint16_t kSureTextDistance = 400;

// Inclusive boxes of the blocks of the page bits that are neither text the
// recogniser is sure of nor thin rules.
std::vector<Box> FindPictureAreas(const PageImage& page, const Recognition& rec);

// Removes characters of low confidence whose centre lies in one of `areas`;
// lines and regions left empty go, the others get boxes that fit what stays.
void DropPictureNoise(Recognition& rec, const std::vector<Box>& areas);

}  // namespace rkcli

#endif
