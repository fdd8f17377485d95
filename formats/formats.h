// Paragraph and font catalogs, their property handlers, tab stops and the font query.
#pragma once

#include "reader/context.h"

namespace mif {

int HandlePgfCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandlePgf(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfTag(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfNumString(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfFont(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfAlignment(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfLeading(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfFIndent(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfLIndent(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfRIndent(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfSpBefore(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfSpAfter(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfNumTabs(ReaderContext* ctx, StatementFrame* frame);
int HandleTSX(ReaderContext* ctx, StatementFrame* frame);
int HandleTSType(ReaderContext* ctx, StatementFrame* frame);
int HandleFontCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandleFont(ReaderContext* ctx, StatementFrame* frame);
int HandleFTag(ReaderContext* ctx, StatementFrame* frame);
int HandleFWeight(ReaderContext* ctx, StatementFrame* frame);
int HandleFSize(ReaderContext* ctx, StatementFrame* frame);
int HandleFFamily(ReaderContext* ctx, StatementFrame* frame);
int HandleFAngle(ReaderContext* ctx, StatementFrame* frame);
int HandleFUnderline(ReaderContext* ctx, StatementFrame* frame);
int HandleFStrike(ReaderContext* ctx, StatementFrame* frame);
int HandleFColor(ReaderContext* ctx, StatementFrame* frame);
int HandleFPosition(ReaderContext* ctx, StatementFrame* frame);
int HandleFSubScript(ReaderContext* ctx, StatementFrame* frame);
int HandleFSupScript(ReaderContext* ctx, StatementFrame* frame);
int HandleFCase(ReaderContext* ctx, StatementFrame* frame);
int HandleFPlain(ReaderContext* ctx, StatementFrame* frame);
int HandleFBold(ReaderContext* ctx, StatementFrame* frame);
int HandleFItalic(ReaderContext* ctx, StatementFrame* frame);

// Handlers given to statements nested in a Pgf or Font being recorded.
int RecordParagraphProperty(ReaderContext* ctx, StatementFrame* frame);
int RecordFontProperty(ReaderContext* ctx, StatementFrame* frame);
void FreeParagraphCatalog(ReaderContext* ctx);
void FreeFontCatalog(ReaderContext* ctx);

}  // namespace mif
