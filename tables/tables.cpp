#include "tables/tables.h"

namespace mif {

int HandleTblCatalog(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblFormat(ReaderContext*, StatementFrame*) { return 1; }
int HandleTbl(ReaderContext*, StatementFrame*) { return 1; }
int HandleTbls(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblID(ReaderContext*, StatementFrame*) { return 1; }
int HandleCell(ReaderContext*, StatementFrame*) { return 1; }
int HandleRow(ReaderContext*, StatementFrame*) { return 1; }
int HandleATbl(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblNumColumns(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblColumnWidth(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblColumnWidthA(ReaderContext*, StatementFrame*) { return 1; }
int HandleEqualizeWidths(ReaderContext*, StatementFrame*) { return 1; }
int HandleTblColumnNum(ReaderContext*, StatementFrame*) { return 1; }

void WriteTableStart(ReaderContext*) {}
void FreeTableList(ReaderContext*) {}

}  // namespace mif
