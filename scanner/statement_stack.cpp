#include "scanner/statement_stack.h"

#include "reader/host_services.h"

namespace mif {

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
