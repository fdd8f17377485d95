// The stack of open statements, the section flags that opening a statement
// raises, and the value convention by which handlers read a statement.
#pragma once

#include "formats/formats.h"
#include "reader/context.h"
#include "scanner/keywords.h"

namespace mif {

// Takes a block of frames from the host into the free pool; 0 when refused.
int GrowFramePool(ReaderContext* ctx);

// Raises the section flag of a statement that opens.
inline void RaiseSectionFlag(ReaderContext* ctx, Keyword keyword) {
    switch (keyword) {
        case Keyword::PgfCatalog: ctx->inPgfCatalog = 1; break;
        case Keyword::VariableFormats: ctx->inVariableFormats = 1; break;
        case Keyword::Page: ctx->inPage = 1; break;
        case Keyword::TextRect: ctx->inTextRect = 1; break;
        case Keyword::Tbls: ctx->inTbls = 1; break;
        // Where the table statement starts in the stream.
        case Keyword::Tbl: ctx->tableStartPosition = static_cast<uint32_t>(ctx->bytesConsumed); break;
        case Keyword::TblFormat: ctx->inTblFormat = 1; break;
        case Keyword::Row: ctx->inRow = 1; break;
        case Keyword::EqualizeWidths: ctx->inEqualizeWidths = 1; break;
        case Keyword::Notes: ctx->inNotes = 1; break;
        case Keyword::ImportObject: ctx->inImportObject = 1; break;
        case Keyword::FontCatalog: ctx->inFontCatalog = 1; break;
        case Keyword::Pgf: ctx->inPgf = 1; break;
        case Keyword::Font: ctx->inFont = 1; break;
        case Keyword::AFrames: ctx->inAFrames = 1; break;
        case Keyword::Frame: ctx->inFrame = 1; break;
        default: break;
    }
}

// Opens a statement: a frame with its handler (see HandlerOf) and the start
// of its value becomes the top, and the keyword's section flag is raised.
// 0 when no frame can be had from the host.
inline int PushStatement(ReaderContext* ctx, Keyword keyword, StatementHandler handler, char* valueStart) {
    if (ctx->freeFrames == nullptr && !GrowFramePool(ctx)) return 0;
    StatementFrame* frame = ctx->freeFrames;
    ctx->freeFrames = frame->parent;
    frame->handler = handler;
    frame->valueStart = valueStart;
    frame->valueEnd = nullptr;
    frame->keyword = keyword;
    frame->parent = ctx->topFrame;
    ctx->topFrame = frame;
    // Raised after the handler was chosen: a section keyword never sees its
    // own flag at its own push.
    RaiseSectionFlag(ctx, keyword);
    return 1;
}

// Closes the top statement, running its handler when callHandler is 1;
// returns the handler's result (1 otherwise, and on an empty stack).
inline int PopStatement(ReaderContext* ctx, int callHandler) {
    StatementFrame* frame = ctx->topFrame;
    if (frame == nullptr) return 1;
    StatementFrame* parent = frame->parent;
    int result = callHandler == 1 && frame->handler != &HandleDefault ? frame->handler(ctx, frame) : 1;
    // Handlers leave the stack as they found it.
    StatementFrame* done = ctx->topFrame;
    done->parent = ctx->freeFrames;
    ctx->freeFrames = done;
    ctx->topFrame = parent;
    return result;
}

// Releases the frame blocks (and with them any open frames).
void FreeStatementFrames(ReaderContext* ctx);

// True when the statement has a plain value (neither nested statements nor
// an unfinished end).
inline bool HasValue(const StatementFrame* frame) { return frame->valueStart != nullptr && frame->valueEnd != nullptr; }

// The value of a statement as handlers read it: null when the frame has no
// plain value; otherwise the text after one leading backquote, ended in
// place with a NUL before a closing quote (or after the value's last byte).
char* StatementValue(StatementFrame* frame);

}  // namespace mif
