/* The engine-record header as an engine written in C includes it: compiled
   as C11 with -pedantic-errors. Reports the record sizes it sees. */
#include <rkcorr/ocr_records.h>

unsigned rkcorr_c_record_size(int which) {
    switch (which) {
        case 0: return (unsigned)sizeof(tagOCRHEAD);
        case 1: return (unsigned)sizeof(tagIMGHEAD);
        case 2: return (unsigned)sizeof(tagRESULT);
        case 3: return (unsigned)sizeof(tagDETAIL);
        case 4: return (unsigned)offsetof(tagDETAIL, bSizeX);
        default: return (unsigned)sizeof(tagIMGAREA);
    }
}
