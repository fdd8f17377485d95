// Table catalog, column widths and the table replay's statement handlers.
#pragma once

#include "reader/context.h"

namespace mif {

int HandleTblCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandleTblFormat(ReaderContext* ctx, StatementFrame* frame);
int HandleTbl(ReaderContext* ctx, StatementFrame* frame);
int HandleTbls(ReaderContext* ctx, StatementFrame* frame);
int HandleTblID(ReaderContext* ctx, StatementFrame* frame);
int HandleCell(ReaderContext* ctx, StatementFrame* frame);
int HandleRow(ReaderContext* ctx, StatementFrame* frame);
int HandleATbl(ReaderContext* ctx, StatementFrame* frame);
int HandleTblNumColumns(ReaderContext* ctx, StatementFrame* frame);
int HandleTblColumnWidth(ReaderContext* ctx, StatementFrame* frame);
int HandleTblColumnWidthA(ReaderContext* ctx, StatementFrame* frame);
int HandleEqualizeWidths(ReaderContext* ctx, StatementFrame* frame);
int HandleTblColumnNum(ReaderContext* ctx, StatementFrame* frame);

// The first record whose ID text equals text byte for byte, or null.
TableRecord* FindTable(const ReaderContext* ctx, const char* text);

// Writes token 6 (table start) for the table being replayed.
void WriteTableStart(ReaderContext* ctx);
// Releases tableList with each record's strings and the column widths.
void FreeTableList(ReaderContext* ctx);

}  // namespace mif
