// The statement scanner: splits the input window into statements, comments,
// macro statements and stray text, and dispatches statements to handlers.
#pragma once

#include "reader/context.h"
#include "scanner/byte_search.h"

namespace mif {

// True when input remains to be read beyond the current window. During a
// table replay bytesRead stands still at the return position, so the real
// stream position tells instead.
inline bool MoreInputRemains(const ReaderContext* ctx) {
    return (ctx->replaying ? ctx->streamPosition : ctx->bytesRead) < ctx->inputSize;
}

// Scans the window from scanPointer. Returns 1 when it stopped normally
// (window used up, output threshold reached, a piece carried over, a replay
// started or ended) and 0 when memory ran out or a handler failed.
int ScanWindow(ReaderContext* ctx);

// scanPointer is on whitespace: advance over the run, never past windowEnd.
char* SkipWhitespace(ReaderContext* ctx);
// scanPointer is on '#': pass over the comment, its line end and the
// blanks after it. Returns false when the comment does not end inside the
// window (it is then carried into the next one, or dropped at the end).
bool SkipComment(ReaderContext* ctx);
// Arrange for the unfinished piece from m to be read again in the next window.
void CarryOver(ReaderContext* ctx, char* m);

}  // namespace mif
