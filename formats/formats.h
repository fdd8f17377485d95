// Paragraph and font catalogs: the handlers of the statements that open,
// tag and close formats, and the recorders of definitions. The property
// handler is in formats/properties.h.
#pragma once

#include "formats/properties.h"
#include "reader/context.h"
#include "scanner/keywords.h"

namespace mif {

int HandlePgfCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandlePgf(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfTag(ReaderContext* ctx, StatementFrame* frame);
int HandlePgfNumString(ReaderContext* ctx, StatementFrame* frame);
int HandleFontCatalog(ReaderContext* ctx, StatementFrame* frame);
int HandleFont(ReaderContext* ctx, StatementFrame* frame);
int HandleFTag(ReaderContext* ctx, StatementFrame* frame);

// Whether a definition may be being recorded: a quick test before
// RecordingHandler, which also asks whether the statement stands in it.
inline bool MayBeRecording(const ReaderContext* ctx) { return (ctx->recordingPgf | ctx->recordingFont) != 0; }

// The handler of a statement opened inside a Pgf or Font definition that is
// being recorded (a recorder, save for PgfFont and TabStop in a Pgf), or
// null when the statement gets its keyword's own handler.
StatementHandler RecordingHandler(const ReaderContext* ctx, Keyword keyword);
// Whether the recorder that RecordingHandler gives this statement would do
// nothing at all, provided its value is plain.
bool RecordsNothingWhenPlain(const ReaderContext* ctx, Keyword keyword);
void FreeParagraphCatalog(ReaderContext* ctx);
void FreeFontCatalog(ReaderContext* ctx);

}  // namespace mif
