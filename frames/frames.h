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

// Releases frameList and clears currentFrame.
void FreeFrameList(ReaderContext* ctx);
// Fills the object-callback slots of the record registered with the host.
void FillObjectCallbacks(void** record);

}  // namespace mif
