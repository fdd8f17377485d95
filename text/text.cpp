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

int RecordBodyTextRectID(ReaderContext*, StatementFrame*) { return 1; }
void FreeBodyTextRectList(ReaderContext*) {}

}  // namespace mif
