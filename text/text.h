// Document text: strings and escapes, special characters, units, page geometry, paragraphs.
#pragma once

#include "reader/context.h"

namespace mif {

int HandlePara(ReaderContext* ctx, StatementFrame* frame);
int HandleString(ReaderContext* ctx, StatementFrame* frame);
int HandleMText(ReaderContext* ctx, StatementFrame* frame);
int HandleMType(ReaderContext* ctx, StatementFrame* frame);
int HandleChar(ReaderContext* ctx, StatementFrame* frame);
int HandlePage(ReaderContext* ctx, StatementFrame* frame);
int HandlePageNum(ReaderContext* ctx, StatementFrame* frame);
int HandlePageSize(ReaderContext* ctx, StatementFrame* frame);
int HandlePageType(ReaderContext* ctx, StatementFrame* frame);
int HandleTextRect(ReaderContext* ctx, StatementFrame* frame);
int HandleTextRectID(ReaderContext* ctx, StatementFrame* frame);
int HandleUnits(ReaderContext* ctx, StatementFrame* frame);
int HandleNotes(ReaderContext* ctx, StatementFrame* frame);

// The MIFFile header check; also the MIFFile statement's handler.
int ReadMifHeader(ReaderContext* ctx);
int HandleMIFFile(ReaderContext* ctx, StatementFrame* frame);
// The text-rectangle branch of the ID handler.
int RecordBodyTextRectID(ReaderContext* ctx, StatementFrame* frame);
void FreeBodyTextRectList(ReaderContext* ctx);

}  // namespace mif
