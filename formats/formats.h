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

// How the statements opened next are handled while a definition may be
// being recorded. Nothing it depends on changes until a handler runs or a
// statement gets a frame, so a run of statements passed over shares one.
struct OpeningRoute {
    StatementHandler recorder;        // the recorder of the definition open now, or null
    bool inPgfDefinition;             // PgfFont and TabStop keep their own handlers there
    const bool* passesOverWhenPlain;  // by Keyword: a plain value needs no frame
};

// The route while a definition is being recorded somewhere.
OpeningRoute RouteWhileRecording(const ReaderContext* ctx);

inline OpeningRoute RouteForOpening(const ReaderContext* ctx) {
    if ((ctx->recordingPgf | ctx->recordingFont) == 0) return {nullptr, false, kHandledByDefault.data()};
    return RouteWhileRecording(ctx);
}

// The handler of a statement opened on this route: a recorder inside a
// definition being recorded (save PgfFont and TabStop in a Pgf), else the
// keyword's own.
inline StatementHandler HandlerOf(const OpeningRoute& route, Keyword keyword) {
    const bool own = route.recorder == nullptr ||
                     (route.inPgfDefinition && (keyword == Keyword::PgfFont || keyword == Keyword::TabStop));
    return own ? kKeywordTable[static_cast<int>(keyword)].handler : route.recorder;
}

void FreeParagraphCatalog(ReaderContext* ctx);
void FreeFontCatalog(ReaderContext* ctx);

}  // namespace mif
