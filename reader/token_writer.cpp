#include "reader/token_writer.h"

#include <cstring>

namespace mif {

bool ReserveOutput(ReaderContext* ctx, uint32_t n) {
    if (ctx->outputOverflow) return false;
    if (static_cast<uint64_t>(ctx->bufferEnd - ctx->writePointer) < n) {
        ctx->outputOverflow = 1;
        return false;
    }
    return true;
}

void PutU8(ReaderContext* ctx, uint8_t v) { *ctx->writePointer++ = v; }

void PutU32(ReaderContext* ctx, uint32_t v) {
    uint8_t* p = ctx->writePointer;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
    ctx->writePointer = p + 4;
}

void PutBytes(ReaderContext* ctx, const void* bytes, uint32_t n) {
    if (n == 0) return;
    std::memcpy(ctx->writePointer, bytes, n);
    ctx->writePointer += n;
}

void WriteBareToken(ReaderContext* ctx, uint8_t code) {
    if (!ReserveOutput(ctx, 5)) return;
    PutU8(ctx, code);
    PutU32(ctx, 5);
}

void WriteU8Token(ReaderContext* ctx, uint8_t code, uint8_t value) {
    if (!ReserveOutput(ctx, 6)) return;
    PutU8(ctx, code);
    PutU32(ctx, 6);
    PutU8(ctx, value);
}

void WriteU32Token(ReaderContext* ctx, uint8_t code, uint32_t value) {
    if (!ReserveOutput(ctx, 9)) return;
    PutU8(ctx, code);
    PutU32(ctx, 9);
    PutU32(ctx, value);
}

void WriteTextToken(ReaderContext* ctx, const char* text, uint32_t n) {
    if (!ReserveOutput(ctx, n + 9)) return;
    PutU8(ctx, MIF_TOKEN_TEXT);
    PutU32(ctx, n + 9);
    PutU32(ctx, n);
    PutBytes(ctx, text, n);
}

void BeginToken(ReaderContext* ctx, uint8_t code) {
    ctx->openTokenStart = ctx->writePointer;
    if (!ReserveOutput(ctx, 5)) return;
    PutU8(ctx, code);
    PutU32(ctx, 0);
}

void AppendToken(ReaderContext* ctx, const void* bytes, uint32_t n) {
    if (!ReserveOutput(ctx, n)) return;
    PutBytes(ctx, bytes, n);
}

void EndToken(ReaderContext* ctx) {
    uint8_t* start = ctx->openTokenStart;
    ctx->openTokenStart = nullptr;
    if (ctx->outputOverflow || start == nullptr) {
        if (start != nullptr) ctx->writePointer = start;  // take the partial token back
        return;
    }
    uint32_t length = static_cast<uint32_t>(ctx->writePointer - start);
    start[1] = static_cast<uint8_t>(length);
    start[2] = static_cast<uint8_t>(length >> 8);
    start[3] = static_cast<uint8_t>(length >> 16);
    start[4] = static_cast<uint8_t>(length >> 24);
}

void WriteDocumentHeaderTokens(ReaderContext* ctx) {
    if (!ReserveOutput(ctx, MIF_FIRST_FILL_HEADER_BYTES)) return;
    PutU8(ctx, MIF_TOKEN_PAGE);
    PutU32(ctx, 38);
    PutU8(ctx, 2);
    PutU32(ctx, static_cast<uint32_t>(ctx->pageWidth));
    PutU32(ctx, static_cast<uint32_t>(ctx->pageHeight));
    PutU32(ctx, static_cast<uint32_t>(ctx->current.leftIndent));
    PutU32(ctx, static_cast<uint32_t>(ctx->topMargin));
    PutU32(ctx, static_cast<uint32_t>(ctx->current.rightIndent));
    PutU32(ctx, static_cast<uint32_t>(ctx->bottomMargin));
    PutU32(ctx, 0xFFFFFFFFu);
    PutU32(ctx, 0xFFFFFFFFu);
    WriteU8Token(ctx, MIF_TOKEN_LINE_SPACING, 0);
    WriteU32Token(ctx, MIF_TOKEN_CHARSET, MIF_CHARSET);
}

}  // namespace mif
