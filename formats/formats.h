// Paragraph and font catalogs, their property handlers, tab stops and the font query.
#pragma once

#include "reader/context.h"
#include "scanner/keywords.h"

namespace mif {

int HandlePgfCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandlePgf(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfTag(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfNumString(ReaderContext* ctx, StatementFrame* frame);
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

// The handler of a statement opened inside a Pgf or Font definition that is
// being recorded (a recorder, save for PgfFont and TabStop in a Pgf), or
// null when the statement gets its keyword's own handler.
StatementHandler RecordingHandler(const ReaderContext* ctx, Keyword keyword);
void FreeParagraphCatalog(ReaderContext* ctx);
void FreeFontCatalog(ReaderContext* ctx);

}  // namespace mif
