// CRkProgress: the default progress object, which never asks an operation to stop.
#include "rkcorr/progress.h"

void CRkProgress::BeginProcessing(unsigned int) {}

int CRkProgress::SendProgress(unsigned int) { return 1; }

void CRkProgress::EndProcessing() {}
