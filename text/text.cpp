#include "text/text.h"

namespace mif {

int HandlePara(ReaderContext*, StatementFrame*) { return 1; }
int HandleString(ReaderContext*, StatementFrame*) { return 1; }
int HandleMText(ReaderContext*, StatementFrame*) { return 1; }
int HandleMType(ReaderContext*, StatementFrame*) { return 1; }
int HandleChar(ReaderContext*, StatementFrame*) { return 1; }
int HandlePage(ReaderContext*, StatementFrame*) { return 1; }
int HandlePageNum(ReaderContext*, StatementFrame*) { return 1; }
int HandlePageSize(ReaderContext*, StatementFrame*) { return 1; }
int HandlePageType(ReaderContext*, StatementFrame*) { return 1; }
int HandleTextRect(ReaderContext*, StatementFrame*) { return 1; }
int HandleTextRectID(ReaderContext*, StatementFrame*) { return 1; }
int HandleUnits(ReaderContext*, StatementFrame*) { return 1; }
int HandleNotes(ReaderContext*, StatementFrame*) { return 1; }

void DecodeMifString(ReaderContext*, char*, uint32_t) {}
uint8_t HexPairToByte(char, char, int) { return 0; }
int FlushPendingFormat(ReaderContext* ctx) { ctx->formatDirty = 0; return 1; }
int CloseCharAttributes(ReaderContext*) { return 0; }
int RecordBodyTextRectID(ReaderContext*, StatementFrame*) { return 1; }
void FreeBodyTextRectList(ReaderContext*) {}

}  // namespace mif
