#include "scanner/statement_stack.h"

#include "formats/formats.h"
#include "reader/host_services.h"

namespace mif {

namespace {

// Takes a block of frames from the host and puts them in the free pool.
int GrowFramePool(ReaderContext* ctx) {
    auto* block = static_cast<FrameBlock*>(HostAllocate(ctx, sizeof(FrameBlock)));
    if (block == nullptr) return 0;
    block->next = ctx->frameBlocks;
    ctx->frameBlocks = block;
    for (StatementFrame& frame : block->frames) {
        frame.parent = ctx->freeFrames;
        ctx->freeFrames = &frame;
    }
    return 1;
}

// Section flags raised when their statement opens.
void RaiseSectionFlag(ReaderContext* ctx, Keyword keyword) {
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

}  // namespace

int PushStatement(ReaderContext* ctx, Keyword keyword, char* valueStart) {
    if (ctx->freeFrames == nullptr && !GrowFramePool(ctx)) return 0;
    StatementFrame* frame = ctx->freeFrames;
    ctx->freeFrames = frame->parent;
    // The flags are raised after the handler is chosen: a section keyword
    // never sees its own flag at its own push.
    StatementHandler handler = ctx->recordingPgf | ctx->recordingFont ? RecordingHandler(ctx, keyword) : nullptr;
    frame->handler = handler != nullptr ? handler : kKeywordTable[static_cast<int>(keyword)].handler;
    frame->valueStart = valueStart;
    frame->valueEnd = nullptr;
    frame->keyword = keyword;
    frame->parent = ctx->topFrame;
    ctx->topFrame = frame;
    RaiseSectionFlag(ctx, keyword);
    return 1;
}

int PopStatement(ReaderContext* ctx, int callHandler) {
    StatementFrame* frame = ctx->topFrame;
    if (frame == nullptr) return 1;
    StatementFrame* parent = frame->parent;
    int result = callHandler == 1 ? frame->handler(ctx, frame) : 1;
    // Handlers leave the stack as they found it.
    StatementFrame* done = ctx->topFrame;
    done->parent = ctx->freeFrames;
    ctx->freeFrames = done;
    ctx->topFrame = parent;
    return result;
}

void FreeStatementFrames(ReaderContext* ctx) {
    FreeChain(ctx, ctx->frameBlocks);
    ctx->topFrame = nullptr;
    ctx->freeFrames = nullptr;
}

char* StatementValue(StatementFrame* frame) {
    if (frame == nullptr || frame->valueStart == nullptr || frame->valueEnd == nullptr) return nullptr;
    char* start = frame->valueStart;
    char* end = frame->valueEnd;
    if (end < start) {
        // "<Keyword >": the value end lies before its start; the value is empty.
        *start = '\0';
        return start;
    }
    if (*start == '`') ++start;
    if (*end == '\'' && end >= start) {
        *end = '\0';
    } else {
        end[1] = '\0';
    }
    if (start > end) {
        // The value was a lone backquote.
        *end = '\0';
        return end;
    }
    return start;
}

}  // namespace mif
