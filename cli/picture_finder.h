// Picture areas the tool finds on a recognised page, to hand to the library
// as the engine's own: ink that the recogniser did not read as confident text,
// less thin rules, gathered into blocks. And the clean-up of the recognition
// that goes with it: low-confidence characters inside such an area are the
// picture's texture read as letters, not text.
//
//   TextHeight         the height of the page's confident characters
//   SureText           whether a character counts as text
//   FindPictureAreas   blocks of non-text ink at least 15 mm each way
//   DropPictureNoise   characters not sure text inside the areas go
//   HandPictures       the recogniser's areas checked, the found ones added
#ifndef RKCORR_CLI_PICTURE_FINDER_H
#define RKCORR_CLI_PICTURE_FINDER_H

#include <vector>

#include "cli/page_image.h"
#include "cli/recognition.h"

namespace rkcli {

// Characters at this distance or nearer (confidence 60 and above) count as text.
constexpr uint16_t kSureTextDistance = 400;

// Median height of the confident characters of lines of two or more; 0 when
// there are none.
double TextHeight(const Recognition& rec);

// Whether a character of a line of `lineLength` is text the recogniser is sure
// of: confident, and neither alone on its line (a corner mark or dot read as a
// letter) nor more than 2.5 text heights in either direction (a drawing's
// circle or stroke read as one).
bool SureText(const Char& c, size_t lineLength, double textHeight);

// Inclusive boxes of the blocks of the page bits that are neither sure text
// nor rules or ruled tables. Pieces up to 8 mm apart join unless the box they
// make takes in lines of text longer than labels or a column gutter parts
// them; short lines at a block's edge (axis numbers, names) join it.
std::vector<Box> FindPictureAreas(const PageImage& page, const Recognition& rec);

// Removes characters that are not sure text whose centre lies in one of `areas`;
// lines and regions left empty go, the others get boxes that fit what stays.
void DropPictureNoise(Recognition& rec, const std::vector<Box>& areas);

// What a recognition of `page` hands the library: the recogniser's own picture
// areas less those that take in lines of sure text, beside them the areas
// found on the page, and the noise inside those dropped.
void HandPictures(const PageImage& page, Recognition& rec);

}  // namespace rkcli

#endif
