// The command base class; its destructor anchors the exported vtable.
#include "rkcorr/threadpool.h"

CRkCommand::~CRkCommand() {}
