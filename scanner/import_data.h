// Passing over the inline data of imported objects.
#pragma once

#include "reader/context.h"

namespace mif {

// Passes over an imported object's inline data from scanPointer, recording
// where the first facet's data lies; returns where scanning goes on.
char* SkipImportData(ReaderContext* ctx);

}  // namespace mif
