#include "reader/fill.h"

#include <cstring>

#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "scanner/scan_window.h"
#include "text/text.h"

namespace mif {

int32_t RefillWindow(ReaderContext* ctx) {
    if (ctx->leftoverCount == kWindowSize) {
        // A single piece fills the whole window and can never be completed:
        // it is dropped (and, unless replaying, counted below).
        ctx->leftoverCount = 0;
    } else if (ctx->leftoverCount > 0) {
        // The carried piece moves to the window's start, in place.
        std::memmove(ctx->window, ctx->scanPointer, static_cast<size_t>(ctx->leftoverCount));
    }
    int32_t leftover = ctx->leftoverCount;
    uint32_t want = static_cast<uint32_t>(kWindowSize - leftover);
    // Short reads are topped up while the input has more, so that window
    // boundaries do not depend on how the host chunks its stream.
    int32_t got = 0;
    while (static_cast<uint32_t>(got) < want) {
        int32_t n = StreamRead(ctx, ctx->window + leftover + got, want - static_cast<uint32_t>(got));
        if (n <= 0) break;
        got += n;
        if (ctx->streamPosition >= ctx->inputSize) break;
    }
    if (!ctx->replaying) {
        int64_t read = static_cast<int64_t>(ctx->bytesRead) + got;
        ctx->bytesRead = static_cast<int32_t>(read < ctx->inputSize ? read : ctx->inputSize);
        ctx->bytesConsumed = ctx->bytesRead - leftover - got;
    }
    ctx->scanPointer = ctx->window;
    ctx->windowEnd = ctx->window + leftover + got;
    ctx->leftoverCount = 0;
    return got;
}

int StartReplay(ReaderContext* ctx) {
    ctx->replayReturnPosition = static_cast<uint32_t>(ctx->bytesConsumed);
    if (!ctx->replaying) ctx->bytesRead -= static_cast<int32_t>(ctx->windowEnd - ctx->scanPointer);
    StreamSeekTo(ctx, ctx->replayTable != nullptr ? ctx->replayTable->startPosition : 0);
    ctx->replayRequested = 0;
    ctx->replaying = 1;
    SetNumberStringAside(ctx);
    // The rest of this window belongs to the text, not to the table.
    ctx->scanPointer = ctx->windowEnd;
    ctx->leftoverCount = 0;
    return 1;
}

int EndReplay(ReaderContext* ctx) {
    StreamSeekTo(ctx, ctx->replayReturnPosition);
    ctx->replaying = 0;
    ctx->tableEnded = 0;
    TakeNumberStringBack(ctx);
    ctx->scanPointer = ctx->windowEnd;
    ctx->leftoverCount = 0;
    return 1;
}

uint32_t ProgressPercent(const ReaderContext* ctx) {
    if (ctx->inputSize <= 0) return 100;
    int64_t percent = static_cast<int64_t>(ctx->bytesConsumed) * 100 / ctx->inputSize;
    if (percent < 0) return 0;
    if (percent > 100) return 100;
    return static_cast<uint32_t>(percent);
}

int32_t FillBuffer(ReaderContext* ctx, uint8_t* buffer, uint32_t* outBytesWritten, uint32_t* outPercent,
                   uint32_t bufferSize) {
    ctx->writePointer = buffer;
    ctx->bufferStart = buffer;
    ctx->bufferEnd = buffer + bufferSize;
    ctx->outputOverflow = 0;
    ctx->fillThreshold = bufferSize * 9u / 10u;

    if (ctx->firstCall) {
        WriteDocumentHeaderTokens(ctx);
        if (ctx->outputOverflow) {
            *outBytesWritten = 0;
            *outPercent = 0;
            SetHostStatus(ctx, MIF_STATUS_BUFFER_TOO_SMALL);
            return MIF_STATUS_BUFFER_TOO_SMALL;
        }
        RefillWindow(ctx);
        ctx->scanPointer = ctx->window;
        if (!ReadMifHeader(ctx)) return MIF_STATUS_SETUP_FAILED;
    }

    int32_t status = MIF_STATUS_OK;
    for (;;) {
        if (ctx->firstCall) {
            ctx->firstCall = 0;
        } else if (ctx->resumeWindow) {
            ctx->resumeWindow = 0;
        } else if (RefillWindow(ctx) == 0) {
            *outPercent = 100;
            break;
        }
        if (ScanWindow(ctx) == 0) {
            SetHostStatus(ctx, MIF_STATUS_SCAN_FAILED);
            *outPercent = ProgressPercent(ctx);
            status = MIF_STATUS_SCAN_FAILED;
            break;
        }
        *outPercent = ProgressPercent(ctx);
        if (ctx->outputOverflow) {
            SetHostStatus(ctx, MIF_STATUS_BUFFER_TOO_SMALL);
            status = MIF_STATUS_BUFFER_TOO_SMALL;
            break;
        }
        // A replay near the very end must still run to the table's end.
        if (ctx->resumeWindow || (*outPercent >= 100 && !ctx->replaying)) break;
    }
    *outBytesWritten = OutputUsed(ctx);
    return status;
}

}  // namespace mif
