// Progress callback for long toolkit operations.
#ifndef RKCORR_PROGRESS_H
#define RKCORR_PROGRESS_H

#include "rkcorr/export.h"

// An operation that reports calls BeginProcessing once with its number of
// steps, SendProgress after each step with the steps done so far, and stops at
// once, failing, when SendProgress returns 0. EndProcessing follows only a run
// that was not stopped. The default object does nothing and never stops.
class RKCORR_API CRkProgress {
public:
    virtual void BeginProcessing(unsigned int total);
    virtual int SendProgress(unsigned int done);
    virtual void EndProcessing();
};

#endif
