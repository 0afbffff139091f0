// The closeness merge of picture-area candidates, the last joining pass
// before the areas are written back to the engine.
#ifndef RKCORR_MERGE_CLOSESET_H
#define RKCORR_MERGE_CLOSESET_H

#include <list>
#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/imgrect.h"

// Joins close neighbours among `candidates`. Each live candidate A, in list
// order, looks for the other live candidate B whose bottom-left corner is
// nearest in city-block distance d, with d at most the sum of A's two spans
// and at most 100 (ties: the first in list order). When no rectangle of
// `chars` lies wholly inside the bounding box of A and B, B grows to that box
// and A's entry becomes null. Null entries are skipped and left in place;
// entries are never erased. Null `candidates` does nothing; null `chars`
// counts as no characters. Throws nothing.
RKCORR_API void merge_closeset(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates);

#endif
