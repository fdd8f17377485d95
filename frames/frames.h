// Anchored frames, the frame token and imported object data.
#pragma once

#include "reader/context.h"

namespace mif {

int HandleAFrames(ReaderContext* ctx, StatementFrame* frame);
int HandleAFrame(ReaderContext* ctx, StatementFrame* frame);
int HandleFrame(ReaderContext* ctx, StatementFrame* frame);
int HandleID(ReaderContext* ctx, StatementFrame* frame);
int HandleImportObject(ReaderContext* ctx, StatementFrame* frame);
int HandleShapeRect(ReaderContext* ctx, StatementFrame* frame);
int HandleImportObFileDI(ReaderContext* ctx, StatementFrame* frame);

// What passing over an imported object's inline data counts in the current
// frame: the facets begun, the marker line passed, where the first facet's
// data starts in the stream and how many bytes it decodes to, and whether
// the data is in hexadecimal pairs (the context's hexMode). The skipper
// works on a copy, so that it can take back a line cut by the window's end.
struct InsetCount {
    uint32_t dataStart;
    uint32_t kind;
    int32_t dataSize;
    uint32_t hexMode;
    uint32_t firstFacetBegun;
    uint32_t laterFacetBegun;
    uint32_t markerPassed;
    uint32_t endSeen;
};
// The current frame's count (zero but for hexMode without a current frame).
InsetCount LoadInsetCount(const ReaderContext* ctx);
// Stores the count; a new data start also becomes the frame's read position.
void StoreInsetCount(ReaderContext* ctx, const InsetCount& count);

// Releases frameList and clears currentFrame.
void FreeFrameList(ReaderContext* ctx);
// Fills the object-callback slots of the record registered with the host.
void FillObjectCallbacks(void** record);

}  // namespace mif
