#include "rkcorr/progress.h"

void CRkProgress::BeginProcessing(unsigned int) {}

int CRkProgress::SendProgress(unsigned int) { return 1; }

void CRkProgress::EndProcessing() {}
