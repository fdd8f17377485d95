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
    if (!ReserveOutput(ctx, kBareTokenLength)) return;
    PutU8(ctx, code);
    PutU32(ctx, kBareTokenLength);
}

void WriteU8Token(ReaderContext* ctx, uint8_t code, uint8_t value) {
    if (!ReserveOutput(ctx, kU8TokenLength)) return;
    PutU8(ctx, code);
    PutU32(ctx, kU8TokenLength);
    PutU8(ctx, value);
}

void WriteU32Token(ReaderContext* ctx, uint8_t code, uint32_t value) {
    if (!ReserveOutput(ctx, kU32TokenLength)) return;
    PutU8(ctx, code);
    PutU32(ctx, kU32TokenLength);
    PutU32(ctx, value);
}

void WriteTextToken(ReaderContext* ctx, const char* text, uint32_t n) {
    uint64_t length = TextTokenLength(n);
    if (!ReserveOutput(ctx, length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length))) return;
    PutU8(ctx, MIF_TOKEN_TEXT);
    PutU32(ctx, static_cast<uint32_t>(length));
    PutU32(ctx, n);
    PutBytes(ctx, text, n);
}

void WriteDocumentHeaderTokens(ReaderContext* ctx) {
    if (!ReserveOutput(ctx, MIF_FIRST_FILL_HEADER_BYTES)) return;
    PutU8(ctx, MIF_TOKEN_PAGE);
    PutU32(ctx, kPageTokenLength);
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
