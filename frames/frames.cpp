#include "frames/frames.h"

namespace mif {

int HandleAFrames(ReaderContext*, StatementFrame*) { return 1; }
int HandleAFrame(ReaderContext*, StatementFrame*) { return 1; }
int HandleFrame(ReaderContext*, StatementFrame*) { return 1; }
int HandleID(ReaderContext*, StatementFrame*) { return 1; }
int HandleImportObject(ReaderContext*, StatementFrame*) { return 1; }
int HandleShapeRect(ReaderContext*, StatementFrame*) { return 1; }
int HandleFrameType(ReaderContext*, StatementFrame*) { return 1; }
int HandleNSOffset(ReaderContext*, StatementFrame*) { return 1; }
int HandleAnchorAlign(ReaderContext*, StatementFrame*) { return 1; }
int HandleImportObFileDI(ReaderContext*, StatementFrame*) { return 1; }

void FreeFrameList(ReaderContext*) {}
void FillObjectCallbacks(void**) {}

}  // namespace mif
